#include "scene/scenestate.h"

#include <string>

SubscriptOutOfRange::SubscriptOutOfRange(std::int64_t index)
    : std::out_of_range("vertex index " + std::to_string(index) + " is outside 1.."
                        + std::to_string(MaxPoints))
{
}

PointArray::PointArray()
    : m_records(new PointD[MaxPoints]())
{
}

void ViewMountainsOnly(SceneState& scene)
{
    scene.MaxY = scene.MountainMaxY;
    scene.ShowTower = false;
}

void ViewTowerAndIsland(SceneState& scene)
{
    if (scene.Tower.Y > scene.MaxY)
        scene.MaxY = scene.Tower.Y;
    scene.ShowTower = true;
}
