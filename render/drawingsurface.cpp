#include "render/drawingsurface.h"

#include <cmath>
#include <optional>

namespace {

// Crossings land on the box's edge only up to rounding; accept them this close to it.
constexpr double EdgeTolerance = 0.5;

template <typename Real>
using Point = TwipsPoint<Real>;

// Where the segment a-b crosses the line `coordinate(p) == edge`, where one end lies on
// each side. The crossing is interpolated from the end nearer the edge: a far end (1e30)
// then enters only through the direction, which the subtraction keeps to double precision,
// instead of cancelling its own magnitude away.
template <typename Real>
Point<Real> Crossing(
    Point<Real> a, Point<Real> b, Real edge, Real Point<Real>::*along, Real Point<Real>::*across)
{
    const Point<Real>& near = std::abs(a.*along - edge) <= std::abs(b.*along - edge) ? a : b;
    const Real t = (edge - near.*along) / (b.*along - a.*along);
    Point<Real> crossing{};
    crossing.*along = edge;
    crossing.*across = near.*across + t * (b.*across - a.*across);
    return crossing;
}

template <typename Real>
bool WithinEdges(Real value, Real low, Real high)
{
    return value >= low - EdgeTolerance && value <= high + EdgeTolerance;
}

// The point where the segment a-b enters the box on the side of `end` (one of a, b, lying
// outside the box); empty when the segment passes the box by.
template <typename Real>
std::optional<Point<Real>> EntryFrom(
    const TwipsBox<Real>& box, Point<Real> a, Point<Real> b, Point<Real> end)
{
    if (end.X < box.Left || end.X > box.Right) {
        const Point<Real> p = Crossing(
            a, b, end.X < box.Left ? box.Left : box.Right, &Point<Real>::X, &Point<Real>::Y);
        if (WithinEdges(p.Y, box.Top, box.Bottom))
            return p;
    }
    if (end.Y < box.Top || end.Y > box.Bottom) {
        const Point<Real> p = Crossing(
            a, b, end.Y < box.Top ? box.Top : box.Bottom, &Point<Real>::Y, &Point<Real>::X);
        if (WithinEdges(p.X, box.Left, box.Right))
            return p;
    }
    return std::nullopt;
}

template <typename Real>
bool BothBeyondOneEdge(const TwipsBox<Real>& box, Point<Real> a, Point<Real> b)
{
    return (a.X < box.Left && b.X < box.Left) || (a.X > box.Right && b.X > box.Right)
        || (a.Y < box.Top && b.Y < box.Top) || (a.Y > box.Bottom && b.Y > box.Bottom);
}

bool Finite(float value)
{
    return std::isfinite(value);
}

} // namespace

// The surface grown by Margin on every side: far enough out that a clipped end is never seen
// and a one-pixel pen never shows the cut, near enough that a back end only ever meets
// coordinates of the order of the surface's own size.
ClipArea::ClipArea(float widthTwips, float heightTwips)
    : m_left(-Margin)
    , m_top(-Margin)
    , m_right(widthTwips + Margin)
    , m_bottom(heightTwips + Margin)
{
}

template <typename Real>
std::optional<TwipsSegment<Real>> ClipSegment(
    const TwipsBox<Real>& box, TwipsPoint<Real> a, TwipsPoint<Real> b)
{
    if (!std::isfinite(a.X) || !std::isfinite(a.Y) || !std::isfinite(b.X) || !std::isfinite(b.Y))
        return std::nullopt;
    if (BothBeyondOneEdge(box, a, b))
        return std::nullopt;
    // An end inside the box is handed on exactly as given; only an outside end moves, along
    // the segment, never one coordinate at a time.
    TwipsSegment<Real> part{a, b};
    if (!box.Contains(a)) {
        const auto entry = EntryFrom(box, a, b, a);
        if (!entry)
            return std::nullopt;
        part.From = *entry;
    }
    if (!box.Contains(b)) {
        const auto entry = EntryFrom(box, a, b, b);
        if (!entry)
            return std::nullopt;
        part.To = *entry;
    }
    return part;
}

template std::optional<TwipsSegment<double>> ClipSegment(
    const TwipsBox<double>&, TwipsPoint<double>, TwipsPoint<double>);
template std::optional<TwipsSegment<long double>> ClipSegment(
    const TwipsBox<long double>&, TwipsPoint<long double>, TwipsPoint<long double>);

std::optional<SurfaceSegment> ClipArea::ClippedLine(float x1, float y1, float x2, float y2) const
{
    const auto part = ClipSegment<double>({m_left, m_top, m_right, m_bottom}, {x1, y1}, {x2, y2});
    if (!part)
        return std::nullopt;
    return SurfaceSegment{{static_cast<float>(part->From.X), static_cast<float>(part->From.Y)},
                          {static_cast<float>(part->To.X), static_cast<float>(part->To.Y)}};
}

DrawingSurface::DrawingSurface(float widthTwips, float heightTwips)
{
    StoreSize(widthTwips, heightTwips);
}

void DrawingSurface::StoreSize(float widthTwips, float heightTwips)
{
    // A size that is no size at all leaves a zero box: lines and circles at its corner only.
    m_width = Finite(widthTwips) && widthTwips > 0 ? widthTwips : 0.0f;
    m_height = Finite(heightTwips) && heightTwips > 0 ? heightTwips : 0.0f;
}

void DrawingSurface::Cls()
{
    DoCls();
}

void DrawingSurface::Circle(float x, float y, float radius, Colour colour)
{
    if (Area().ShowsCircle(x, y, radius))
        DoCircle(x, y, radius, colour);
}

void DrawingSurface::Line(float x1, float y1, float x2, float y2)
{
    Line(x1, y1, x2, y2, ForeColor());
}

void DrawingSurface::Line(float x1, float y1, float x2, float y2, Colour colour)
{
    if (const auto segment = Area().Line(x1, y1, x2, y2))
        DoLine(segment->From.X, segment->From.Y, segment->To.X, segment->To.Y, colour);
}

void DrawingSurface::Polyline(const SurfacePoints& points, float dotRadius, Colour dotColour)
{
    if (points && !points->empty())
        DoPolyline(points, dotRadius, dotColour);
}

void DrawingSurface::Fan(float x, float y, const SurfacePoints& points, Colour colour)
{
    if (points && !points->empty())
        DoFan(x, y, points, colour);
}

void DrawingSurface::DoPolyline(const SurfacePoints& points, float dotRadius, Colour dotColour)
{
    const SurfacePoint* previous = nullptr;
    for (const SurfacePoint& p : *points) {
        Circle(p.X, p.Y, dotRadius, dotColour);
        if (previous)
            Line(previous->X, previous->Y, p.X, p.Y);
        previous = &p;
    }
}

void DrawingSurface::DoFan(float x, float y, const SurfacePoints& points, Colour colour)
{
    for (const SurfacePoint& p : *points)
        Line(x, y, p.X, p.Y, colour);
}
