#include "render/recordingsurface.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

constexpr float Width = 1500.0f;
constexpr float Height = 1200.0f;
constexpr float Margin = DrawingSurface::ClipMargin;
constexpr float Inf = std::numeric_limits<float>::infinity();
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Huge = std::numeric_limits<float>::max();

bool InClipBox(float x, float y)
{
    constexpr float slack = 1.0f;
    return x >= -Margin - slack && x <= Width + Margin + slack && y >= -Margin - slack
        && y <= Height + Margin + slack;
}

// The sine of the angle between the directions a->b and c->d, computed in long double.
long double AngleSine(long double ax, long double ay, long double bx, long double by, long double cx,
                      long double cy, long double dx, long double dy)
{
    const long double ux = bx - ax, uy = by - ay, vx = dx - cx, vy = dy - cy;
    return std::abs(ux * vy - uy * vx) / (std::hypot(ux, uy) * std::hypot(vx, vy));
}

} // namespace

class TestDrawingSurface : public QObject {
    Q_OBJECT

private slots:
    void line_isClippedAlongItself_data();
    void line_isClippedAlongItself();
    void nonFiniteValues_drawNothing_data();
    void nonFiniteValues_drawNothing();
    void circle_onlyWhereItCanShow_data();
    void circle_onlyWhereItCanShow();
    void recordsStyleAndColourInForce();
};

void TestDrawingSurface::line_isClippedAlongItself_data()
{
    QTest::addColumn<float>("x1");
    QTest::addColumn<float>("y1");
    QTest::addColumn<float>("x2");
    QTest::addColumn<float>("y2");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("inside") << 10.0f << 20.0f << 1400.0f << 1100.0f << true;
    QTest::newRow("equal ends") << 10.0f << 20.0f << 10.0f << 20.0f << true;
    QTest::newRow("within the margin") << -1000.0f << 20.0f << 2800.0f << 2500.0f << true;
    QTest::newRow("tower far above") << 700.0f << -1e30f << 300.0f << 900.0f << true;
    QTest::newRow("tower far up right") << 1e30f << -3e29f << 300.0f << 900.0f << true;
    QTest::newRow("vertex far left") << 300.0f << 900.0f << -1e30f << 1e9f << true;
    QTest::newRow("largest float") << Huge << Huge << 0.0f << 0.0f << true;
    QTest::newRow("both far, through") << -1e30f << 600.0f << 1e30f << 600.0f << true;
    QTest::newRow("both far, diagonal") << -1e9f << -1e9f << 1e9f << 1e9f << true;
    QTest::newRow("both far, same side") << -1e30f << 0.0f << -1e9f << 500.0f << false;
    QTest::newRow("passes a corner by") << -3000.0f << 100.0f << 100.0f << -3000.0f << false;
    QTest::newRow("far, passes by") << 1e30f << -1e30f << 5000.0f << -10.0f << false;
}

void TestDrawingSurface::line_isClippedAlongItself()
{
    QFETCH(float, x1);
    QFETCH(float, y1);
    QFETCH(float, x2);
    QFETCH(float, y2);
    QFETCH(bool, drawn);
    RecordingSurface surface(Width, Height);
    surface.Line(x1, y1, x2, y2, Colours::Blue);
    QCOMPARE(surface.Calls().size(), drawn ? 1u : 0u);
    if (!drawn)
        return;
    const SurfaceCall& line = surface.Calls().front();
    QVERIFY(InClipBox(line.X1, line.Y1));
    QVERIFY(InClipBox(line.X2, line.Y2));
    // An end that was inside is handed on untouched.
    if (InClipBox(x1, y1))
        QVERIFY(line.X1 == x1 && line.Y1 == y1);
    if (InClipBox(x2, y2))
        QVERIFY(line.X2 == x2 && line.Y2 == y2);
    // What is left runs the same way as the segment given, on the same line.
    if (line.X1 != line.X2 || line.Y1 != line.Y2) {
        const long double forward = (static_cast<long double>(line.X2) - line.X1) * (x2 - x1)
            + (static_cast<long double>(line.Y2) - line.Y1) * (y2 - y1);
        QVERIFY(forward > 0);
        QVERIFY(AngleSine(x1, y1, x2, y2, line.X1, line.Y1, line.X2, line.Y2) < 1e-5L);
        if (InClipBox(x2, y2) || InClipBox(x1, y1))
            QVERIFY(AngleSine(x1, y1, x2, y2, line.X1, line.Y1, x2, y2) < 1e-5L
                    || AngleSine(x1, y1, x2, y2, x1, y1, line.X2, line.Y2) < 1e-5L);
    }
}

void TestDrawingSurface::nonFiniteValues_drawNothing_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<float>("value");
    for (int position = 0; position < 4; ++position) {
        QTest::addRow("NaN at %d", position) << position << NaN;
        QTest::addRow("infinity at %d", position) << position << Inf;
        QTest::addRow("minus infinity at %d", position) << position << -Inf;
    }
}

void TestDrawingSurface::nonFiniteValues_drawNothing()
{
    QFETCH(int, position);
    QFETCH(float, value);
    float args[4] = {100.0f, 100.0f, 45.0f, 200.0f};
    args[position] = value;
    RecordingSurface surface(Width, Height);
    surface.Line(args[0], args[1], args[2], args[3]);
    if (position < 3)
        surface.Circle(args[0], args[1], args[2], Colours::Black);
    QVERIFY(surface.Calls().empty());
}

void TestDrawingSurface::circle_onlyWhereItCanShow_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<float>("radius");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("inside") << 100.0f << 100.0f << 45.0f << true;
    QTest::newRow("radius 0") << 100.0f << 100.0f << 0.0f << true;
    QTest::newRow("marker above the top edge") << 100.0f << -40.0f << 60.0f << true;
    QTest::newRow("far above") << 100.0f << -1e30f << 60.0f << false;
    QTest::newRow("far right") << 1e9f << 100.0f << 60.0f << false;
    QTest::newRow("negative radius") << 100.0f << 100.0f << -1.0f << false;
    QTest::newRow("radius beyond the margin") << 100.0f << 100.0f << 1e30f << false;
}

void TestDrawingSurface::circle_onlyWhereItCanShow()
{
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(float, radius);
    QFETCH(bool, drawn);
    RecordingSurface surface(Width, Height);
    surface.Circle(x, y, radius, Colours::Red);
    QCOMPARE(surface.Calls().size(), drawn ? 1u : 0u);
    if (drawn)
        QCOMPARE(surface.Calls().front(),
                 (SurfaceCall{.Kind = CallKind::Circle, .X1 = x, .Y1 = y, .Radius = radius, .Ink = Colours::Red}));
}

void TestDrawingSurface::recordsStyleAndColourInForce()
{
    RecordingSurface surface;
    QCOMPARE(surface.Width(), 8295.0f);
    QCOMPARE(surface.Height(), 3495.0f);
    surface.Cls();
    surface.SetDrawStyle(DrawStyles::Dotted);
    surface.Line(1, 2, 3, 4);
    surface.SetFillColor(Colours::Blue);
    surface.Circle(5, 6, 7, Colours::Red);
    const std::vector<SurfaceCall> expected{
        {.Kind = CallKind::Cls},
        {.Kind = CallKind::Line, .X1 = 1, .Y1 = 2, .X2 = 3, .Y2 = 4, .Ink = Colours::WindowText,
         .DrawStyle = DrawStyles::Dotted},
        {.Kind = CallKind::Circle, .X1 = 5, .Y1 = 6, .Radius = 7, .Ink = Colours::Red,
         .DrawStyle = DrawStyles::Dotted, .FillColor = Colours::Blue},
    };
    QVERIFY(surface.Calls() == expected);
}

QTEST_APPLESS_MAIN(TestDrawingSurface)
#include "tst_drawingsurface.moc"
