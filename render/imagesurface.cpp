#include "render/imagesurface.h"

#include "render/pixelwriter.h"
#include "render/widevectors.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal TwipsPerPixel = 15.0;
// QPainter's raster engine works in 16-bit device coordinates.
constexpr int LargestSide = 32767;
// Marks are gathered in chunks of at most this many, to keep what they hold in the cache.
constexpr std::size_t BatchLimit = 4096;

int DeviceSide(float twips, qreal devicePixelRatio)
{
    const qreal pixels = std::ceil(twips / TwipsPerPixel * devicePixelRatio);
    return static_cast<int>(std::clamp<qreal>(pixels, 1.0, LargestSide));
}

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
    : DrawingSurface(LaidOutSurfaceWidth, LaidOutSurfaceHeight)
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
    WriteBatch();
    m_painter.Wait();
    StoreSize(width, height);
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

const QImage& ImageSurface::Image()
{
    WriteBatch();
    m_painter.Wait();
    return m_image;
}

void ImageSurface::SetSystemColours(QColor windowBackground, QColor windowText)
{
    m_windowBackground = Opaque(windowBackground);
    m_windowText = Opaque(windowText);
    m_painter.Wait();
    if (m_blank)
        m_image.fill(ToQColor(BackColor()));
}

void ImageSurface::DoCls()
{
    m_blank = false;
    // Nothing drawn before survives, so the gathered marks are dropped rather than written.
    m_batchLines.clear();
    m_batchPoints.clear();
    m_painter.Wait();
    m_image.fill(ToQColor(BackColor()));
    // The drawing that follows a clearing maps its vertices on this thread.
    ClearWideVectorState();
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
    WriteBatch();
    m_painter.Wait();
    QPainter painter(&m_image);
    painter.setPen(PainterPen(outline));
    if (FillStyle() == FillStyles::Transparent)
        painter.setBrush(Qt::NoBrush);
    else
        painter.setBrush(ToQColor(FillColor()));
    const qreal pixels = radius / TwipsPerPixel;
    painter.drawEllipse(QPointF(x, y) / TwipsPerPixel, pixels, pixels);
}

void ImageSurface::DoLine(float x1, float y1, float x2, float y2, Colour colour)
{
    m_blank = false;
    if (Wide()) {
        // Rare and few: drawn at once, after every mark gathered before it.
        WriteBatch();
        m_painter.Wait();
        QPainter painter(&m_image);
        painter.setPen(PainterPen(ToQColor(colour)));
        painter.drawLine(QPointF(x1, y1) / TwipsPerPixel, QPointF(x2, y2) / TwipsPerPixel);
        return;
    }
    JoinBatch(ToQColor(colour));
    m_batchLines.emplace_back(ToDevicePixels(x1, y1), ToDevicePixels(x2, y2));
    if (m_batchLines.size() >= BatchLimit)
        WriteBatch();
}

void ImageSurface::DoPolyline(const SurfacePoints& points, float dotRadius, Colour dotColour)
{
    if (dotRadius != 0.0f || Wide() || !BatchPainter::Takes(m_image, points->size())) {
        DrawingSurface::DoPolyline(points, dotRadius, dotColour);
        return;
    }
    m_blank = false;
    WriteBatch();
    m_painter.Polyline(m_image, Placement(), points, ToQColor(dotColour).rgb(),
                       ToQColor(ForeColor()).rgb(), Pen());
}

void ImageSurface::DoFan(float x, float y, const SurfacePoints& points, Colour colour)
{
    if (Wide() || !BatchPainter::Takes(m_image, points->size())) {
        DrawingSurface::DoFan(x, y, points, colour);
        return;
    }
    m_blank = false;
    WriteBatch();
    m_painter.Fan(m_image, Placement(), {x, y}, points, ToQColor(colour).rgb(), Pen());
}

BatchPainter::Placement ImageSurface::Placement() const
{
    return {Area(), m_devicePixelsPerTwip};
}

PixelPen ImageSurface::Pen() const
{
    return DrawStyle() == DrawStyles::Dotted ? PixelPen::Dotted : PixelPen::Solid;
}

QPen ImageSurface::PainterPen(const QColor& colour) const
{
    const bool dotted = DrawStyle() == DrawStyles::Dotted;
    if (!Wide())
        return CosmeticPen(colour, dotted);
    return QPen(colour, DrawWidth(), dotted ? Qt::DotLine : Qt::SolidLine, Qt::RoundCap);
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

void ImageSurface::JoinBatch(const QColor& colour)
{
    const bool dotted = Pen() == PixelPen::Dotted;
    if (colour != m_batchColour || dotted != m_batchDotted)
        WriteBatch();
    m_batchColour = colour;
    m_batchDotted = dotted;
    if (m_batchPoints.size() >= BatchLimit)
        WriteBatch();
}

void ImageSurface::WriteBatch()
{
    if (m_batchLines.empty() && m_batchPoints.empty())
        return;
    // Batches handed to the painter came before these marks.
    m_painter.Wait();
    PixelWriter pixels(m_image);
    const QRgb colour = m_batchColour.rgb();
    const PixelPen pen = m_batchDotted ? PixelPen::Dotted : PixelPen::Solid;
    for (const QLineF& line : m_batchLines)
        pixels.Line(line.p1(), line.p2(), colour, pen);
    for (const QPointF& point : m_batchPoints)
        pixels.Dot(point, colour);
    m_batchLines.clear();
    m_batchPoints.clear();
}
