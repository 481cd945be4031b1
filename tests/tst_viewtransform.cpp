#include "render/viewtransform.h"

#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(DataRange)

class TestViewTransform : public QObject {
    Q_OBJECT

private slots:
    void pointRadius_followsTheWholeCount_data();
    void pointRadius_followsTheWholeCount();
    void toScreen_stretchesTheExtentsOverTheView();
    void setScales_refusesAZeroWidth();
    void zoomSteps_stayWithinTheWhole_data();
    void zoomSteps_stayWithinTheWhole();
    void deepestZoom_keepsAResolvableWidth_data();
    void deepestZoom_keepsAResolvableWidth();
};

namespace {
const DataRange Whole{0, 1000, 0, 10};
}

void TestViewTransform::zoomSteps_stayWithinTheWhole_data()
{
    QTest::addColumn<DataRange>("result");
    QTest::addColumn<DataRange>("expected");
    QTest::newRow("zoom in by 2 keeps the point in place")
        << ZoomAround(Whole, Whole, {250, 5}, 2) << DataRange{125, 625, 2.5, 7.5};
    QTest::newRow("zoom out past the whole")
        << ZoomAround({400, 600, 2, 4}, Whole, {500, 3}, 0.01) << Whole;
    QTest::newRow("zoom out near an edge shifts inside")
        << ZoomAround({900, 1000, 0, 5}, Whole, {1000, 0}, 0.5) << DataRange{800, 1000, 0, 10};
    QTest::newRow("rectangle over the right edge") << ZoomTo({900, 1100, 0, 10}, Whole)
                                                   << DataRange{800, 1000, 0, 10};
    QTest::newRow("rectangle with reversed corners") << ZoomTo({600, 400, 8, 2}, Whole)
                                                     << DataRange{400, 600, 2, 8};
    QTest::newRow("pan inside") << PanBy({100, 300, 2, 4}, Whole, {50, -1})
                                << DataRange{150, 350, 1, 3};
    QTest::newRow("pan past the left edge stops at it, width kept")
        << PanBy({100, 300, 0, 10}, Whole, {-500, 3}) << DataRange{0, 200, 0, 10};
}

void TestViewTransform::zoomSteps_stayWithinTheWhole()
{
    QFETCH(DataRange, result);
    QFETCH(DataRange, expected);
    QCOMPARE(result, expected);
}

void TestViewTransform::deepestZoom_keepsAResolvableWidth_data()
{
    QTest::addColumn<double>("x");
    QTest::addRow("at 500") << 500.0;
    QTest::addRow("at 0") << 0.0;
    QTest::addRow("at the right edge") << 1000.0;
}

void TestViewTransform::deepestZoom_keepsAResolvableWidth()
{
    QFETCH(double, x);
    for (const DataRange& range : {ZoomAround(Whole, Whole, {x, 5}, 1e308),
             ZoomTo({x, x, 5, 5}, Whole)}) {
        const double width = range.X1 - range.X0;
        QVERIFY(width > 0);
        QVERIFY(width <= std::max(2e-12 * x, 2e-300));
        QVERIFY(range.X0 <= x && x <= range.X1);
        QVERIFY(range.X0 >= 0 && range.X1 <= 1000);
        SceneView view{8000, 3000, 10, false, range};
        QVERIFY(SetScales(view, 1000));
        QVERIFY(std::isfinite(view.ScaleX) && view.ScaleX > 0);
    }
}

void TestViewTransform::pointRadius_followsTheWholeCount_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("radius");
    const std::pair<int, int> rows[] = {{-5, 45}, {0, 45}, {20, 45}, {21, 30}, {100, 30},
                                        {101, 15}, {500, 15}, {501, 0}, {MaxPoints, 0}};
    for (const auto& [count, radius] : rows)
        QTest::addRow("%d", count) << count << radius;
}

void TestViewTransform::pointRadius_followsTheWholeCount()
{
    QFETCH(int, count);
    QFETCH(int, radius);
    QCOMPARE(PointRadius(count), radius);
}

void TestViewTransform::toScreen_stretchesTheExtentsOverTheView()
{
    SceneView view;
    view.ViewWidth = 8175;
    view.ViewHeight = 3375;
    view.MaxY = 0.1;
    QVERIFY(SetScales(view, 3.7));
    const PointD origin = ToScreen(view, {0, 0});
    QCOMPARE(origin.X, 0.0);
    QCOMPARE(origin.Y, 3375.0);
    const PointD corner = ToScreen(view, {3.7, 0.1});
    QCOMPARE(corner.X, 8175.0);
    QVERIFY(std::abs(corner.Y) < 1e-9);
    // Higher than MaxY lies above the top edge; left of 0 lies left of the left edge.
    const PointD outside = ToScreen(view, {-1, 0.2});
    QVERIFY(outside.X < 0 && outside.Y < 0);
}

void TestViewTransform::setScales_refusesAZeroWidth()
{
    SceneView view;
    view.ViewWidth = 100;
    view.ViewHeight = 100;
    view.MaxY = 0.1;
    view.ScaleX = 7;
    view.ScaleY = 8;
    QVERIFY(!SetScales(view, 0.0));
    QCOMPARE(view.ScaleX, 7.0);
    QCOMPARE(view.ScaleY, 8.0);
}

QTEST_APPLESS_MAIN(TestViewTransform)
#include "tst_viewtransform.moc"
