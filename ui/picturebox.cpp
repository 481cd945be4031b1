#include "ui/picturebox.h"

#include "render/viewtransform.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>

#include <cmath>

bool HasFileList(const QMimeData* data)
{
    return data && data->hasUrls() && !data->urls().isEmpty() && data->urls().first().isLocalFile();
}

PictureBox::PictureBox(QWidget* parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
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
