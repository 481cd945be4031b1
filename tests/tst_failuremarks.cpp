#include "app/verdicttext.h"
#include "render/failuremarks.h"
#include "render/recordingsurface.h"

#include <QtTest>

#include <memory>

namespace {

// Two peaks, (2,4) and (6,4), over the valley vertex (4,2). The lowest tower stands at (4,8),
// 6 above the ground, and so does the lowest island. The tower (3.5,8) misses the slope from
// (6,4) to (8,0), whose line reaches 9 there; the island (4,9) sees everything, 1 too high.
std::unique_ptr<LoadedProfile> TwoPeaks()
{
    auto profile = std::make_unique<LoadedProfile>();
    const PointD vertices[] = {{0, 0}, {2, 4}, {4, 2}, {6, 4}, {8, 0}};
    for (const PointD& vertex : vertices) {
        profile->Points(++profile->PointCount) = vertex;
        profile->Extents.Include(vertex);
    }
    profile->Tower = {3.5, 8};
    profile->Island = {4, 9};
    return profile;
}

SurfaceCall Marked(CallKind kind, float x1, float y1, float x2, float y2, float radius,
    Colour ink, int width)
{
    return {.Kind = kind, .X1 = x1, .Y1 = y1, .X2 = x2, .Y2 = y2, .Radius = radius, .Ink = ink,
        .FillStyle = FillStyles::Transparent, .DrawWidth = width};
}

const PlacementMarks SlopeMissed {
    PlacementMarks::Slope{{6, 4}, {8, 0}}, PointD{3.5, 8}, {4, 8}, 2.0};
const PlacementMarks AboveBest {std::nullopt, PointD{4, 9}, {4, 8}, std::nullopt};

} // namespace

Q_DECLARE_METATYPE(DataRange)
Q_DECLARE_METATYPE(FailureMarks)
Q_DECLARE_METATYPE(std::optional<DataRange>)

class TestFailureMarks : public QObject {
    Q_OBJECT

private slots:
    void wrongAnswerIsMarkedOnTopOfTheScene();
    void tooLowTowerRaisesTheMarkedView();
    void problemIsFramed_data();
    void problemIsFramed();
};

// The verdict's marks, drawn after the scene's own calls, which stay as they were: in a view
// of 100 twips a unit, the slope from (6,4) to (8,0) thick and ringed, the tower's best place
// circled with its line down to the ground at (4,2), the island's best place circled.
void TestFailureMarks::wrongAnswerIsMarkedOnTopOfTheScene()
{
    const std::unique_ptr<LoadedProfile> profile = TwoPeaks();
    const std::optional<AnswerVerdict> verdict = JudgeScene(*profile, DefaultTolerance);
    QVERIFY(verdict);
    const FailureMarks marks = MarksOf(*verdict);
    QVERIFY(marks.Tower == SlopeMissed);
    QVERIFY(marks.Island == AboveBest);

    SceneView view;
    view.ViewWidth = 800;
    view.ViewHeight = 800;
    ViewTowerAndIsland(view, profile.get());
    const DrawOptions options {200, true, true};
    RecordingSurface plain;
    QCOMPARE(DrawScene(profile.get(), view, plain, options), DrawOutcome::Drawn);
    RecordingSurface marked;
    QCOMPARE(DrawMarkedScene(profile.get(), view, marked, options, &marks), DrawOutcome::Drawn);

    std::vector<SurfaceCall> expected = plain.Calls();
    const Colour orange = MarkColour;
    expected.insert(expected.end(),
        {
            Marked(CallKind::Line, 600, 400, 800, 800, 0, orange, 3),
            Marked(CallKind::Circle, 600, 400, 0, 0, 150, orange, 2),
            Marked(CallKind::Circle, 800, 800, 0, 0, 150, orange, 2),
            Marked(CallKind::Line, 400, 0, 400, 600, 0, Colours::Blue, 2),
            Marked(CallKind::Circle, 400, 0, 0, 0, 90, Colours::Blue, 2),
            Marked(CallKind::Circle, 400, 0, 0, 0, 120, Colours::Red, 2),
        });
    QVERIFY(marked.Calls() == expected);
    QCOMPARE(marked.DrawWidth(), 1);
    QCOMPARE(marked.FillStyle(), FillStyles::Solid);
}

// A tower at 6 misses the slope from (6,4) to (8,0) and belongs at 8: the marked tower view
// is raised so the circle there lies a ring's radius (150 twips) below the top; unmarked, the
// view keeps the tower's 6.
void TestFailureMarks::tooLowTowerRaisesTheMarkedView()
{
    const std::unique_ptr<LoadedProfile> profile = TwoPeaks();
    profile->Tower = {3.5, 6};
    const FailureMarks marks = MarksOf(*JudgeScene(*profile, DefaultTolerance));
    QVERIFY(marks.Tower && marks.Tower->Best == (PointD {4, 8}));
    SceneView view;
    view.ViewWidth = 800;
    view.ViewHeight = 800;
    ViewTowerAndIsland(view, profile.get());
    RecordingSurface surface;
    QCOMPARE(DrawMarkedScene(profile.get(), view, surface, {}, nullptr), DrawOutcome::Drawn);
    QCOMPARE(view.MaxY, 6.0);
    QCOMPARE(DrawMarkedScene(profile.get(), view, surface, {}, &marks), DrawOutcome::Drawn);
    QCOMPARE(ToScreen(view, {4, 8}).Y, 150.0);
}

void TestFailureMarks::problemIsFramed_data()
{
    QTest::addColumn<FailureMarks>("marks");
    QTest::addColumn<DataRange>("whole");
    QTest::addColumn<DataRange>("framed");
    QTest::addColumn<std::optional<DataRange>>("slopeFramed");
    const DataRange whole {0, 8, 0, 8};
    // The tower's slope and point, 4.5 by 8 with an eighth more on each side, shifted left
    // inside the whole and cut to its height; the island's problem waits.
    QTest::newRow("the tower first: its slope and point")
        << FailureMarks {SlopeMissed, AboveBest} << whole
        << DataRange {2.375, 8, 0, 8} << std::optional(DataRange {5.5, 8, 0, 5});
    // One unit high and no width: as wide as a quarter of its share of the whole height.
    QTest::newRow("the island straight above its best")
        << FailureMarks {std::nullopt, AboveBest} << DataRange {0, 8, 0, 16}
        << DataRange {3.921875, 4.078125, 7.875, 9.125} << std::optional<DataRange>();
    QTest::newRow("a tower that is not finite: its best place and the ground below")
        << FailureMarks {PlacementMarks {std::nullopt, std::nullopt, {4, 8}, 2.0}, std::nullopt}
        << DataRange {0, 8, 0, 16}
        << DataRange {3.53125, 4.46875, 1.25, 8.75} << std::optional<DataRange>();
    QTest::newRow("an island that is not finite: its best place alone")
        << FailureMarks {
               std::nullopt, PlacementMarks {std::nullopt, std::nullopt, {4, 8}, std::nullopt}}
        << DataRange {0, 8, 0, 16}
        << DataRange {3.921875, 4.078125, 7.84375, 8.15625} << std::optional<DataRange>();
    // The island's slope close up, two vertices 2^-20 apart at x 500000, a dot in the problem's
    // frame (the slope and the island, cut to the whole's width): 2^-20 by 4, and a quarter more.
    QTest::newRow("an island's slope 1e-6 wide, far from the island")
        << FailureMarks {std::nullopt,
               PlacementMarks {
                   PlacementMarks::Slope {{500000, 2}, {500000.00000095367431640625, 6}},
                   PointD {10, 10}, {10, 9}, std::nullopt}}
        << DataRange {0, 500001, 0, 16} << DataRange {0, 500001, 1, 11}
        << std::optional(DataRange {
               499999.99999988079071044921875, 500000.00000107288360595703125, 1.5, 6.5});
}

void TestFailureMarks::problemIsFramed()
{
    QFETCH(FailureMarks, marks);
    QFETCH(DataRange, whole);
    QFETCH(DataRange, framed);
    QFETCH(std::optional<DataRange>, slopeFramed);
    QVERIFY(ProblemRange(marks, whole) == std::optional(framed));
    QVERIFY(UnseenSlopeRange(marks, whole) == slopeFramed);
}

QTEST_APPLESS_MAIN(TestFailureMarks)
#include "tst_failuremarks.moc"
