#include "render/pixelwriter.h"

PixelWriter::PixelWriter(QImage& image)
    : m_pixels(reinterpret_cast<QRgb*>(image.bits()))
    , m_stride(image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb)))
    , m_width(image.width())
    , m_height(image.height())
{
}

void PixelWriter::Dot(QPointF at, QRgb colour)
{
    const PixelPosition pixel = DotPixel(at);
    Set(pixel.X, pixel.Y, colour);
}

void PixelWriter::Line(QPointF from, QPointF to, QRgb colour, PixelPen pen)
{
    if (SamePoint(from, to)) {
        Dot(from, colour);
        return;
    }
    const LineSteps steps(from, to, pen);
    std::int64_t along = steps.First;
    std::int64_t crossing = steps.Crossing;
    for (std::int64_t k = 0; k < steps.Count; ++k) {
        const std::int64_t cross = crossing >> LineSteps::FractionBits;
        if (steps.AlongX)
            Set(along, cross, colour);
        else
            Set(cross, along, colour);
        along += steps.AlongStep;
        crossing += steps.CrossingStep;
    }
}
