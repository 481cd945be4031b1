#pragma once

#include "render/batchpainter.h"
#include "render/drawingsurface.h"

#include <QColor>
#include <QImage>
#include <QLineF>
#include <QPen>
#include <QPointF>

#include <vector>

// The surface behind the window's picture box: a persistent image, 15 twips to a logical
// pixel, that keeps its picture until the next drawing call, whatever happens to the window.
//
// Pens of DrawWidth 1 (or less) are cosmetic (one device pixel whatever the device pixel
// ratio); wider ones are DrawWidth logical pixels wide, with round caps. DrawStyle 2 is a
// dotted pen, every other style solid. A circle of radius 0 is one pixel in its outline
// colour. The system colours WindowBackground and WindowText are the ones last given to
// SetSystemColours (white and black until then); other system colours draw as WindowText.
//
// For speed, drawing is deferred to the same pixels: runs of dots and lines of one colour and
// pen are written together (PixelWriter), and large batches with dots of radius 0 are painted
// on worker threads (BatchPainter). Image() and every call that could show the order of marks
// first write out what is pending.
class ImageSurface : public DrawingSurface {
public:
    // The laid-out size at a device pixel ratio of 1, showing the window background.
    ImageSurface();
    ~ImageSurface() override;

    // Gives the surface a new size in twips. The picture drawn so far stays at the top-left,
    // new area shows BackColor. Sizes that are not positive and finite count as 0, and a side
    // is at most 32767 device pixels: Width and Height report the size so taken. The image is
    // at least one device pixel on a side.
    void SetSize(float widthTwips, float heightTwips, qreal devicePixelRatio);
    // The picture, at the device pixel ratio last set, with every call made so far in it:
    // marks still gathered are written first.
    const QImage& Image();
    // Affects the calls made from now on; a picture already drawn keeps its colours, while a
    // surface that no call has drawn on yet shows the new window background at once.
    void SetSystemColours(QColor windowBackground, QColor windowText);

protected:
    void DoCls() override;
    void DoCircle(float x, float y, float radius, Colour colour) override;
    void DoLine(float x1, float y1, float x2, float y2, Colour colour) override;
    void DoPolyline(const SurfacePoints& points, float dotRadius, Colour dotColour) override;
    void DoFan(float x, float y, const SurfacePoints& points, Colour colour) override;

private:
    QColor ToQColor(Colour colour) const;
    QPointF ToDevicePixels(float x, float y) const;
    // Joins the gathered marks for (colour, current DrawStyle), writing out those gathered
    // so far if they are for another colour or pen.
    void JoinBatch(const QColor& colour);
    void WriteBatch();
    BatchPainter::Placement Placement() const;
    PixelPen Pen() const;
    // The pen of a mark QPainter draws, by DrawStyle and DrawWidth.
    QPen PainterPen(const QColor& colour) const;
    bool Wide() const { return DrawWidth() > 1; }

    QImage m_image;
    // In device pixels.
    std::vector<QLineF> m_batchLines;
    std::vector<QPointF> m_batchPoints;
    qreal m_devicePixelsPerTwip = 1.0 / 15.0;
    QColor m_batchColour;
    bool m_batchDotted = false;
    bool m_blank = true; // no drawing call yet
    QColor m_windowBackground = Qt::white;
    QColor m_windowText = Qt::black;
    // Last, so its workers stop before the image goes.
    BatchPainter m_painter;
};
