#pragma once

#include "render/imagesurface.h"
#include "render/navigation.h"
#include "scene/profile.h"

#include <QFrame>

#include <memory>
#include <optional>

class QMimeData;
class QRubberBand;

// The drawing surface `pic`: a sunken frame around an ImageSurface. The picture lives in the
// surface's image and changes only through drawing calls; painting merely shows it, so it
// survives being covered and uncovered without a redraw. The mouse and keys zoom and pan it
// (PictureNavigation decides how); the tool tip names the data point under the cursor and the
// nearest vertex.
class PictureBox : public QFrame {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    DrawingSurface& Surface() { return m_surface; }
    const QImage& Image() { return m_surface.Image(); }

    // The outer size in twips, as the window lays it out; whole pixels once set.
    void SetSizeTwips(double width, double height);
    double WidthTwips() const;
    double HeightTwips() const;

    // What the last drawing showed, for the mouse, the keys and the tool tip: `profile` drawn
    // with `view`; none when it drew no profile.
    void SetShown(std::shared_ptr<const LoadedProfile> profile, const SceneView& view);

signals:
    // A drag with a file list was dropped here.
    void OLEDragDrop(const QMimeData* data);
    // The owner of the view is asked to show this range (none: the whole profile) and redraw.
    void VisibleRangeRequested(std::optional<DataRange> visible);
    // A right click without a drag, the Menu key or Shift+F10: the place for a context menu.
    void MenuRequested(QPoint globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FitSurface();
    PointD SurfacePixel(QPointF position) const;
    // Shows the rubber band and the cursor as the gesture now stands, then passes the request on.
    void Act(const NavigationRequest& request, QPoint globalPosition);

    ImageSurface m_surface;
    std::shared_ptr<const LoadedProfile> m_shownProfile;
    PictureNavigation m_navigation;
    QRubberBand* m_band;
};

// The tool tip at `pixel` (from the surface's top left corner) of a picture of `profile` drawn
// with `view`: the data point there and the nearest vertex, numbers as the coordinate labels
// write them.
QString HoverText(const LoadedProfile& profile, const SceneView& view, PointD pixel);

// Whether a drag carries a list of files (the only thing the window takes).
bool HasFileList(const QMimeData* data);
