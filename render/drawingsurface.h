#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// Blue in the high byte, red in the low one (0x00BBGGRR). The top bit marks the two window
// colours below, which the back end resolves against its platform's theme.
using Colour = std::uint32_t;

namespace Colours {
inline constexpr Colour Black = 0x000000;
inline constexpr Colour Red = 0x0000FF;
inline constexpr Colour Blue = 0xFF0000;
inline constexpr Colour SystemBit = 0x80000000;
inline constexpr Colour WindowBackground = 0x80000005;
inline constexpr Colour WindowText = 0x80000008;
} // namespace Colours

namespace DrawStyles {
inline constexpr int Solid = 0;
inline constexpr int Dotted = 2;
} // namespace DrawStyles

// Whether a circle's inside is painted in the FillColor or left as it was.
namespace FillStyles {
inline constexpr int Solid = 0;
inline constexpr int Transparent = 1;
} // namespace FillStyles

// A place on a surface in twips, from the top-left corner, y downward.
struct SurfacePoint {
    float X = 0.0f;
    float Y = 0.0f;
};

// Points handed to a batch operation. Shared, so a back end may go on painting from them after
// the call has returned.
using SurfacePoints = std::shared_ptr<const std::vector<SurfacePoint>>;

struct SurfaceSegment {
    SurfacePoint From;
    SurfacePoint To;
};

// A place in twips held in the precision Real, y downward.
template <typename Real>
struct TwipsPoint {
    Real X = 0;
    Real Y = 0;
};

template <typename Real>
struct TwipsSegment {
    TwipsPoint<Real> From;
    TwipsPoint<Real> To;
};

// A rectangle of twips, Left <= Right and Top <= Bottom.
template <typename Real>
struct TwipsBox {
    Real Left = 0;
    Real Top = 0;
    Real Right = 0;
    Real Bottom = 0;

    // False for NaN and infinite coordinates too.
    bool Contains(TwipsPoint<Real> p) const
    {
        return p.X >= Left && p.X <= Right && p.Y >= Top && p.Y <= Bottom;
    }
};

// The part of the segment a-b inside `box`, From on a's side: an end inside is kept as given,
// an end outside is moved along the segment onto the box's edge, so the part kept runs in the
// segment's direction however far out the ends lie (1e30 twips, say). Empty when the segment
// misses the box or a coordinate is not finite. For double and long double.
template <typename Real>
std::optional<TwipsSegment<Real>> ClipSegment(
    const TwipsBox<Real>& box, TwipsPoint<Real> a, TwipsPoint<Real> b);

// The checks every drawing call passes (see DrawingSurface) for one surface size, as a value a
// back end may copy and use on any thread. The clip box is the surface grown by Margin on
// every side.
class ClipArea {
public:
    static constexpr float Margin = 1440.0f;

    ClipArea(float widthTwips, float heightTwips);

    // The part of the segment a back end draws, with an end that lies inside the clip box
    // handed on as given; empty when nothing is drawn.
    std::optional<SurfaceSegment> Line(float x1, float y1, float x2, float y2) const
    {
        if (Inside(x1, y1) && Inside(x2, y2))
            return SurfaceSegment{{x1, y1}, {x2, y2}};
        return ClippedLine(x1, y1, x2, y2);
    }
    bool ShowsCircle(float x, float y, float radius) const
    {
        return radius >= 0.0f && radius <= Margin && Inside(x, y);
    }

private:
    // False for NaN and infinite coordinates too.
    bool Inside(float x, float y) const
    {
        return x >= m_left && x <= m_right && y >= m_top && y <= m_bottom;
    }
    std::optional<SurfaceSegment> ClippedLine(float x1, float y1, float x2, float y2) const;

    float m_left;
    float m_top;
    // Summed in single precision, as the surface size is held.
    float m_right;
    float m_bottom;
};

// The window's drawing surface as laid out, in twips: what a surface measures until it is
// resized, and a picture file when its request names no size.
inline constexpr float LaidOutSurfaceWidth = 8295.0f;
inline constexpr float LaidOutSurfaceHeight = 3495.0f;

// The picture box the scene is drawn on. Coordinates and radii are twips from the top-left
// corner, x to the right and y downward.
//
// The public operations check and convert once and hand only safe values to the protected
// hooks a back end implements:
// - a call with a NaN or infinite coordinate or radius draws nothing;
// - a segment is clipped geometrically to ClipMargin twips around the surface, so a back
//   end never sees a coordinate far outside it (one endpoint at 1e30 still gives the
//   visible part in the exact direction); a segment that misses that box draws nothing;
// - a circle is drawn when its radius lies in 0..ClipMargin and its centre inside that box,
//   which covers every circle that can touch the surface up to that radius.
// The batch operations draw what their single calls would, in the same order; a back end may
// draw a batch faster, and later, as long as the picture is the same when it is shown.
// DrawStyle, FillColor and FillStyle start at 0 and DrawWidth at 1, and each keeps whatever it
// is set to; ForeColor and BackColor are the system's window text and window background
// colours, never changed.
class DrawingSurface {
public:
    static constexpr float ClipMargin = ClipArea::Margin;

    virtual ~DrawingSurface() = default;
    DrawingSurface(const DrawingSurface&) = delete;
    DrawingSurface& operator=(const DrawingSurface&) = delete;

    // Paints the entire surface in BackColor, wiping out every earlier mark.
    void Cls();
    // A disc around (x, y): its rim in `colour`, the current DrawStyle and DrawWidth, its
    // inside in the current FillColor unless the FillStyle is Transparent. Radius 0 leaves at
    // most a single pixel.
    void Circle(float x, float y, float radius, Colour colour);
    // A straight stroke between the two points, in ForeColor unless a colour is given, with
    // the current DrawStyle and DrawWidth. Both points may coincide.
    void Line(float x1, float y1, float x2, float y2);
    void Line(float x1, float y1, float x2, float y2, Colour colour);
    // For each point in turn, Circle(point, dotRadius, dotColour) and then, from the second
    // point on, Line(previous point, point): dots joined by strokes, each dot drawn before the
    // stroke that reaches it. A point with a NaN coordinate is thus left out with both strokes
    // that touch it.
    void Polyline(const SurfacePoints& points, float dotRadius, Colour dotColour);
    // Line(x, y, point, colour) for each point in turn.
    void Fan(float x, float y, const SurfacePoints& points, Colour colour);

    // 0 solid, 2 dotted; a back end draws every other value solid.
    int DrawStyle() const { return m_drawStyle; }
    void SetDrawStyle(int style) { m_drawStyle = style; }
    Colour FillColor() const { return m_fillColor; }
    void SetFillColor(Colour colour) { m_fillColor = colour; }
    // 1 leaves a circle's inside as it was; a back end fills for every other value.
    int FillStyle() const { return m_fillStyle; }
    void SetFillStyle(int style) { m_fillStyle = style; }
    // The pen's width in pixels; a back end draws every value below 1 as 1.
    int DrawWidth() const { return m_drawWidth; }
    void SetDrawWidth(int width) { m_drawWidth = width; }
    Colour ForeColor() const { return Colours::WindowText; }
    Colour BackColor() const { return Colours::WindowBackground; }
    // The outer size in twips.
    float Width() const { return m_width; }
    float Height() const { return m_height; }

protected:
    DrawingSurface(float widthTwips, float heightTwips);
    void StoreSize(float widthTwips, float heightTwips);

    virtual void DoCls() = 0;
    // Every value finite, the radius in 0..ClipMargin, the centre within the clip box.
    virtual void DoCircle(float x, float y, float radius, Colour colour) = 0;
    // Every value finite and within the clip box.
    virtual void DoLine(float x1, float y1, float x2, float y2, Colour colour) = 0;
    // Never called with no points. By default they make the batch's single calls one by one;
    // a back end that draws a batch itself must leave the very same picture, passing every
    // element through Area() as the single call would.
    virtual void DoPolyline(const SurfacePoints& points, float dotRadius, Colour dotColour);
    virtual void DoFan(float x, float y, const SurfacePoints& points, Colour colour);

    ClipArea Area() const { return {m_width, m_height}; }

private:
    float m_width = 0.0f;
    float m_height = 0.0f;
    int m_drawStyle = DrawStyles::Solid;
    Colour m_fillColor = Colours::Black;
    int m_fillStyle = FillStyles::Solid;
    int m_drawWidth = 1;
};
