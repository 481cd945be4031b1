#pragma once

#include "render/pixelwriter.h"

#include <QPointF>

#include <cstdint>
#include <memory>
#include <optional>

// A byte mask of width x height (row after row, no padding) that the writers below set to a
// value standing for a colour, at the very pixels PixelWriter would set in an image of that
// size. Each line is cut to the steps inside the mask once, so its pixels are written without
// a test. Keeps the band of rows written to.
class MaskTarget {
public:
    // Rows Top..Bottom hold every byte written so far; Top > Bottom when none are.
    int Top() const { return m_top; }
    int Bottom() const { return m_bottom; }

protected:
    MaskTarget(std::uint8_t* mask, int width, int height);

    // The byte of the dot, or nothing when it falls outside; its row counts as written.
    std::optional<std::int64_t> DotByte(QPointF at)
    {
        const PixelPosition pixel = DotPixel(at);
        if (static_cast<std::uint64_t>(pixel.X) >= static_cast<std::uint64_t>(m_width)
            || static_cast<std::uint64_t>(pixel.Y) >= static_cast<std::uint64_t>(m_height))
            return std::nullopt;
        Touch(pixel.Y);
        return pixel.Y * m_width + pixel.X;
    }
    // The steps of a line that lie inside the mask; their rows count as written.
    LineSteps::Range Visible(const LineSteps& steps)
    {
        const LineSteps::Range range = steps.Within(m_width, m_height);
        if (range.Begin < range.End) {
            const auto across = [&](std::int64_t k) {
                return (steps.Crossing + k * steps.CrossingStep) >> LineSteps::FractionBits;
            };
            const auto along = [&](std::int64_t k) { return steps.First + k * steps.AlongStep; };
            // Both coordinates move monotonically, so the two ends hold the extreme rows.
            Touch(steps.AlongX ? across(range.Begin) : along(range.Begin));
            Touch(steps.AlongX ? across(range.End - 1) : along(range.End - 1));
        }
        return range;
    }
    // The byte of the pixel at `along` on a line's longer axis and 0 on the other one.
    std::int64_t StartByte(bool alongX, std::int64_t along) const
    {
        return alongX ? along : along * m_width;
    }
    std::int64_t ByteStep(bool alongX, std::int64_t alongStep) const
    {
        return alongX ? alongStep : alongStep * m_width;
    }
    std::int64_t CrossingScale(bool alongX) const { return alongX ? m_width : 1; }

    std::uint8_t* const m_mask;
    const int m_width;
    const int m_height;

private:
    void Touch(std::int64_t row)
    {
        m_top = std::min(m_top, static_cast<int>(row));
        m_bottom = std::max(m_bottom, static_cast<int>(row));
    }

    int m_top;
    int m_bottom = -1;
};

// Writes marks in the order given, so a later one covers an earlier one.
class MaskWriter : public MaskTarget {
public:
    MaskWriter(std::uint8_t* mask, int width, int height);

    void Dot(QPointF at, std::uint8_t value);
    void Line(QPointF from, QPointF to, std::uint8_t value, PixelPen pen);
};

// Writes marks that all carry one value, so their order cannot show: for the many lines of a
// fan, which cover the same pixels many times over. Lines are gathered a few thousand at a
// time and bundled: the same first pixel along the same axis in the same direction, nearly the
// same slope. For each step of a bundle, the lowest and the highest fixed-point position any
// of its lines can have there are known from its least and greatest start and slope; where
// both fall in one pixel, every line of the bundle that reaches that step sets that pixel, and
// the pixel is set once. Only the other steps are taken line by line.
class BundlingMaskWriter : public MaskTarget {
    // Defined with the writer's code, which alone uses them.
    struct Member;
    struct BundleKey;
    struct BundleBounds;
    struct Bundle;
    class BundleTable;

public:
    // The room a writer gathers its lines in, allocated once and lent to writer after writer.
    // It is filled from the front, so a flush touches little more than the lines it writes.
    class Room {
    public:
        Room();
        ~Room();

    private:
        friend class BundlingMaskWriter;
        std::unique_ptr<Member[]> Members;
        std::unique_ptr<Bundle[]> Bundles;
        std::unique_ptr<BundleTable> Table; // empty again after every Flush
    };

    BundlingMaskWriter(std::uint8_t* mask, int width, int height, std::uint8_t value, Room& room);
    // Writes what is still gathered.
    ~BundlingMaskWriter();
    BundlingMaskWriter(const BundlingMaskWriter&) = delete;
    BundlingMaskWriter& operator=(const BundlingMaskWriter&) = delete;

    void Dot(QPointF at);
    void Line(QPointF from, QPointF to, PixelPen pen);
    void Flush();

private:
    static constexpr std::size_t Capacity = 8192; // lines gathered before a Flush

    void Write(const Bundle& bundle);

    const std::uint8_t m_value;
    // Lines whose slopes times 2^32 agree above this bit share a bundle: their positions
    // drift apart by less than a quarter pixel across the mask.
    const int m_slopeShift;
    Member* const m_members;
    Bundle* const m_bundles;
    BundleTable& m_table;
    std::size_t m_memberCount = 0;
    std::size_t m_bundleCount = 0;
};
