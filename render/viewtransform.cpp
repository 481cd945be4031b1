#include "render/viewtransform.h"

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
    const double scaleX = view.ViewWidth / maxX;
    if (maxX == 0.0 || !std::isfinite(scaleX))
        return false;
    view.ScaleX = scaleX;
    view.ScaleY = view.ViewHeight / view.MaxY;
    return true;
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
