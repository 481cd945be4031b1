#include "render/viewtransform.h"

#include <cmath>

double UsableExtent(double surfaceExtent)
{
    const double usable = surfaceExtent - 120;
    return usable > 0 ? usable : 1;
}

bool SetScales(SceneState& scene)
{
    const double scaleX = scene.ViewWidth / scene.MaxX;
    if (scene.MaxX == 0.0 || !std::isfinite(scaleX))
        return false;
    scene.ScaleX = scaleX;
    scene.ScaleY = scene.ViewHeight / scene.MaxY;
    return true;
}

std::int16_t PointRadius(const SceneState& scene)
{
    if (scene.PointCount <= 20)
        return 45;
    if (scene.PointCount <= 100)
        return 30;
    if (scene.PointCount <= 500)
        return 15;
    return 0;
}
