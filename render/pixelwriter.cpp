#include "render/pixelwriter.h"

#include <cmath>
#include <cstdlib>
#include <type_traits>

namespace {

// The cross coordinate is stepped in fixed point with 32 fraction bits: exact for lines along
// an axis, and a library floor per pixel would cost more than the write itself.
constexpr double FixedOne = 4294967296.0;
constexpr int FractionBits = 32;

} // namespace

PixelWriter::PixelWriter(QImage& image)
    : m_pixels(reinterpret_cast<QRgb*>(image.bits()))
    , m_stride(image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb)))
    , m_width(image.width())
    , m_height(image.height())
{
}

void PixelWriter::Dot(QPointF at, QRgb colour)
{
    Set(static_cast<std::int64_t>(std::floor(at.x() + 0.5)),
        static_cast<std::int64_t>(std::floor(at.y() + 0.5)), colour);
}

void PixelWriter::Line(QPointF from, QPointF to, QRgb colour, PixelPen pen)
{
    if (from == to) {
        Dot(from, colour);
        return;
    }
    // Along: the longer axis, one pixel per column of it; across: the other one.
    const bool alongX = std::abs(to.x() - from.x()) >= std::abs(to.y() - from.y());
    const auto along = [alongX](QPointF p) { return alongX ? p.x() : p.y(); };
    const auto across = [alongX](QPointF p) { return alongX ? p.y() : p.x(); };
    const double slope = (across(to) - across(from)) / (along(to) - along(from));
    const QPointF low = along(from) <= along(to) ? from : to;
    const double sampledAt = slope > 0.0 ? 0.5 : 0.0;

    const auto first = static_cast<std::int64_t>(std::floor(along(from)));
    const auto last = static_cast<std::int64_t>(std::floor(along(to)));
    const std::int64_t direction = last >= first ? 1 : -1;
    const std::int64_t stride = pen == PixelPen::Dotted ? 2 : 1;
    const double acrossAtFirst
        = across(low) + (static_cast<double>(first) + sampledAt - along(low)) * slope;
    std::int64_t crossing = static_cast<std::int64_t>(std::floor(acrossAtFirst * FixedOne));
    const auto crossingStep
        = static_cast<std::int64_t>(std::llround(slope * FixedOne)) * direction * stride;
    const std::int64_t columnStep = direction * stride;
    const std::int64_t count = std::abs(last - first) / stride + 1;
    std::int64_t column = first;
    for (std::int64_t k = 0; k < count; ++k) {
        const std::int64_t cross = crossing >> FractionBits;
        if (alongX)
            Set(column, cross, colour);
        else
            Set(cross, column, colour);
        column += columnStep;
        crossing += crossingStep;
    }
}
