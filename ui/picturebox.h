#pragma once

#include "render/imagesurface.h"

#include <QFrame>

class QMimeData;

// The drawing surface `pic`: a sunken frame around an ImageSurface. The picture lives in the
// surface's image and changes only through drawing calls; painting merely shows it, so it
// survives being covered and uncovered without a redraw.
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

signals:
    // A drag with a file list was dropped here.
    void OLEDragDrop(const QMimeData* data);
    void MenuRequested(QPoint globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FitSurface();

    ImageSurface m_surface;
};

// Whether a drag carries a list of files (the only thing the window takes).
bool HasFileList(const QMimeData* data);
