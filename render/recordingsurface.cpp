#include "render/recordingsurface.h"

RecordingSurface::RecordingSurface(float widthTwips, float heightTwips)
    : DrawingSurface(widthTwips, heightTwips)
{
}

void RecordingSurface::DoCls()
{
    Record({.Kind = CallKind::Cls});
}

void RecordingSurface::DoCircle(float x, float y, float radius, Colour colour)
{
    Record({.Kind = CallKind::Circle, .X1 = x, .Y1 = y, .Radius = radius, .Ink = colour});
}

void RecordingSurface::DoLine(float x1, float y1, float x2, float y2, Colour colour)
{
    Record({.Kind = CallKind::Line, .X1 = x1, .Y1 = y1, .X2 = x2, .Y2 = y2, .Ink = colour});
}

void RecordingSurface::Record(SurfaceCall call)
{
    call.DrawStyle = DrawStyle();
    call.FillColor = FillColor();
    call.FillStyle = FillStyle();
    call.DrawWidth = DrawWidth();
    m_calls.push_back(call);
}
