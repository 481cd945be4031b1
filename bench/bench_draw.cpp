// Times DrawScene on the window's image surface (the default 8295 x 3495 twips) for a
// 1,000,000-vertex profile, from the call until the picture is complete, against a baseline
// measured in the same run: the same picture painted the plain way, one QPainter call per dot,
// segment and sight line. The zoomed frames, and the zoom and pan steps of the picture
// (PictureNavigation, then the frame drawn with the range it asks for), are measured against
// the whole-profile frame with the same options instead. Prints the best and the median time
// of each case and whether it meets its target.
//
//   build/bin/bench_draw [repetitions]
#include "benchsupport.h"
#include "render/drawscene.h"
#include "render/imagesurface.h"
#include "render/navigation.h"
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

struct Scene {
    std::unique_ptr<LoadedProfile> profile;
    SceneView view;
};

// A rugged range: a random walk in height over evenly spaced X, already ordered.
Scene Range()
{
    Scene scene { std::make_unique<LoadedProfile>(), {} };
    LoadedProfile& profile = *scene.profile;
    std::mt19937_64 random(7);
    std::normal_distribution<double> slope(0.0, 1.0);
    double height = 500.0;
    for (std::int32_t k = 1; k <= MaxPoints; ++k) {
        height = std::max(0.0, height + slope(random));
        profile.Points(k) = {static_cast<double>(k), height};
        profile.Extents.Include(profile.Points(k));
    }
    profile.PointCount = MaxPoints;
    profile.Tower = {MaxPoints / 2.0, profile.Extents.MaxY * 1.1};
    profile.Island = {MaxPoints / 3.0, profile.Extents.MaxY * 1.2};
    FitHeight(scene.view, profile);
    scene.view.ViewWidth = 8295 - 120;
    scene.view.ViewHeight = 3495 - 120;
    return scene;
}

QPointF Pixels(const SceneView& view, PointD p)
{
    const PointD twips = ToScreen(view, p);
    return {twips.X / 15.0, twips.Y / 15.0};
}

QPen Pen(Qt::GlobalColor colour, Qt::PenStyle style)
{
    QPen pen(colour, 0, style);
    pen.setCosmetic(true);
    return pen;
}

// The same picture, each primitive handed to QPainter as it comes.
void PlainPainter(Scene& scene, QImage& image, const DrawOptions& options)
{
    const LoadedProfile& profile = *scene.profile;
    SceneView& view = scene.view;
    QPainter painter(&image);
    painter.fillRect(image.rect(), Qt::white);
    SetScales(view, profile.Extents.MaxX);
    const std::int32_t limit = std::min(options.SampleCount, profile.PointCount);
    const std::int32_t step = RoundToInt32(static_cast<double>(profile.PointCount) / limit);
    QPointF previous;
    for (std::int32_t i = 1; i <= profile.PointCount; i += step) {
        const QPointF p = Pixels(view, profile.Points(i));
        painter.setPen(Pen(Qt::black, Qt::SolidLine));
        painter.drawPoint(p);
        if (i > 1)
            painter.drawLine(previous, p);
        previous = p;
    }
    const std::pair<bool, std::pair<PointD, Qt::GlobalColor>> sights[]
        = { { options.TowerSightLines, { profile.Tower, Qt::blue } },
              { options.IslandSightLines, { profile.Island, Qt::red } } };
    for (const auto& [drawn, from] : sights) {
        if (!drawn)
            continue;
        painter.setPen(Pen(from.second, Qt::DotLine));
        const QPointF origin = Pixels(view, from.first);
        for (std::int32_t i = 1; i <= profile.PointCount; i += step)
            painter.drawLine(origin, Pixels(view, profile.Points(i)));
    }
    if (view.ShowTower) {
        for (const auto& [drawn, from] : sights) {
            painter.setPen(Pen(from.second, Qt::SolidLine));
            painter.setBrush(from.second);
            painter.drawEllipse(Pixels(view, from.first), 4.0, 4.0);
        }
    }
}

// Returns whether the median meets the target.
bool Report(const char* title, Scene& scene, const DrawOptions& options, int repetitions,
            double targetMilliseconds)
{
    ImageSurface surface;
    QImage plain(surface.Image().size(), QImage::Format_RGB32);
    const Timing drawn = Milliseconds(repetitions, [&] {
        DrawScene(scene.profile.get(), scene.view, surface, options);
        surface.Image();
    });
    const Timing baseline = Milliseconds(repetitions, [&] { PlainPainter(scene, plain, options); });
    const bool met = drawn.Median <= targetMilliseconds;
    std::printf("%s\n", title);
    std::printf("  DrawScene on ImageSurface %9.3f ms median, %9.3f ms best", drawn.Median, drawn.Best);
    std::printf("   target <= %g ms: %s\n", targetMilliseconds, met ? "met" : "NOT met");
    std::printf("  plain QPainter calls      %9.3f ms median, %9.3f ms best\n", baseline.Median,
                baseline.Best);
    std::printf("  DrawScene / plain         %9.3f (medians)\n", drawn.Median / baseline.Median);
    return met;
}

// A zoomed frame against the whole-profile frame with the same options, both by DrawScene.
bool ReportZoom(const char* title, Scene& scene, const DataRange& visible,
                const DrawOptions& options, int repetitions, double targetMilliseconds)
{
    ImageSurface surface;
    const auto frame = [&] {
        DrawScene(scene.profile.get(), scene.view, surface, options);
        surface.Image();
    };
    scene.view.Visible = visible;
    const Timing zoomed = Milliseconds(repetitions, frame);
    scene.view.Visible.reset();
    const Timing whole = Milliseconds(repetitions, frame);
    const bool met = zoomed.Median <= targetMilliseconds;
    std::printf("%s\n", title);
    std::printf("  zoomed frame              %9.3f ms median, %9.3f ms best", zoomed.Median,
                zoomed.Best);
    std::printf("   target <= %g ms: %s\n", targetMilliseconds, met ? "met" : "NOT met");
    std::printf("  whole-profile frame       %9.3f ms median, %9.3f ms best\n", whole.Median,
                whole.Best);
    std::printf("  zoomed / whole            %9.3f (medians)\n", zoomed.Median / whole.Median);
    return met;
}

// One step of the navigation from a zoomed view: the new range asked for, then the frame drawn
// with it, timed together against the whole-profile frame with the same options, both taking
// turns in the same run.
bool ReportStep(const char* title, Scene& scene, const std::optional<DataRange>& start,
                const std::function<NavigationRequest(PictureNavigation&)>& step,
                const DrawOptions& options, int repetitions, double targetMilliseconds)
{
    ImageSurface surface;
    const double maxX = scene.profile->Extents.MaxX;
    PictureNavigation navigation(4);
    bool moved = true;
    const auto frame = [&] {
        // The view as the window leaves it after drawing `start`.
        scene.view.Visible = start;
        SetScales(scene.view, maxX);
        navigation.SetShown(scene.view, maxX);
        const NavigationRequest request = step(navigation);
        moved = moved && request.What == NavigationRequest::Kind::Show;
        scene.view.Visible = request.Visible;
        DrawScene(scene.profile.get(), scene.view, surface, options);
        surface.Image();
    };
    const auto whole = [&] {
        scene.view.Visible.reset();
        DrawScene(scene.profile.get(), scene.view, surface, options);
        surface.Image();
    };
    const std::vector<Timing> seconds = SecondsOfRunsInTurns(repetitions, {frame, whole});
    const Timing stepped{seconds[0].Best * 1e3, seconds[0].Median * 1e3};
    const Timing redrawn{seconds[1].Best * 1e3, seconds[1].Median * 1e3};
    scene.view.Visible.reset();
    const bool met = moved && stepped.Median <= targetMilliseconds;
    std::printf("%s\n", title);
    std::printf("  step + frame              %9.3f ms median, %9.3f ms best", stepped.Median,
                stepped.Best);
    std::printf("   target <= %g ms: %s\n", targetMilliseconds,
                !moved ? "NOT met (the step moved nothing)" : met ? "met" : "NOT met");
    std::printf("  whole-profile frame       %9.3f ms median, %9.3f ms best\n", redrawn.Median,
                redrawn.Best);
    std::printf("  step / whole              %9.3f (medians)\n", stepped.Median / redrawn.Median);
    return met;
}

NavigationRequest WheelIn(PictureNavigation& navigation)
{
    return navigation.Wheel({272, 100}, 120, 0);
}

// A drag of 20 pixels right and 10 down, as one move between its press and release.
NavigationRequest DragStep(PictureNavigation& navigation)
{
    navigation.Press(Qt::LeftButton, {}, {272, 100});
    const NavigationRequest request = navigation.Move({292, 110});
    navigation.Release(Qt::LeftButton, {292, 110});
    return request;
}

} // namespace

int main(int argc, char* argv[])
{
    const int repetitions = Repetitions(argc, argv, 5);
    Scene scene = Range();
    std::printf("1,000,000 vertices on 8295 x 3495 twips, %d runs each\n", repetitions);
    bool met = Report("(a) text \"200\"", scene, {200, false, false}, repetitions, 2.0);
    scene.view.ShowTower = true;
    met &= Report("(b) text \"1000000\", both sight lines, markers", scene, {1000000, true, true},
                  repetitions, 100.0);
    scene.view.ShowTower = false;
    const DataRange whole = WholeRange(scene.view, scene.profile->Extents.MaxX);
    const double middle = MaxPoints / 2.0 + 0.3;
    met &= ReportZoom("(c) text \"200\", the deepest zoom at the middle", scene,
                      ZoomTo({middle, middle, 0, scene.view.MaxY}, whole), {200, false, false},
                      repetitions, 16.0);
    met &= ReportZoom("(d) text \"200\", the middle half in view", scene,
                      ZoomTo({MaxPoints / 4.0, MaxPoints * 0.75, 0, scene.view.MaxY}, whole),
                      {200, false, false}, repetitions, 16.0);
    // Ten vertices across, and half the profile.
    const DataRange deep = ZoomTo({middle - 5, middle + 5, 0, scene.view.MaxY}, whole);
    const DataRange half = ZoomTo({MaxPoints / 4.0, MaxPoints * 0.75, 0, scene.view.MaxY}, whole);
    met &= ReportStep("(e) text \"200\", one wheel notch in, ten vertices in view", scene, deep,
                      WheelIn, {200, false, false}, repetitions, 16.0);
    met &= ReportStep("(f) text \"200\", one drag step, ten vertices in view", scene, deep,
                      DragStep, {200, false, false}, repetitions, 16.0);
    met &= ReportStep("(g) text \"200\", one wheel notch in, half in view", scene, half, WheelIn,
                      {200, false, false}, repetitions, 16.0);
    met &= ReportStep("(h) text \"200\", one drag step, half in view", scene, half, DragStep,
                      {200, false, false}, repetitions, 16.0);
    scene.view.ShowTower = true;
    met &= ReportStep("(i) text \"1000000\", both sight lines, markers: one wheel notch in from "
                      "the whole (800,000 vertices in view)",
                      scene, std::nullopt, WheelIn, {1000000, true, true}, repetitions, 100.0);
    scene.view.ShowTower = false;
    std::printf("targets %s\n", met ? "met" : "NOT met");
    return 0;
}
