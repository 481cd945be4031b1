#include "render/viewtransform.h"

#include <QtTest>

class TestViewTransform : public QObject {
    Q_OBJECT

private slots:
    void pointRadius_followsTheWholeCount_data();
    void pointRadius_followsTheWholeCount();
    void toScreen_stretchesTheExtentsOverTheView();
    void setScales_refusesAZeroWidth();
};

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
