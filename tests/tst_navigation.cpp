#include "render/navigation.h"
#include "ui/picturebox.h"

#include <QtTest>

#include <functional>
#include <vector>

namespace {

// One input to the navigation and what it asks for; none for a key it passes on.
using Input = std::function<std::optional<NavigationRequest>(PictureNavigation&)>;

Input Press(Qt::MouseButton button, PointD at, Qt::KeyboardModifiers modifiers = {})
{
    return [=](PictureNavigation& navigation) { return navigation.Press(button, modifiers, at); };
}
Input Move(PointD at) { return [=](PictureNavigation& navigation) { return navigation.Move(at); }; }
Input Release(Qt::MouseButton button, PointD at)
{
    return [=](PictureNavigation& navigation) { return navigation.Release(button, at); };
}
Input DoubleClick(Qt::MouseButton button)
{
    return [=](PictureNavigation& navigation) { return navigation.DoubleClick(button); };
}
Input Wheel(PointD at, int angle, int pixels = 0)
{
    return [=](PictureNavigation& navigation) { return navigation.Wheel(at, angle, pixels); };
}
Input Key(int key, Qt::KeyboardModifiers modifiers = {})
{
    return [=](PictureNavigation& navigation) { return navigation.Key(key, modifiers); };
}

// The whole is 0..1000 by 0..100 on 1000 x 500 pixels: unzoomed, pixel (x, y) shows the data
// point (x, 100 - y / 5).
constexpr double MaxX = 1000;
constexpr double DragDistance = 10;

struct Case {
    const char* Name;
    std::optional<DataRange> Start;
    std::vector<Input> Inputs;
    std::optional<DataRange> End;
    int Shows = 0; // redraws asked for
    int Menus = 0;
    int Unhandled = 0; // keys passed on
    bool NothingShown = false;
};

const DataRange Zoomed{100, 300, 20, 60}; // 5 pixels per unit across, 12.5 up
constexpr Qt::MouseButton Left = Qt::LeftButton;
constexpr Qt::MouseButton Right = Qt::RightButton;

const Case Cases[] = {
    {"wheel in about the cursor", {}, {Wheel({250, 250}, 120)}, DataRange{50, 850, 10, 90}, 1},
    {"wheel out back to the whole", DataRange{50, 850, 10, 90}, {Wheel({250, 250}, -120)}, {}, 1},
    {"two notches", {}, {Wheel({500, 250}, 240)}, DataRange{180, 820, 18, 82}, 1},
    {"touchpad pixels, two notches' worth", {}, {Wheel({500, 250}, 0, 200)},
        DataRange{180, 820, 18, 82}, 1},
    {"drag pans, the grabbed point under the cursor", Zoomed,
        {Press(Left, {500, 250}), Move({550, 250}), Move({600, 200}),
            Release(Left, {600, 200})},
        DataRange{80, 280, 16, 56}, 2},
    {"drag stops at the edge", Zoomed,
        {Press(Left, {500, 250}), Move({1000, 250}), Release(Left, {1000, 250})},
        DataRange{0, 200, 20, 60}, 1},
    {"release away from the last move pans there", Zoomed,
        {Press(Left, {500, 250}), Release(Left, {550, 250})},
        DataRange{90, 290, 20, 60}, 1},
    {"a jiggle is no drag", Zoomed,
        {Press(Left, {500, 250}), Move({505, 254}), Release(Left, {505, 254})},
        Zoomed, 0},
    {"drag on the whole changes nothing", {},
        {Press(Left, {500, 250}), Move({600, 300}), Release(Left, {600, 300})},
        {}, 0},
    {"right-drag rectangle", {},
        {Press(Right, {100, 100}), Move({300, 400}), Release(Right, {300, 400})},
        DataRange{100, 300, 20, 80}, 1},
    {"rectangle, corners the other way", {},
        {Press(Right, {300, 400}), Move({100, 100}), Release(Right, {100, 100})},
        DataRange{100, 300, 20, 80}, 1},
    {"shift-drag rectangle", {},
        {Press(Left, {100, 100}, Qt::ShiftModifier), Move({300, 400}),
            Release(Left, {300, 400})},
        DataRange{100, 300, 20, 80}, 1},
    {"rectangle past the edge fits inside", Zoomed,
        {Press(Right, {-1000, 250}), Release(Right, {500, 500})},
        DataRange{0, 300, 20, 40}, 1},
    {"a flat band keeps the height", {},
        {Press(Right, {100, 250}), Move({400, 252}), Release(Right, {400, 252})},
        DataRange{100, 400, 0, 100}, 1},
    {"a wheel turned a thousand times over zooms out to the whole", Zoomed,
        {Wheel({0, 0}, 0, -400000)}, {}, 1},
    {"right click asks for the menu", Zoomed,
        {Press(Right, {500, 250}), Move({503, 253}), Release(Right, {503, 253})},
        Zoomed, 0, 1},
    {"another button during a drag is ignored", {},
        {Press(Right, {100, 100}), Press(Left, {200, 200}),
            Release(Left, {300, 400}), Release(Right, {300, 400})},
        DataRange{100, 300, 20, 80}, 1},
    {"double-click shows the whole", Zoomed,
        {Press(Left, {5, 5}), Release(Left, {5, 5}),
            DoubleClick(Left), Release(Left, {5, 5})},
        {}, 1},
    {"+ zooms about the centre", {}, {Key(Qt::Key_Plus, Qt::ShiftModifier)},
        DataRange{100, 900, 10, 90}, 1},
    {"- zooms out", DataRange{100, 900, 10, 90}, {Key(Qt::Key_Minus)}, {}, 1},
    {"arrows pan a tenth", Zoomed, {Key(Qt::Key_Right), Key(Qt::Key_Up), Key(Qt::Key_Up)},
        DataRange{120, 320, 28, 68}, 3},
    {"arrows stop at the edge", DataRange{0, 200, 0, 40}, {Key(Qt::Key_Left), Key(Qt::Key_Down)},
        DataRange{0, 200, 0, 40}, 0},
    {"0 shows the whole", Zoomed, {Key(Qt::Key_0)}, {}, 1},
    {"menu keys", Zoomed, {Key(Qt::Key_Menu), Key(Qt::Key_F10, Qt::ShiftModifier)}, Zoomed, 0, 2},
    {"other keys pass on", Zoomed, {Key(Qt::Key_F10), Key(Qt::Key_A), Key(Qt::Key_Tab)}, Zoomed, 0,
        0, 3},
    {"nothing shown: only the menu", {},
        {Wheel({250, 250}, 120), Key(Qt::Key_Plus), Press(Right, {100, 100}),
            Release(Right, {100, 100}), Press(Right, {100, 100}),
            Release(Right, {300, 400})},
        {}, 0, 1, 0, true},
};

QString Text(const std::optional<DataRange>& range)
{
    if (!range)
        return QStringLiteral("whole");
    QStringList edges;
    for (double edge : {range->X0, range->X1, range->Y0, range->Y1})
        edges << QString::number(edge, 'g', 17);
    return edges.join(QLatin1Char(' '));
}

// Vertices 1..4; on the unzoomed view 2 is nearer across to (105, 50) but 3 is nearer on screen.
std::unique_ptr<LoadedProfile> Peaks()
{
    auto peaks = std::make_unique<LoadedProfile>();
    LoadedProfile& profile = *peaks;
    const PointD vertices[] = {{0, 0}, {100, 90}, {130, 50}, {1000, 0}};
    for (std::size_t k = 0; k < std::size(vertices); ++k) {
        profile.Points(k + 1) = vertices[k];
        profile.Extents.Include(vertices[k]);
    }
    profile.PointCount = std::size(vertices);
    return peaks;
}

} // namespace

Q_DECLARE_METATYPE(std::optional<DataRange>)

class TestNavigation : public QObject {
    Q_OBJECT

private slots:
    void inputsGiveExactRanges_data();
    void inputsGiveExactRanges();
    void hoverTextNamesThePointAndTheNearestVertex_data();
    void hoverTextNamesThePointAndTheNearestVertex();
};

void TestNavigation::inputsGiveExactRanges_data()
{
    QTest::addColumn<int>("index");
    for (int k = 0; k < int(std::size(Cases)); ++k)
        QTest::newRow(Cases[k].Name) << k;
}

// Each row's inputs on a view drawn as the window draws it: a Show is taken into the view and
// redrawn (its scales set afresh) before the next input.
void TestNavigation::inputsGiveExactRanges()
{
    QFETCH(int, index);
    const Case& row = Cases[index];
    SceneView view{15000, 7500, 100, false, row.Start};
    PictureNavigation navigation(DragDistance);
    const auto draw = [&] {
        QVERIFY(SetScales(view, MaxX));
        navigation.SetShown(view, MaxX);
    };
    if (!row.NothingShown)
        draw();
    int shows = 0, menus = 0, unhandled = 0;
    for (const Input& input : row.Inputs) {
        const std::optional<NavigationRequest> request = input(navigation);
        if (!request) {
            ++unhandled;
        } else if (request->What == NavigationRequest::Kind::Show) {
            ++shows;
            view.Visible = request->Visible;
            draw();
        } else if (request->What == NavigationRequest::Kind::Menu) {
            ++menus;
        }
    }
    QCOMPARE(Text(view.Visible), Text(row.End));
    QCOMPARE(shows, row.Shows);
    QCOMPARE(menus, row.Menus);
    QCOMPARE(unhandled, row.Unhandled);
    QVERIFY(!navigation.Band());
}

void TestNavigation::hoverTextNamesThePointAndTheNearestVertex_data()
{
    QTest::addColumn<std::optional<DataRange>>("visible");
    QTest::addColumn<QPointF>("pixel");
    QTest::addColumn<QString>("text");
    QTest::newRow("nearer on screen, not across")
        << std::optional<DataRange>() << QPointF(105, 250)
        << "at (105,50)\nnearest vertex 3: (130,50)";
    QTest::newRow("on a vertex") << std::optional<DataRange>() << QPointF(100, 50)
                                 << "at (100,90)\nnearest vertex 2: (100,90)";
    QTest::newRow("right of the last") << std::optional<DataRange>() << QPointF(1010, 500)
                                       << "at (1010,0)\nnearest vertex 4: (1000,0)";
    // No vertex lies within 110..120: the nearest of the two the line runs between.
    QTest::newRow("zoomed between two vertices")
        << std::optional(DataRange{110, 120, 40, 60}) << QPointF(0, 250)
        << "at (110,50)\nnearest vertex 2: (100,90)";
    QTest::newRow("digits of a deep zoom")
        << std::optional(DataRange{100, 101, 40, 60}) << QPointF(333, 250)
        << "at (100.333,50)\nnearest vertex 2: (100,90)";
    QTest::newRow("15 digits hide the last bits")
        << std::optional(DataRange{129.99999999, 130.00000001, 49, 51}) << QPointF(500, 250)
        << "at (130,50)\nnearest vertex 3: (130,50)";
}

void TestNavigation::hoverTextNamesThePointAndTheNearestVertex()
{
    QFETCH(std::optional<DataRange>, visible);
    QFETCH(QPointF, pixel);
    QFETCH(QString, text);
    const auto peaks = Peaks();
    const LoadedProfile& profile = *peaks;
    SceneView view{15000, 7500, 100, false, visible};
    QVERIFY(SetScales(view, profile.Extents.MaxX));
    QCOMPARE(HoverText(profile, view, {pixel.x(), pixel.y()}), text);
}

QTEST_APPLESS_MAIN(TestNavigation)
#include "tst_navigation.moc"
