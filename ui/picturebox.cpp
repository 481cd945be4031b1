#include "ui/picturebox.h"

#include "render/viewtransform.h"
#include "scene/numbertext.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QRubberBand>
#include <QToolTip>

#include <cmath>

bool HasFileList(const QMimeData* data)
{
    return data && data->hasUrls() && !data->urls().isEmpty() && data->urls().first().isLocalFile();
}

QString HoverText(const LoadedProfile& profile, const SceneView& view, PointD pixel)
{
    const QString at = QString::fromStdString(PointText(DataAt(view, pixel)));
    const std::optional<std::int64_t> nearest = NearestVertex(profile, view, pixel);
    if (!nearest)
        return QCoreApplication::translate("PictureBox", "at %1").arg(at);
    return QCoreApplication::translate("PictureBox", "at %1\nnearest vertex %2: %3")
        .arg(at, QString::number(*nearest),
            QString::fromStdString(PointText(profile.Points(*nearest))));
}

PictureBox::PictureBox(QWidget* parent)
    : QFrame(parent)
    , m_navigation(QApplication::startDragDistance())
    , m_band(new QRubberBand(QRubberBand::Rectangle, this))
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    // The right button belongs to the rectangle zoom; the menu comes from MenuRequested alone.
    setContextMenuPolicy(Qt::PreventContextMenu);
    m_surface.SetSystemColours(palette().color(QPalette::Base), palette().color(QPalette::Text));
}

void PictureBox::SetSizeTwips(double width, double height)
{
    resize(static_cast<int>(std::lround(width / TwipsPerPixel)),
           static_cast<int>(std::lround(height / TwipsPerPixel)));
    // A hidden widget gets its resize event only when shown; the surface must fit now, since
    // the window may draw before then.
    FitSurface();
}

double PictureBox::WidthTwips() const
{
    return width() * TwipsPerPixel;
}

double PictureBox::HeightTwips() const
{
    return height() * TwipsPerPixel;
}

void PictureBox::FitSurface()
{
    const QRect inside = contentsRect();
    m_surface.SetSize(static_cast<float>(std::max(inside.width(), 0) * TwipsPerPixel),
                      static_cast<float>(std::max(inside.height(), 0) * TwipsPerPixel),
                      devicePixelRatioF());
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), m_surface.Image());
}

void PictureBox::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    FitSurface();
}

void PictureBox::changeEvent(QEvent* event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        m_surface.SetSystemColours(palette().color(QPalette::Base), palette().color(QPalette::Text));
}

void PictureBox::dragEnterEvent(QDragEnterEvent* event)
{
    if (HasFileList(event->mimeData()))
        event->acceptProposedAction();
}

void PictureBox::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    emit OLEDragDrop(event->mimeData());
}

void PictureBox::SetShown(std::shared_ptr<const LoadedProfile> profile, const SceneView& view)
{
    m_shownProfile = std::move(profile);
    if (m_shownProfile)
        m_navigation.SetShown(view, m_shownProfile->Extents.MaxX);
    else
        m_navigation.SetNothingShown();
}

PointD PictureBox::SurfacePixel(QPointF position) const
{
    const QPoint corner = contentsRect().topLeft();
    return {position.x() - corner.x(), position.y() - corner.y()};
}

void PictureBox::Act(const NavigationRequest& request, QPoint globalPosition)
{
    if (const auto band = m_navigation.Band()) {
        const auto [from, to] = *band;
        m_band->setGeometry(QRect(QPointF(from.X, from.Y).toPoint(), QPointF(to.X, to.Y).toPoint())
                                .normalized()
                                .translated(contentsRect().topLeft()));
        m_band->show();
    } else {
        m_band->hide();
    }
    if (m_navigation.Panning())
        setCursor(Qt::ClosedHandCursor);
    else
        unsetCursor();
    if (request.What == NavigationRequest::Kind::Show)
        emit VisibleRangeRequested(request.Visible);
    else if (request.What == NavigationRequest::Kind::Menu)
        emit MenuRequested(globalPosition);
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    Act(m_navigation.Press(event->button(), event->modifiers(), SurfacePixel(event->position())),
        event->globalPosition().toPoint());
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    Act(m_navigation.Move(SurfacePixel(event->position())), event->globalPosition().toPoint());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    Act(m_navigation.Release(event->button(), SurfacePixel(event->position())),
        event->globalPosition().toPoint());
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    Act(m_navigation.DoubleClick(event->button()), event->globalPosition().toPoint());
}

void PictureBox::wheelEvent(QWheelEvent* event)
{
    Act(m_navigation.Wheel(
            SurfacePixel(event->position()), event->angleDelta().y(), event->pixelDelta().y()),
        event->globalPosition().toPoint());
}

void PictureBox::keyPressEvent(QKeyEvent* event)
{
    const std::optional<NavigationRequest> request
        = m_navigation.Key(event->key(), event->modifiers());
    if (!request) {
        QFrame::keyPressEvent(event);
        return;
    }
    Act(*request, mapToGlobal(contentsRect().center()));
}

bool PictureBox::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QFrame::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const SceneView* view = m_navigation.Shown();
    if (m_shownProfile && view) {
        // Hidden once the cursor leaves its pixel, so that the next rest shows fresh numbers.
        QToolTip::showText(help->globalPos(),
            HoverText(*m_shownProfile, *view, SurfacePixel(help->pos())), this,
            QRect(help->pos(), QSize(1, 1)));
    } else {
        QToolTip::hideText();
    }
    return true;
}
