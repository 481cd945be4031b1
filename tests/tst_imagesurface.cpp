#include "render/drawscene.h"
#include "render/imagesurface.h"
#include "render/pixelwriter.h"

#include <QPainter>
#include <QWidget>
#include <QtTest>

namespace {

const QColor Background(250, 250, 240);
const QColor Text(10, 20, 30);
const QColor Blue(0, 0, 255);
const QColor Red(255, 0, 0);

// Stands in for the window's picture box: it only ever paints the surface's image.
class PictureWidget : public QWidget {
public:
    explicit PictureWidget(ImageSurface& surface)
        : m_surface(surface)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, m_surface.Image()); }

private:
    ImageSurface& m_surface;
};

int CountOf(const QImage& image, const QColor& colour, QRect area)
{
    area &= image.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

} // namespace

class TestImageSurface : public QObject {
    Q_OBJECT

private slots:
    void drawsTheSceneWhereItBelongs();
    void pensAreOneDevicePixel_data();
    void pensAreOneDevicePixel();
    void laterCallsCoverEarlierOnes();
    void farLine_drawsItsVisiblePart();
    void oversizedSurface_isCappedToTheImage();
    void keepsPictureWhenResizedAndShownAgain();
    void pixelWriterSetsWhatACosmeticPenSets_data();
    void pixelWriterSetsWhatACosmeticPenSets();
};

void TestImageSurface::drawsTheSceneWhereItBelongs()
{
    // 100 x 100 pixels of view: data unit 10 is pixel 100.
    auto scene = std::make_unique<SceneState>();
    scene->Points(1) = {0, 0};
    scene->Points(2) = {5, 5};
    scene->Points(3) = {10, 0};
    scene->PointCount = 3;
    scene->MaxX = scene->MaxY = 10;
    scene->ViewWidth = scene->ViewHeight = 1500;
    scene->Tower = {5, 8};  // pixel (50, 20)
    scene->Island = {2, 2}; // pixel (20, 80)
    scene->HaveData = scene->ShowTower = true;
    ImageSurface surface;
    surface.SetSystemColours(Background, Text);
    surface.SetSize(1620, 1620, 1.0);
    QCOMPARE(DrawScene(*scene, surface, {"200", 1, 0}), DrawOutcome::Drawn);
    const QImage image = surface.Image();
    QCOMPARE(image.size(), QSize(108, 108));
    QCOMPARE(image.pixelColor(50, 20), Blue);
    QCOMPARE(image.pixelColor(20, 80), Red);
    QCOMPARE(image.pixelColor(105, 5), Background);
    // Vertex 2's dot is black under the two segments that leave it, in the text colour.
    QCOMPARE(image.pixelColor(52, 50), QColor(Qt::black));
    QVERIFY(CountOf(image, Text, {24, 74, 3, 3}) > 0);
    QVERIFY(CountOf(image, Text, {74, 74, 3, 3}) > 0);
    // The sight line down to vertex 2 is dotted: about every other pixel between the marker
    // and the dot.
    const int dots = CountOf(image, Blue, {50, 26, 1, 20});
    QVERIFY2(dots >= 8 && dots <= 12, qPrintable(QString::number(dots)));
    QCOMPARE(CountOf(image, Background, {50, 26, 1, 20}), 20 - dots);
}

void TestImageSurface::pensAreOneDevicePixel_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("1") << 1.0;
    QTest::newRow("1.5") << 1.5;
    QTest::newRow("2") << 2.0;
}

void TestImageSurface::pensAreOneDevicePixel()
{
    QFETCH(qreal, ratio);
    ImageSurface surface;
    surface.SetSize(600, 600, ratio);
    surface.Circle(300, 300, 0, Colours::Red);
    surface.Line(30, 150, 570, 150, Colours::Blue);
    surface.SetDrawStyle(DrawStyles::Dotted);
    surface.Line(150, 30, 150, 570, Colours::Blue);
    const QImage image = surface.Image();
    QCOMPARE(image.devicePixelRatio(), ratio);
    QCOMPARE(image.width(), qCeil(40 * ratio));
    const QRect all = image.rect();
    QCOMPARE(CountOf(image, Red, all), 1);
    const int column = qRound(30 * ratio);
    QCOMPARE(CountOf(image, Blue, {column, 0, 1, image.height()}), 1);
    const int row = qRound(30 * ratio);
    QCOMPARE(CountOf(image, Blue, {0, row, image.width(), 1}), 1);
}

void TestImageSurface::laterCallsCoverEarlierOnes()
{
    ImageSurface surface;
    surface.SetSize(600, 600, 1.0);
    surface.Line(0, 150, 600, 150, Colours::Blue);
    surface.Line(0, 150, 600, 150, Colours::Red);
    surface.Circle(300, 150, 0, Colours::Blue);
    surface.SetFillColor(Colours::Red);
    surface.Circle(450, 450, 60, Colours::Red);
    surface.Line(450, 0, 450, 600, Colours::Blue);
    const QImage image = surface.Image();
    QCOMPARE(image.pixelColor(10, 5), QColor(Qt::white));
    QCOMPARE(image.pixelColor(5, 10), Red);
    QCOMPARE(image.pixelColor(30, 10), Blue);
    QCOMPARE(image.pixelColor(20, 10), Blue);
    QCOMPARE(image.pixelColor(30, 30), Blue);
    QCOMPARE(image.pixelColor(31, 30), Red);
    surface.Cls();
    QCOMPARE(CountOf(surface.Image(), QColor(Qt::white), surface.Image().rect()), 40 * 40);
}

void TestImageSurface::farLine_drawsItsVisiblePart()
{
    ImageSurface surface;
    surface.SetSize(1500, 1500, 1.0);
    surface.Line(-3e38f, -3e38f, 1500, 1500, Colours::Blue);
    surface.Line(1e30f, -1e30f, 0, 1500, Colours::Red);
    const QImage image = surface.Image();
    for (const int at : {0, 10, 50, 90}) {
        QVERIFY(CountOf(image, Blue, {at - 1, at - 1, 3, 3}) > 0);
        QVERIFY(CountOf(image, Red, {99 - at - 1, at - 1, 3, 3}) > 0);
    }
    QCOMPARE(CountOf(image, Blue, {60, 0, 40, 40}), 0);
}

void TestImageSurface::oversizedSurface_isCappedToTheImage()
{
    ImageSurface surface;
    surface.SetSize(1e30f, 600, 2.0);
    QCOMPARE(surface.Width(), 32767 * 15 / 2.0f);
    QCOMPARE(surface.Image().size(), QSize(32767, 80));
    surface.Line(0, 300, 1e30f, 300, Colours::Red);
    QCOMPARE(CountOf(surface.Image(), Red, {0, 40, 32767, 1}), 32767);
}

void TestImageSurface::keepsPictureWhenResizedAndShownAgain()
{
    ImageSurface surface;
    surface.SetSize(600, 600, 1.0);
    surface.SetSystemColours(Background, Text);
    QCOMPARE(CountOf(surface.Image(), Background, {0, 0, 40, 40}), 40 * 40);
    surface.Line(0, 0, 600, 600);
    surface.SetSystemColours(Qt::white, Qt::black);
    const QImage before = surface.Image();
    QCOMPARE(before.pixelColor(39, 0), Background);
    surface.SetSize(900, 450, 1.0);
    const QImage after = surface.Image();
    QCOMPARE(after.size(), QSize(60, 30));
    QCOMPARE(after.copy(0, 0, 40, 30), before.copy(0, 0, 40, 30));
    QCOMPARE(CountOf(after, QColor(Qt::white), {40, 0, 20, 30}), 20 * 30);

    PictureWidget widget(surface);
    widget.resize(60, 30);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    widget.hide();
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QCOMPARE(widget.grab().toImage().convertToFormat(after.format()), after);
}

void TestImageSurface::pixelWriterSetsWhatACosmeticPenSets_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<bool>("dotted");
    QTest::addColumn<int>("pixels");
    QTest::newRow("dot below a half") << QPointF(10.49, 3.49) << QPointF(10.49, 3.49) << false << 1;
    QTest::newRow("dot at a half") << QPointF(10.5, 3.5) << QPointF(10.5, 3.5) << false << 1;
    QTest::newRow("row, whole ends") << QPointF(2, 5) << QPointF(12, 5) << false << 11;
    QTest::newRow("row, fractional ends") << QPointF(2.7, 5.3) << QPointF(12.2, 5.3) << false << 11;
    QTest::newRow("row, leftwards") << QPointF(12.2, 5.99) << QPointF(2.7, 5.99) << false << 11;
    QTest::newRow("column") << QPointF(4.5, 1.2) << QPointF(4.5, 20.9) << false << 20;
    QTest::newRow("within one pixel") << QPointF(7.1, 7.2) << QPointF(7.8, 7.2) << false << 1;
    QTest::newRow("dotted row, odd count") << QPointF(2.7, 5.3) << QPointF(12.2, 5.3) << true << 6;
    QTest::newRow("dotted row, even count") << QPointF(2.7, 5.3) << QPointF(11.9, 5.3) << true << 5;
    QTest::newRow("dotted row, leftwards") << QPointF(11.9, 5.3) << QPointF(2.7, 5.3) << true << 5;
    QTest::newRow("dotted column, upwards") << QPointF(4.5, 20.9) << QPointF(4.5, 1.2) << true
                                            << 10;
    QTest::newRow("dotted, at the image's edges") << QPointF(0, 31.5) << QPointF(31.99, 31.5)
                                                  << true << 16;
}

// The contract on PixelWriter: for dots and for lines along a row or a column inside the
// image, QPainter's one-pixel cosmetic pen sets the very same pixels.
void TestImageSurface::pixelWriterSetsWhatACosmeticPenSets()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(bool, dotted);
    QFETCH(int, pixels);
    QImage written(32, 32, QImage::Format_RGB32);
    written.fill(Qt::white);
    QImage painted = written.copy();
    PixelWriter(written).Line(from, to, Blue.rgb(), dotted ? PixelPen::Dotted : PixelPen::Solid);
    QPainter painter(&painted);
    QPen pen(Blue, 0);
    pen.setCosmetic(true);
    if (dotted)
        pen.setDashPattern({1.0, 1.0});
    painter.setPen(pen);
    painter.drawLine(from, to);
    painter.end();
    QCOMPARE(written, painted);
    QCOMPARE(CountOf(written, Blue, written.rect()), pixels);
}

QTEST_MAIN(TestImageSurface)
#include "tst_imagesurface.moc"
