// Times DrawScene on the window's image surface (the default 8295 x 3495 twips) for a
// 1,000,000-vertex profile, from the call until the picture is complete, against a baseline
// measured in the same run: the same picture painted the plain way, one QPainter call per dot,
// segment and sight line. Prints the best and the median time of each case and whether it
// meets its target.
//
//   build/bin/bench_draw [repetitions]
#include "benchsupport.h"
#include "render/drawscene.h"
#include "render/imagesurface.h"
#include "render/val.h"
#include "render/viewtransform.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

Timing Milliseconds(int repetitions, const std::function<void()>& run)
{
    const Timing seconds = SecondsOfRuns(repetitions, run);
    return {seconds.Best * 1e3, seconds.Median * 1e3};
}

// A rugged range: a random walk in height over evenly spaced X, already ordered.
std::unique_ptr<SceneState> Range()
{
    auto scene = std::make_unique<SceneState>();
    std::mt19937_64 random(7);
    std::normal_distribution<double> slope(0.0, 1.0);
    double height = 500.0;
    for (std::int32_t k = 1; k <= MaxPoints; ++k) {
        height = std::max(0.0, height + slope(random));
        scene->Points(k) = {static_cast<double>(k), height};
        scene->MaxY = std::max(scene->MaxY, height);
    }
    scene->PointCount = MaxPoints;
    scene->MaxX = MaxPoints;
    scene->MountainMaxY = scene->MaxY;
    scene->Tower = {MaxPoints / 2.0, scene->MaxY * 1.1};
    scene->Island = {MaxPoints / 3.0, scene->MaxY * 1.2};
    scene->ViewWidth = 8295 - 120;
    scene->ViewHeight = 3495 - 120;
    scene->HaveData = true;
    return scene;
}

QPointF Pixels(const SceneState& scene, PointD p)
{
    const PointD twips = ToScreen(scene, p);
    return {twips.X / 15.0, twips.Y / 15.0};
}

QPen Pen(Qt::GlobalColor colour, Qt::PenStyle style)
{
    QPen pen(colour, 0, style);
    pen.setCosmetic(true);
    return pen;
}

// The same picture, each primitive handed to QPainter as it comes.
void PlainPainter(SceneState& scene, QImage& image, const DrawInputs& inputs)
{
    QPainter painter(&image);
    painter.fillRect(image.rect(), Qt::white);
    SetScales(scene);
    const std::int32_t limit = std::min(RoundToInt32(Val(inputs.MaxPointText)), scene.PointCount);
    const std::int32_t step = RoundToInt32(static_cast<double>(scene.PointCount) / limit);
    QPointF previous;
    for (std::int32_t i = 1; i <= scene.PointCount; i += step) {
        const QPointF p = Pixels(scene, scene.Points(i));
        painter.setPen(Pen(Qt::black, Qt::SolidLine));
        painter.drawPoint(p);
        if (i > 1)
            painter.drawLine(previous, p);
        previous = p;
    }
    const std::pair<int, std::pair<PointD, Qt::GlobalColor>> sights[] = {
        {inputs.Line1Value, {scene.Tower, Qt::blue}}, {inputs.Line2Value, {scene.Island, Qt::red}}};
    for (const auto& [value, from] : sights) {
        if (value != 1)
            continue;
        painter.setPen(Pen(from.second, Qt::DotLine));
        const QPointF origin = Pixels(scene, from.first);
        for (std::int32_t i = 1; i <= scene.PointCount; i += step)
            painter.drawLine(origin, Pixels(scene, scene.Points(i)));
    }
    if (scene.ShowTower) {
        for (const auto& [value, from] : sights) {
            painter.setPen(Pen(from.second, Qt::SolidLine));
            painter.setBrush(from.second);
            painter.drawEllipse(Pixels(scene, from.first), 4.0, 4.0);
        }
    }
}

// Returns whether the median meets the target.
bool Report(const char* title, SceneState& scene, const DrawInputs& inputs, int repetitions,
            double targetMilliseconds)
{
    ImageSurface surface;
    QImage plain(surface.Image().size(), QImage::Format_RGB32);
    const Timing drawn = Milliseconds(repetitions, [&] {
        DrawScene(scene, surface, inputs);
        surface.Image();
    });
    const Timing baseline = Milliseconds(repetitions, [&] { PlainPainter(scene, plain, inputs); });
    const bool met = drawn.Median <= targetMilliseconds;
    std::printf("%s\n", title);
    std::printf("  DrawScene on ImageSurface %9.3f ms median, %9.3f ms best", drawn.Median, drawn.Best);
    std::printf("   target <= %g ms: %s\n", targetMilliseconds, met ? "met" : "NOT met");
    std::printf("  plain QPainter calls      %9.3f ms median, %9.3f ms best\n", baseline.Median,
                baseline.Best);
    std::printf("  DrawScene / plain         %9.3f (medians)\n", drawn.Median / baseline.Median);
    return met;
}

} // namespace

int main(int argc, char* argv[])
{
    const int repetitions = Repetitions(argc, argv, 5);
    auto scene = Range();
    std::printf("1,000,000 vertices on 8295 x 3495 twips, %d runs each\n", repetitions);
    bool met = Report("(a) text \"200\"", *scene, {"200", 0, 0}, repetitions, 2.0);
    scene->ShowTower = true;
    met &= Report("(b) text \"1000000\", both sight lines, markers", *scene, {"1000000", 1, 1},
                  repetitions, 100.0);
    std::printf("targets %s\n", met ? "met" : "NOT met");
    return 0;
}
