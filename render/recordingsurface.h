#pragma once

#include "render/drawingsurface.h"

#include <vector>

enum class CallKind { Cls, Circle, Line };

// One operation as it reached the back end, with the style in force when it was made.
// A Line keeps its ends in X1, Y1 and X2, Y2; a Circle its centre in X1, Y1 and its radius.
struct SurfaceCall {
    CallKind Kind = CallKind::Cls;
    float X1 = 0.0f;
    float Y1 = 0.0f;
    float X2 = 0.0f;
    float Y2 = 0.0f;
    float Radius = 0.0f;
    Colour Ink = Colours::Black; // a Circle's outline or a Line's colour (ForeColor when none was given)
    int DrawStyle = DrawStyles::Solid;
    Colour FillColor = Colours::Black;
    int FillStyle = FillStyles::Solid;
    int DrawWidth = 1;

    bool operator==(const SurfaceCall&) const = default;
};

// Keeps every call that passed the surface's checks, in order, for tests to read back.
// Cls is recorded like any other call and forgets nothing.
class RecordingSurface : public DrawingSurface {
public:
    explicit RecordingSurface(
        float widthTwips = LaidOutSurfaceWidth, float heightTwips = LaidOutSurfaceHeight);

    void SetSize(float widthTwips, float heightTwips) { StoreSize(widthTwips, heightTwips); }
    const std::vector<SurfaceCall>& Calls() const { return m_calls; }

protected:
    void DoCls() override;
    void DoCircle(float x, float y, float radius, Colour colour) override;
    void DoLine(float x1, float y1, float x2, float y2, Colour colour) override;

private:
    void Record(SurfaceCall call);

    std::vector<SurfaceCall> m_calls;
};
