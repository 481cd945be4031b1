#include "render/viewtransform.h"

#include <algorithm>
#include <cmath>

void FitHeight(SceneView& view, const LoadedProfile& profile)
{
    view.MaxY = profile.Extents.MaxY;
}

void ViewMountainsOnly(SceneView& view, const LoadedProfile* profile)
{
    if (profile)
        FitHeight(view, *profile);
    view.ShowTower = false;
}

void ViewTowerAndIsland(SceneView& view, const LoadedProfile* profile)
{
    if (profile && profile->Tower.Y > view.MaxY)
        view.MaxY = profile->Tower.Y;
    view.ShowTower = true;
}

double UsableExtent(double surfaceExtent)
{
    const double usable = surfaceExtent - 120;
    return usable > 0 ? usable : 1;
}

bool SetScales(SceneView& view, double maxX)
{
    const DataRange range = view.Visible.value_or(WholeRange(view, maxX));
    const double width = range.X1 - range.X0;
    const double scaleX = view.ViewWidth / width;
    if (width == 0.0 || !std::isfinite(scaleX))
        return false;
    view.ScaleX = scaleX;
    view.ScaleY = view.ViewHeight / (range.Y1 - range.Y0);
    view.OriginX = range.X0;
    view.OriginY = range.Y0;
    return true;
}

DataRange WholeRange(const SceneView& view, double maxX)
{
    return {0.0, maxX, 0.0, view.MaxY};
}

namespace {

// The narrowest extent kept for an axis from low to high: what a double still tells apart
// there.
double SmallestExtent(double low, double high)
{
    const double magnitude = std::max(std::abs(low), std::abs(high));
    // Near 0 the relative bound vanishes; 1e-300 keeps the twips per unit finite for any area
    // under 1e8 twips, so the drawing still has a scale.
    return std::max(magnitude * 1e-12, 1e-300);
}

// One axis of a range fitted into [wholeLow, wholeHigh]: widened to the smallest extent about
// its centre when too narrow, cut to the whole when too wide, then shifted inside it.
void FitAxis(double& low, double& high, double wholeLow, double wholeHigh)
{
    if (low > high)
        std::swap(low, high);
    const double smallest = SmallestExtent(low, high);
    if (high - low < smallest) {
        const double centre = low + (high - low) / 2;
        low = centre - smallest / 2;
        high = centre + smallest / 2;
    }
    if (high - low >= wholeHigh - wholeLow) {
        low = wholeLow;
        high = wholeHigh;
        return;
    }
    if (low < wholeLow) {
        high += wholeLow - low;
        low = wholeLow;
    }
    if (high > wholeHigh) {
        low -= high - wholeHigh;
        high = wholeHigh;
    }
}

DataRange Fitted(DataRange range, const DataRange& whole)
{
    FitAxis(range.X0, range.X1, whole.X0, whole.X1);
    FitAxis(range.Y0, range.Y1, whole.Y0, whole.Y1);
    return range;
}

} // namespace

DataRange ZoomAround(const DataRange& current, const DataRange& whole, PointD at, double factor)
{
    // Each edge keeps its distance from `at` divided by the factor, so `at` stays in place.
    return Fitted({at.X - (at.X - current.X0) / factor, at.X + (current.X1 - at.X) / factor,
                      at.Y - (at.Y - current.Y0) / factor, at.Y + (current.Y1 - at.Y) / factor},
        whole);
}

DataRange PanBy(const DataRange& current, const DataRange& whole, PointD offset)
{
    const double width = current.X1 - current.X0;
    const double height = current.Y1 - current.Y0;
    // Stop at an edge with the extent unchanged, rather than letting the fit squeeze it.
    const double x0
        = std::clamp(current.X0 + offset.X, whole.X0, std::max(whole.X0, whole.X1 - width));
    const double y0
        = std::clamp(current.Y0 + offset.Y, whole.Y0, std::max(whole.Y0, whole.Y1 - height));
    return Fitted({x0, x0 + width, y0, y0 + height}, whole);
}

DataRange ZoomTo(const DataRange& wanted, const DataRange& whole)
{
    return Fitted(wanted, whole);
}

void ResetZoom(SceneView& view)
{
    view.Visible.reset();
}

std::int16_t PointRadius(std::int32_t pointCount)
{
    if (pointCount <= 20)
        return 45;
    if (pointCount <= 100)
        return 30;
    if (pointCount <= 500)
        return 15;
    return 0;
}
