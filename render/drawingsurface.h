#pragma once

#include <cstdint>

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
// DrawStyle and FillColor start at 0 and keep whatever they are set to; ForeColor and
// BackColor are the system's window text and window background colours, never changed.
class DrawingSurface {
public:
    static constexpr float ClipMargin = 1440.0f;

    virtual ~DrawingSurface() = default;
    DrawingSurface(const DrawingSurface&) = delete;
    DrawingSurface& operator=(const DrawingSurface&) = delete;

    // Paints the entire surface in BackColor, wiping out every earlier mark.
    void Cls();
    // A disc around (x, y): its rim in `colour` and the current DrawStyle, its inside in the
    // current FillColor. Radius 0 leaves at most a single pixel.
    void Circle(float x, float y, float radius, Colour colour);
    // A straight stroke between the two points, in ForeColor unless a colour is given, with
    // the current DrawStyle. Both points may coincide.
    void Line(float x1, float y1, float x2, float y2);
    void Line(float x1, float y1, float x2, float y2, Colour colour);

    // 0 solid, 2 dotted; a back end draws every other value solid.
    int DrawStyle() const { return m_drawStyle; }
    void SetDrawStyle(int style) { m_drawStyle = style; }
    Colour FillColor() const { return m_fillColor; }
    void SetFillColor(Colour colour) { m_fillColor = colour; }
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

private:
    float m_width = 0.0f;
    float m_height = 0.0f;
    int m_drawStyle = DrawStyles::Solid;
    Colour m_fillColor = Colours::Black;
};
