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
    auto scene = std::make_unique<SceneState>();
    scene->PointCount = count;
    QCOMPARE(PointRadius(*scene), radius);
}

void TestViewTransform::toScreen_stretchesTheExtentsOverTheView()
{
    auto scene = std::make_unique<SceneState>();
    scene->ViewWidth = 8175;
    scene->ViewHeight = 3375;
    scene->MaxX = 3.7;
    scene->MaxY = 0.1;
    QVERIFY(SetScales(*scene));
    const PointD origin = ToScreen(*scene, {0, 0});
    QCOMPARE(origin.X, 0.0);
    QCOMPARE(origin.Y, 3375.0);
    const PointD corner = ToScreen(*scene, {3.7, 0.1});
    QCOMPARE(corner.X, 8175.0);
    QVERIFY(std::abs(corner.Y) < 1e-9);
    // Higher than MaxY lies above the top edge; left of 0 lies left of the left edge.
    const PointD outside = ToScreen(*scene, {-1, 0.2});
    QVERIFY(outside.X < 0 && outside.Y < 0);
}

void TestViewTransform::setScales_refusesAZeroWidth()
{
    auto scene = std::make_unique<SceneState>();
    scene->ViewWidth = 100;
    scene->ViewHeight = 100;
    scene->MaxY = 0.1;
    scene->ScaleX = 7;
    scene->ScaleY = 8;
    QVERIFY(!SetScales(*scene));
    QCOMPARE(scene->ScaleX, 7.0);
    QCOMPARE(scene->ScaleY, 8.0);
}

QTEST_APPLESS_MAIN(TestViewTransform)
#include "tst_viewtransform.moc"
