#include "render/imagesurface.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal TwipsPerPixel = 15.0;
// QPainter's raster engine works in 16-bit device coordinates.
constexpr int LargestSide = 32767;
// A batch is painted in chunks of this many calls, to keep what it holds in the cache.
constexpr std::size_t BatchLimit = 4096;

int DeviceSide(float twips, qreal devicePixelRatio)
{
    const qreal pixels = std::ceil(twips / TwipsPerPixel * devicePixelRatio);
    return static_cast<int>(std::clamp<qreal>(pixels, 1.0, LargestSide));
}

// The image's pixels for writing, each point checked against its bounds: a batch's ends lie
// within the clip margin, never far outside.
class PixelWriter {
public:
    explicit PixelWriter(QImage& image)
        : m_pixels(reinterpret_cast<QRgb*>(image.bits()))
        , m_stride(image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb)))
        , m_width(image.width())
        , m_height(image.height())
    {
    }

    void Point(QPointF at, QRgb colour)
    {
        Set(static_cast<int>(std::floor(at.x())), static_cast<int>(std::floor(at.y())), colour);
    }

    // period 1 paints every step's pixel, 2 every other one. Steps are counted in 16.16
    // fixed point: a library floor per pixel would cost more than the write.
    void Line(const QLineF& line, QRgb colour, int period)
    {
        const qreal steps = std::ceil(std::max(std::abs(line.dx()), std::abs(line.dy())));
        if (steps == 0.0) {
            Point(line.p1(), colour);
            return;
        }
        constexpr qreal one = 65536.0;
        std::int64_t x = std::llround(line.x1() * one);
        std::int64_t y = std::llround(line.y1() * one);
        const std::int64_t stepX = std::llround(line.dx() / steps * one) * period;
        const std::int64_t stepY = std::llround(line.dy() / steps * one) * period;
        const int last = static_cast<int>(steps);
        for (int k = 0; k <= last; k += period, x += stepX, y += stepY)
            Set(static_cast<int>(x >> 16), static_cast<int>(y >> 16), colour);
    }

private:
    void Set(int x, int y, QRgb colour)
    {
        if (static_cast<unsigned>(x) < static_cast<unsigned>(m_width)
            && static_cast<unsigned>(y) < static_cast<unsigned>(m_height))
            m_pixels[y * m_stride + x] = colour;
    }

    QRgb* m_pixels;
    qsizetype m_stride;
    int m_width;
    int m_height;
};

// For circles' outlines: width 0 is one device pixel at any scale, and only a cosmetic pen
// keeps its dots.
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
    if (!(devicePixelRatio > 0.0 && std::isfinite(devicePixelRatio)))
        devicePixelRatio = 1.0;
    // The clip box follows the stored size, so it must not reach past what the image holds.
    const qreal largest = LargestSide * TwipsPerPixel / devicePixelRatio;
    const auto width = static_cast<float>(std::min<qreal>(widthTwips, largest));
    const auto height = static_cast<float>(std::min<qreal>(heightTwips, largest));
    // The widget sizes its surface both when it is resized and when it resizes itself; the
    // second call must not copy the picture again.
    if (!m_image.isNull() && width == Width() && height == Height()
        && devicePixelRatio == m_image.devicePixelRatio())
        return;
    StoreSize(width, height);
    EndPainting();
    QImage image(DeviceSide(Width(), devicePixelRatio), DeviceSide(Height(), devicePixelRatio),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatio);
    m_devicePixelsPerTwip = devicePixelRatio / TwipsPerPixel;
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
    if (m_blank)
        m_image.fill(ToQColor(BackColor()));
}

void ImageSurface::DoCls()
{
    m_blank = false;
    // Nothing drawn before survives, so the batch is dropped rather than painted.
    m_batchLines.clear();
    m_batchPoints.clear();
    EndPainting();
    m_image.fill(ToQColor(BackColor()));
}

void ImageSurface::DoCircle(float x, float y, float radius, Colour colour)
{
    m_blank = false;
    const QColor outline = ToQColor(colour);
    if (radius == 0.0f) {
        JoinBatch(outline);
        m_batchPoints.push_back(ToDevicePixels(x, y));
        return;
    }
    // A filled circle covers marks of other colours, so everything before it goes first.
    PaintBatch();
    QPainter& painter = Painter();
    painter.setPen(CosmeticPen(outline, DrawStyle() == DrawStyles::Dotted));
    painter.setBrush(ToQColor(FillColor()));
    const qreal pixels = radius / TwipsPerPixel;
    painter.drawEllipse(QPointF(x, y) / TwipsPerPixel, pixels, pixels);
}

void ImageSurface::DoLine(float x1, float y1, float x2, float y2, Colour colour)
{
    m_blank = false;
    JoinBatch(ToQColor(colour));
    m_batchLines.emplace_back(ToDevicePixels(x1, y1), ToDevicePixels(x2, y2));
    if (m_batchLines.size() >= BatchLimit)
        PaintBatch();
}

QColor ImageSurface::ToQColor(Colour colour) const
{
    if (colour & Colours::SystemBit)
        return colour == Colours::WindowBackground ? m_windowBackground : m_windowText;
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

QPointF ImageSurface::ToDevicePixels(float x, float y) const
{
    return QPointF(x, y) * m_devicePixelsPerTwip;
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
}

void ImageSurface::PaintBatch() const
{
    if (m_batchLines.empty() && m_batchPoints.empty())
        return;
    // The pixels are written behind QPainter's back, so no painter may hold them meanwhile.
    m_painter.reset();
    PixelWriter pixels(m_image);
    const QRgb colour = m_batchColour.rgb();
    const int period = m_batchDotted ? 2 : 1;
    for (const QLineF& line : m_batchLines)
        pixels.Line(line, colour, period);
    for (const QPointF& point : m_batchPoints)
        pixels.Point(point, colour);
    m_batchLines.clear();
    m_batchPoints.clear();
}

void ImageSurface::EndPainting() const
{
    PaintBatch();
    m_painter.reset();
}
