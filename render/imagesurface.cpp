#include "render/imagesurface.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal TwipsPerPixel = 15.0;
// QPainter's raster engine works in 16-bit device coordinates.
constexpr int LargestSide = 32767;
// Enough calls to make one painter call worth it, few enough to stay in the cache.
constexpr std::size_t BatchLimit = 4096;

int DeviceSide(float twips, qreal devicePixelRatio)
{
    const qreal pixels = std::ceil(twips / TwipsPerPixel * devicePixelRatio);
    return static_cast<int>(std::clamp<qreal>(pixels, 1.0, LargestSide));
}

QPointF ToPixels(float x, float y)
{
    return {x / TwipsPerPixel, y / TwipsPerPixel};
}

// Width 0 is one device pixel at any scale, and only a cosmetic pen keeps its dots on long
// lines.
QPen CosmeticPen(const QColor& colour, bool dotted)
{
    QPen pen(colour, 0);
    pen.setCosmetic(true);
    if (dotted)
        pen.setDashPattern({1.0, 1.0});
    return pen;
}

QColor Opaque(QColor colour)
{
    colour.setAlpha(255);
    return colour;
}

} // namespace

ImageSurface::ImageSurface()
    : DrawingSurface(8295.0f, 3495.0f)
{
    SetSize(Width(), Height(), 1.0);
}

ImageSurface::~ImageSurface() = default;

void ImageSurface::SetSize(float widthTwips, float heightTwips, qreal devicePixelRatio)
{
    StoreSize(widthTwips, heightTwips);
    if (!(devicePixelRatio > 0.0 && std::isfinite(devicePixelRatio)))
        devicePixelRatio = 1.0;
    EndPainting();
    QImage image(DeviceSide(Width(), devicePixelRatio), DeviceSide(Height(), devicePixelRatio),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(ToQColor(BackColor()));
    if (!m_image.isNull()) {
        QPainter painter(&image);
        painter.drawImage(QPointF(0.0, 0.0), m_image);
    }
    m_image = std::move(image);
}

const QImage& ImageSurface::Image() const
{
    EndPainting();
    return m_image;
}

void ImageSurface::SetSystemColours(QColor windowBackground, QColor windowText)
{
    m_windowBackground = Opaque(windowBackground);
    m_windowText = Opaque(windowText);
}

void ImageSurface::DoCls()
{
    // Nothing drawn before survives, so the batch is dropped rather than painted.
    m_batchLines.clear();
    m_batchPoints.clear();
    EndPainting();
    m_image.fill(ToQColor(BackColor()));
}

void ImageSurface::DoCircle(float x, float y, float radius, Colour colour)
{
    const QColor outline = ToQColor(colour);
    if (radius == 0.0f) {
        JoinBatch(outline);
        m_batchPoints.push_back(ToPixels(x, y));
        return;
    }
    // A filled circle covers marks of other colours, so everything before it goes first.
    PaintBatch();
    QPainter& painter = Painter();
    painter.setPen(CosmeticPen(outline, DrawStyle() == DrawStyles::Dotted));
    painter.setBrush(ToQColor(FillColor()));
    const qreal pixels = radius / TwipsPerPixel;
    painter.drawEllipse(ToPixels(x, y), pixels, pixels);
}

void ImageSurface::DoLine(float x1, float y1, float x2, float y2, Colour colour)
{
    JoinBatch(ToQColor(colour));
    m_batchLines.emplace_back(ToPixels(x1, y1), ToPixels(x2, y2));
    if (m_batchLines.size() >= BatchLimit)
        PaintBatch();
}

QColor ImageSurface::ToQColor(Colour colour) const
{
    if (colour & Colours::SystemBit)
        return colour == Colours::WindowBackground ? m_windowBackground : m_windowText;
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

QPainter& ImageSurface::Painter()
{
    if (!m_painter)
        m_painter = std::make_unique<QPainter>(&m_image);
    return *m_painter;
}

void ImageSurface::JoinBatch(const QColor& colour)
{
    const bool dotted = DrawStyle() == DrawStyles::Dotted;
    if (colour != m_batchColour || dotted != m_batchDotted)
        PaintBatch();
    m_batchColour = colour;
    m_batchDotted = dotted;
    if (m_batchPoints.size() >= BatchLimit)
        PaintBatch();
    Painter();
}

void ImageSurface::PaintBatch() const
{
    if (m_batchLines.empty() && m_batchPoints.empty())
        return;
    // A batch is only ever gathered with the painter open.
    QPainter& painter = *m_painter;
    if (!m_batchLines.empty()) {
        painter.setPen(CosmeticPen(m_batchColour, m_batchDotted));
        painter.drawLines(m_batchLines.data(), static_cast<int>(m_batchLines.size()));
        m_batchLines.clear();
    }
    if (!m_batchPoints.empty()) {
        painter.setPen(CosmeticPen(m_batchColour, false));
        painter.drawPoints(m_batchPoints.data(), static_cast<int>(m_batchPoints.size()));
        m_batchPoints.clear();
    }
}

void ImageSurface::EndPainting() const
{
    PaintBatch();
    m_painter.reset();
}
