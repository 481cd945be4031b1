#include "render/drawscene.h"
#include "render/failuremarks.h"
#include "render/recordingsurface.h"
#include "render/val.h"
#include "render/viewtransform.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <ranges>

namespace {

struct Scene {
    std::unique_ptr<LoadedProfile> profile;
    SceneView view;
};

// A profile 1..count along X, heights cycling 0..6, drawn on the default surface size.
Scene Profile(int count)
{
    Scene scene { std::make_unique<LoadedProfile>(), {} };
    LoadedProfile& profile = *scene.profile;
    for (int k = 1; k <= count; ++k) {
        profile.Points(k) = {static_cast<double>(k), static_cast<double>(k % 7)};
        profile.Extents.Include(profile.Points(k));
    }
    profile.PointCount = count;
    // Both a little above the top edge, as after the tower view with a tower above the peaks.
    profile.Tower = {count / 2.0, profile.Extents.MaxY * 1.1};
    profile.Island = {count / 3.0, profile.Extents.MaxY * 1.2};
    FitHeight(scene.view, profile);
    scene.view.ViewWidth = 8295 - 120;
    scene.view.ViewHeight = 3495 - 120;
    return scene;
}

// The options the window gives for a sample bound's text and its check boxes' states (0
// unticked, 1 ticked, 2 neither, which draws no sight lines).
DrawOptions Options(const QString& text, int line1, int line2)
{
    return { RoundToInt32(Val(text.toStdString())), line1 == 1, line2 == 1 };
}

DrawOutcome Draw(Scene& scene, DrawingSurface& surface, const DrawOptions& options)
{
    return DrawScene(scene.profile.get(), scene.view, surface, options);
}

// Each call as a word: what it is for in the scene, or "?" when its colour, style or fill is
// not what that item is drawn with.
QString Word(const SurfaceCall& call)
{
    const bool solid = call.DrawStyle == DrawStyles::Solid;
    const bool dotted = call.DrawStyle == DrawStyles::Dotted;
    switch (call.Kind) {
    case CallKind::Cls:
        return "cls";
    case CallKind::Circle:
        if (call.Ink == Colours::Black && call.FillColor == Colours::Black && solid)
            return "dot";
        if (call.Radius == 60 && call.Ink == call.FillColor && solid)
            return call.Ink == Colours::Blue ? "tower" : call.Ink == Colours::Red ? "island" : "?";
        return "?";
    case CallKind::Line:
        if (call.Ink == Colours::WindowText && solid)
            return "seg";
        if (call.Ink == Colours::Blue && dotted)
            return "blue";
        if (call.Ink == Colours::Red && dotted)
            return "red";
        return "?";
    }
    return "?";
}

QString Words(const RecordingSurface& surface)
{
    QStringList words;
    for (const SurfaceCall& call : surface.Calls())
        words << Word(call);
    return words.join(' ');
}

// The vertex indices of the dots, read back from their X (vertex k lies at X = k), checking
// on the way that every segment joins the two dots before it.
std::vector<int> DotIndices(const SceneView& view, const std::vector<SurfaceCall>& calls)
{
    std::vector<int> indices;
    const SurfaceCall* previousDot = nullptr;
    const SurfaceCall* lastDot = nullptr;
    for (const SurfaceCall& call : calls) {
        if (call.Kind == CallKind::Circle && call.Radius != 60) {
            indices.push_back(static_cast<int>(std::lround(call.X1 / view.ScaleX)));
            previousDot = std::exchange(lastDot, &call);
        } else if (call.Kind == CallKind::Line && call.Ink == Colours::WindowText) {
            const bool joins = previousDot && call.X1 == previousDot->X1 && call.Y1 == previousDot->Y1
                && call.X2 == lastDot->X1 && call.Y2 == lastDot->Y1;
            if (!joins)
                return {-1};
        }
    }
    return indices;
}

long long CountOf(const RecordingSurface& surface, CallKind kind, Colour ink)
{
    return std::count_if(surface.Calls().begin(), surface.Calls().end(),
                         [&](const SurfaceCall& c) { return c.Kind == kind && c.Ink == ink; });
}

} // namespace

class TestDrawScene : public QObject {
    Q_OBJECT

private slots:
    void samplesEveryStepthVertex_data();
    void samplesEveryStepthVertex();
    void drawsItemsInOrder_data();
    void drawsItemsInOrder();
    void notLoaded_touchesNothing();
    void noPositiveX_clearsOnly();
    void tinyMaxX_clearsOnly();
    void farTower_sightLinesKeepTheirDirection_data();
    void farTower_sightLinesKeepTheirDirection();
    void farVertex_segmentKeepsItsDirection();
    void countBeyondStorage_throwsWithStylesReset();
    void zoomWindow_drawsTheVerticesInView_data();
    void zoomWindow_drawsTheVerticesInView();
    void deepZoom_linesCrossTheAreaWhereTheirDataDoes_data();
    void deepZoom_linesCrossTheAreaWhereTheirDataDoes();
};

void TestDrawScene::samplesEveryStepthVertex_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("dots");
    QTest::addColumn<float>("radius");
    QTest::newRow("1000 with 200") << 1000 << "200" << 1 << 5 << 200 << 0.0f;
    QTest::newRow("700 with 200: 3.5 gives 4") << 700 << "200" << 1 << 4 << 175 << 0.0f;
    QTest::newRow("500 with 200: 2.5 gives 2") << 500 << "200" << 1 << 2 << 250 << 15.0f;
    QTest::newRow("50 with 200") << 50 << "200" << 1 << 1 << 50 << 30.0f;
    QTest::newRow("600 with 600") << 600 << "600" << 1 << 1 << 600 << 0.0f;
    QTest::newRow("1000 with 400") << 1000 << "400" << 1 << 2 << 500 << 0.0f;
    QTest::newRow("1000 with empty text") << 1000 << "" << 1 << 1000 << 1 << 0.0f;
    QTest::newRow("1000 with 0.4") << 1000 << "0.4" << 1 << 1000 << 1 << 0.0f;
    QTest::newRow("20 with 1e3") << 20 << "1e3" << 1 << 20 << 1 << 45.0f;
    QTest::newRow("1000 with -5") << 1000 << "-5" << 0 << 0 << 0 << 0.0f;
    QTest::newRow("1 with -1") << 1 << "-1" << 1 << 1 << 1 << 45.0f;
    QTest::newRow("1000 with -2000: step 0") << 1000 << "-2000" << 0 << 0 << 0 << 0.0f;
    QTest::newRow("1000 beyond 32 bits") << 1000 << "99999999999" << 1 << 1 << 1000 << 0.0f;
    QTest::newRow("1000 beyond -32 bits") << 1000 << "-99999999999" << 0 << 0 << 0 << 0.0f;
}

void TestDrawScene::samplesEveryStepthVertex()
{
    QFETCH(int, count);
    QFETCH(QString, text);
    QFETCH(int, first);
    QFETCH(int, step);
    QFETCH(int, dots);
    QFETCH(float, radius);
    auto scene = Profile(count);
    RecordingSurface surface;
    QCOMPARE(Draw(scene, surface, Options(text, 1, 0)), DrawOutcome::Drawn);
    std::vector<int> expected;
    for (int k = 0; k < dots; ++k)
        expected.push_back(first + k * step);
    QCOMPARE(DotIndices(scene.view, surface.Calls()), expected);
    QCOMPARE(CountOf(surface, CallKind::Line, Colours::WindowText), std::max(dots - 1, 0));
    QCOMPARE(CountOf(surface, CallKind::Line, Colours::Blue), dots);
    for (const SurfaceCall& call : surface.Calls())
        if (call.Kind == CallKind::Circle)
            QCOMPARE(call.Radius, radius);
}

void TestDrawScene::drawsItemsInOrder_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("line1");
    QTest::addColumn<int>("line2");
    QTest::addColumn<bool>("showTower");
    QTest::addColumn<double>("towerY");
    QTest::addColumn<double>("firstX");
    QTest::addColumn<QString>("words");
    const QString profile = "cls dot dot seg dot seg";
    QTest::newRow("profile only") << "9" << 0 << 0 << false << 3.3 << 1.0 << profile;
    QTest::newRow("everything") << "9" << 1 << 1 << true << 3.3 << 1.0
                                << profile + " blue blue blue red red red tower island";
    QTest::newRow("tower lines without markers") << "9" << 1 << 0 << false << 3.3 << 1.0
                                                 << profile + " blue blue blue";
    QTest::newRow("greyed boxes draw no lines") << "9" << 2 << 2 << true << 3.3 << 1.0
                                                << profile + " tower island";
    QTest::newRow("-5: markers only") << "-5" << 1 << 1 << true << 3.3 << 1.0 << "cls tower island";
    QTest::newRow("-6: step 0, markers only") << "-6" << 1 << 1 << true << 3.3 << 1.0 << "cls tower island";
    QTest::newRow("tower at 1e308 left out") << "9" << 1 << 1 << true << 1e308 << 1.0
                                             << profile + " red red red island";
    QTest::newRow("vertex at -1e308 left out") << "9" << 1 << 1 << true << 3.3 << -1e308
                                               << "cls dot dot seg blue blue red red tower island";
}

void TestDrawScene::drawsItemsInOrder()
{
    QFETCH(QString, text);
    QFETCH(int, line1);
    QFETCH(int, line2);
    QFETCH(bool, showTower);
    QFETCH(double, towerY);
    QFETCH(double, firstX);
    QFETCH(QString, words);
    auto scene = Profile(3);
    scene.view.ShowTower = showTower;
    scene.profile->Tower.Y = towerY;
    scene.profile->Points(1).X = firstX;
    RecordingSurface surface;
    QCOMPARE(Draw(scene, surface, Options(text, line1, line2)), DrawOutcome::Drawn);
    QCOMPARE(Words(surface), words);
    QCOMPARE(surface.DrawStyle(), DrawStyles::Solid);
    QCOMPARE(surface.FillColor(), Colours::Black);
}

void TestDrawScene::notLoaded_touchesNothing()
{
    auto scene = Profile(10);
    scene.profile.reset();
    scene.view.ScaleX = 3;
    scene.view.ScaleY = 4;
    RecordingSurface surface;
    QCOMPARE(Draw(scene, surface, Options("200", 1, 1)), DrawOutcome::NotLoaded);
    QVERIFY(surface.Calls().empty());
    QCOMPARE(scene.view.ScaleX, 3.0);
    QCOMPARE(scene.view.ScaleY, 4.0);
}

void TestDrawScene::noPositiveX_clearsOnly()
{
    auto scene = Profile(10);
    for (int k = 1; k <= 10; ++k)
        scene.profile->Points(k).X = -k;
    scene.profile->Extents.MaxX = 0;
    scene.view.ShowTower = true;
    RecordingSurface surface;
    // Later redraws (a resize, a check box) meet the same scene and do the same again.
    for (int redraw = 1; redraw <= 2; ++redraw) {
        QCOMPARE(Draw(scene, surface, Options("200", 1, 1)), DrawOutcome::NoPositiveX);
        QCOMPARE(Words(surface), redraw == 1 ? "cls" : "cls cls");
        QCOMPARE(surface.DrawStyle(), DrawStyles::Solid);
        QCOMPARE(surface.FillColor(), Colours::Black);
    }
}

void TestDrawScene::tinyMaxX_clearsOnly()
{
    auto scene = Profile(3);
    for (int k = 1; k <= 3; ++k)
        scene.profile->Points(k).X = k * 1e-310;
    scene.profile->Extents.MaxX = 3e-310;
    RecordingSurface surface;
    QCOMPARE(Draw(scene, surface, Options("200", 1, 1)), DrawOutcome::XTooNarrow);
    QCOMPARE(Words(surface), "cls");
    QCOMPARE(scene.view.ScaleX, 0.0);
}

void TestDrawScene::farTower_sightLinesKeepTheirDirection_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::newRow("far above") << 1.5 << 1e30;
    QTest::newRow("far up right") << 1e30 << 1e30;
    QTest::newRow("far left below") << -1e30 << -1e29;
}

void TestDrawScene::farTower_sightLinesKeepTheirDirection()
{
    QFETCH(double, x);
    QFETCH(double, y);
    auto scene = Profile(3);
    scene.profile->Tower = {x, y};
    scene.view.ShowTower = true;
    RecordingSurface surface;
    Draw(scene, surface, Options("200", 1, 0));
    QCOMPARE(Words(surface), "cls dot dot seg dot seg blue blue blue island");
    const PointD tower = ToScreen(scene.view, scene.profile->Tower);
    for (const SurfaceCall& line : surface.Calls()) {
        if (line.Ink != Colours::Blue)
            continue;
        QVERIFY(std::abs(line.X1) <= 8295 + 1441 && std::abs(line.Y1) <= 3495 + 1441);
        // From the clipped start to the vertex runs exactly as from the tower to the vertex.
        const double ux = line.X2 - tower.X, uy = line.Y2 - tower.Y;
        const double vx = line.X2 - line.X1, vy = line.Y2 - line.Y1;
        QVERIFY(ux * vx + uy * vy > 0);
        QVERIFY(std::abs(ux * vy - uy * vx) / (std::hypot(ux, uy) * std::hypot(vx, vy)) < 1e-6);
    }
}

void TestDrawScene::farVertex_segmentKeepsItsDirection()
{
    auto scene = Profile(3);
    scene.profile->Points(1) = {-1e30, 4};
    RecordingSurface surface;
    Draw(scene, surface, Options("200", 0, 0));
    QCOMPARE(Words(surface), "cls dot seg dot seg");
    const SurfaceCall& segment = surface.Calls()[2];
    QCOMPARE(segment.X1, -DrawingSurface::ClipMargin);
    // Seen from vertex 2, a vertex 1e30 to the left lies level with it, whatever its height;
    // moving the far end onto the edge by itself would tilt the segment towards its height.
    QCOMPARE(segment.Y1, segment.Y2);
}

void TestDrawScene::countBeyondStorage_throwsWithStylesReset()
{
    auto scene = Profile(10);
    scene.profile->PointCount = MaxPoints + 1;
    RecordingSurface surface;
    surface.SetDrawStyle(DrawStyles::Dotted);
    surface.SetFillColor(Colours::Red);
    // A step of 500000 reaches index 1,000,001 on its third vertex.
    QVERIFY_THROWS_EXCEPTION(SubscriptOutOfRange, Draw(scene, surface, Options("2", 0, 0)));
    QCOMPARE(surface.DrawStyle(), DrawStyles::Solid);
    QCOMPARE(surface.FillColor(), Colours::Black);
}

namespace {

std::vector<int> Consecutive(int first, int step, int last)
{
    std::vector<int> indices;
    for (int k = first; k <= last; k += step)
        indices.push_back(k);
    return indices;
}

std::vector<double> Xs(int count)
{
    std::vector<double> xs;
    for (int k = 1; k <= count; ++k)
        xs.push_back(k);
    return xs;
}

} // namespace

void TestDrawScene::zoomWindow_drawsTheVerticesInView_data()
{
    QTest::addColumn<std::vector<double>>("xs");
    QTest::addColumn<double>("x0");
    QTest::addColumn<double>("x1");
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::vector<int>>("indices");
    QTest::newRow("inside one segment") << Xs(10) << 3.2 << 3.7 << "200"
                                        << std::vector{3, 4};
    QTest::newRow("edges on vertices") << Xs(10) << 3.0 << 5.0 << "200"
                                       << std::vector{3, 4, 5};
    const std::vector<double> step{1, 2, 3, 3, 3, 4, 5};
    QTest::newRow("across a vertical step") << step << 2.5 << 3.5 << "200"
                                            << std::vector{2, 3, 4, 5, 6};
    QTest::newRow("a vertical step on the left edge") << step << 3.0 << 3.5 << "200"
                                                      << std::vector{5, 6};
    QTest::newRow("at the left end") << Xs(10) << 0.0 << 2.5 << "200"
                                     << std::vector{1, 2, 3};
    QTest::newRow("at the right end") << Xs(10) << 8.5 << 10.0 << "200"
                                      << std::vector{8, 9, 10};
    const std::vector<double> equal{5, 5, 5, 5};
    // The whole is 0..5, so the wall stands on the right edge: its first vertex ends the line.
    QTest::newRow("all equal x") << equal << 4.0 << 5.0 << "200" << std::vector{1};
    QTest::newRow("all equal x, deepest") << equal << 5.0 << 5.0 << "200" << std::vector{1};
    QTest::newRow("a single vertex in view") << Xs(10) << 4.5 << 5.5 << "200"
                                             << std::vector{4, 5, 6};
    // 502 vertices 100..601 at 200 samples: a step of 3, so the thinning follows the view.
    QTest::newRow("thinned over the sub-range") << Xs(1000) << 100.5 << 600.5 << "200"
                                                << Consecutive(100, 3, 601);
    // 503 vertices 100..602: the stride of 3 ends on 601, so 602 closes the line at the edge.
    std::vector<int> closed = Consecutive(100, 3, 601);
    closed.push_back(602);
    QTest::newRow("thinned, the last vertex closes") << Xs(1000) << 100.5 << 601.5 << "200"
                                                     << closed;
    // All 1000 in the span: stride 5 ends on 996 as on the whole profile, then 1000.
    closed = Consecutive(1, 5, 996);
    closed.push_back(1000);
    QTest::newRow("nearly whole, step 5") << Xs(1000) << 1.5 << 999.5 << "200" << closed;
    QTest::newRow("every vertex once few are in view") << Xs(1000) << 100.5 << 150.5 << "200"
                                                       << Consecutive(100, 1, 151);
    QTest::newRow("no sample count") << Xs(1000) << 100.5 << 150.5 << "-5"
                                     << std::vector<int>{};
    QTest::newRow("the deepest zoom") << Xs(1000) << 500.25 << 500.25 << "200"
                                      << std::vector{500, 501};
}

// The view zoomed to x0..x1 (fitted by ZoomTo, so a zero-width window becomes the deepest
// zoom) takes exactly the expected vertices.
void TestDrawScene::zoomWindow_drawsTheVerticesInView()
{
    QFETCH(std::vector<double>, xs);
    QFETCH(double, x0);
    QFETCH(double, x1);
    QFETCH(QString, text);
    QFETCH(std::vector<int>, indices);
    Scene scene { std::make_unique<LoadedProfile>(), {} };
    LoadedProfile& profile = *scene.profile;
    for (std::size_t k = 0; k < xs.size(); ++k) {
        profile.Points(k + 1) = {xs[k], static_cast<double>(k % 7)};
        profile.Extents.Include(profile.Points(k + 1));
    }
    profile.PointCount = static_cast<std::int32_t>(xs.size());
    profile.Tower = {1, 1};
    FitHeight(scene.view, profile);
    scene.view.ViewWidth = 8295 - 120;
    scene.view.ViewHeight = 3495 - 120;
    scene.view.Visible = ZoomTo({x0, x1, 0, profile.Extents.MaxY},
        WholeRange(scene.view, profile.Extents.MaxX));

    const VertexSampling sampling
        = VisibleSamples(profile, *scene.view.Visible, RoundToInt32(Val(text.toStdString())));
    std::vector<int> sampled;
    for (std::int64_t k = 0; k < sampling.Count; ++k)
        sampled.push_back(static_cast<int>(sampling.First + k * sampling.Step));
    if (sampling.Closing != 0)
        sampled.push_back(static_cast<int>(sampling.Closing));
    QCOMPARE(sampled, indices);

    // The drawing takes those vertices: the dots within the area are exactly theirs.
    RecordingSurface surface;
    QCOMPARE(Draw(scene, surface, Options(text, 1, 0)), DrawOutcome::Drawn);
    const auto inArea = [&](float x) { return 0 <= x && x <= scene.view.ViewWidth; };
    std::vector<std::pair<float, float>> expected;
    for (int index : indices) {
        const PointD at = ToScreen(scene.view, profile.Points(index));
        if (inArea(static_cast<float>(at.X)))
            expected.emplace_back(static_cast<float>(at.X), static_cast<float>(at.Y));
    }
    std::vector<std::pair<float, float>> dots;
    for (const SurfaceCall& call : surface.Calls())
        if (call.Kind == CallKind::Circle && inArea(call.X1))
            dots.emplace_back(call.X1, call.Y1);
    QCOMPARE(dots, expected);
}

void TestDrawScene::deepZoom_linesCrossTheAreaWhereTheirDataDoes_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("left");
    // Powers of two, so that the view's edges and their distances are exact.
    QTest::newRow("1e-6 wide at x = 1") << std::ldexp(1.0, -20) << 1.0;
    QTest::newRow("1e-9 wide at x = 1") << std::ldexp(1.0, -30) << 1.0;
    QTest::newRow("1e-12 wide at x = 1") << std::ldexp(1.0, -40) << 1.0;
    // At the corner, where a double resolves that: the ends lie 1e40 twips out, beyond float.
    QTest::newRow("8e-37 wide at the corner") << std::ldexp(1.0, -120) << std::ldexp(1.0, -120);
}

// The profile, a sight line from the tower, one from the island and a marked slope, all on the
// line y = 2x with every end far outside the view, which that line crosses from the middle of
// its left edge to the middle of its top edge: each stroke drawn must run there too.
void TestDrawScene::deepZoom_linesCrossTheAreaWhereTheirDataDoes()
{
    QFETCH(double, width);
    QFETCH(double, left);
    Scene scene{std::make_unique<LoadedProfile>(), {}};
    LoadedProfile& profile = *scene.profile;
    profile.Points(1) = {0, 0};
    profile.Points(2) = {10, 20};
    profile.PointCount = 2;
    for (const PointD p : {profile.Points(1), profile.Points(2)})
        profile.Extents.Include(p);
    // The tower on the first vertex and the island beyond the second: at the corner, a line
    // through two ends 10 apart that both lie 1e40 twips out would need 130 bits to place.
    profile.Tower = profile.Points(1);
    profile.Island = {20, 40};
    FitHeight(scene.view, profile);
    const double areaWidth = 8295 - 120;
    const double areaHeight = 3495 - 120;
    scene.view.ViewWidth = areaWidth;
    scene.view.ViewHeight = areaHeight;
    scene.view.Visible = DataRange{left, left + width, 2 * left - width, 2 * left + width};
    PlacementMarks tower;
    tower.UnseenSlope = PlacementMarks::Slope{profile.Points(1), profile.Points(2)};
    const FailureMarks marks{tower, std::nullopt};

    RecordingSurface surface;
    QCOMPARE(
        DrawMarkedScene(scene.profile.get(), scene.view, surface, Options("200", 1, 1), &marks),
        DrawOutcome::Drawn);
    // No dot, marker or ring: every point lies far outside.
    QCOMPARE(Words(surface), "cls seg blue red ?");
    QCOMPARE(surface.Calls()[4].Ink, MarkColour);
    for (const SurfaceCall& line : surface.Calls() | std::views::drop(1)) {
        const double slope = (double{line.Y2} - line.Y1) / (double{line.X2} - line.X1);
        const double atLeftEdge = line.Y1 - line.X1 * slope;
        const double atTopEdge = line.X1 - line.Y1 / slope;
        QVERIFY2(std::abs(atLeftEdge - areaHeight / 2) <= 1,
            qPrintable(QString::number(atLeftEdge)));
        QVERIFY2(std::abs(atTopEdge - areaWidth / 2) <= 1, qPrintable(QString::number(atTopEdge)));
    }
}

QTEST_APPLESS_MAIN(TestDrawScene)
#include "tst_drawscene.moc"
