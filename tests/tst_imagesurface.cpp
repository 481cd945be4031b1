#include "render/drawscene.h"
#include "render/imagesurface.h"
#include "render/pixelwriter.h"

#include <QPainter>
#include <QWidget>
#include <QtTest>

#include <limits>
#include <random>

Q_DECLARE_METATYPE(PointD)

namespace {

const QColor Background(250, 250, 240);
const QColor Text(10, 20, 30);
const QColor Blue(0, 0, 255);
const QColor Red(255, 0, 0);
constexpr Colour Green = 0x00FF00;

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

// The plain one-pixel path: every batch made as its single calls, one by one.
class CallByCallSurface : public ImageSurface {
protected:
    void DoPolyline(const SurfacePoints& points, float dotRadius, Colour dotColour) override
    {
        DrawingSurface::DoPolyline(points, dotRadius, dotColour);
    }
    void DoFan(float x, float y, const SurfacePoints& points, Colour colour) override
    {
        DrawingSurface::DoFan(x, y, points, colour);
    }
};

enum class Layout {
    RandomWalk, // a rugged range, vertices 1 apart
    HalfPixels, // every vertex, the tower and the island on exact half pixels
    Scattered,  // vertices beyond every edge of the picture as well as on it
};

// A profile of `count` vertices on a view 120 twips smaller than the surface, as the window
// lays it out; tower and island given in view fractions (1 is the top or right edge).
struct Scene {
    std::unique_ptr<LoadedProfile> profile;
    SceneView view;
};

Scene IdentityScene(Layout layout, int count, QSizeF surface, PointD tower, PointD island)
{
    Scene scene { std::make_unique<LoadedProfile>(), {} };
    LoadedProfile& profile = *scene.profile;
    SceneView& view = scene.view;
    std::mt19937 random(12);
    std::normal_distribution<double> step(0.0, 1.0);
    std::uniform_real_distribution<double> anywhere(-0.5, 1.5);
    double height = 50.0;
    for (int k = 1; k <= count; ++k) {
        PointD& p = profile.Points(k);
        switch (layout) {
        case Layout::RandomWalk:
            height = std::max(0.0, height + step(random));
            p = {static_cast<double>(k), height};
            break;
        case Layout::HalfPixels:
            // From 16 units (a pixel at ratio 1) beyond the view's left and bottom edges to
            // the surface's right edge and 16 units above the top.
            p = {static_cast<double>(k % 227 - 16), static_cast<double>((k * 7) % 163 - 16)};
            break;
        case Layout::Scattered:
            p = {anywhere(random) * count, anywhere(random) * 100.0};
            break;
        }
        profile.Extents.Include(p);
    }
    profile.PointCount = count;
    view.ViewWidth = surface.width() - 120;
    view.ViewHeight = surface.height() - 120;
    if (layout == Layout::HalfPixels) {
        // 7.5 twips, half a pixel at a device pixel ratio of 1, to a data unit either way.
        profile.Extents.MaxX = view.ViewWidth / 7.5;
        profile.Extents.MaxY = view.ViewHeight / 7.5;
    }
    const VertexExtents& extents = profile.Extents;
    profile.Tower = {tower.X * extents.MaxX, tower.Y * extents.MaxY};
    profile.Island = {island.X * extents.MaxX, island.Y * extents.MaxY};
    FitHeight(view, profile);
    view.ShowTower = true;
    return scene;
}

int DifferingPixels(const QImage& image, const QImage& expected)
{
    if (image.size() != expected.size())
        return -1;
    int differing = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            differing += image.pixel(x, y) != expected.pixel(x, y);
    return differing;
}

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
    void batchesDrawWhatTheirSingleCallsDraw_data();
    void batchesDrawWhatTheirSingleCallsDraw();
    void surfaceBatchesDrawWhatTheirSingleCallsDraw_data();
    void surfaceBatchesDrawWhatTheirSingleCallsDraw();
    void pixelRoundingIsTheLibrarys();
};

void TestImageSurface::drawsTheSceneWhereItBelongs()
{
    // 100 x 100 pixels of view: data unit 10 is pixel 100.
    auto profile = std::make_unique<LoadedProfile>();
    profile->Points(1) = {0, 0};
    profile->Points(2) = {5, 5};
    profile->Points(3) = {10, 0};
    profile->PointCount = 3;
    profile->Extents = {10, 10};
    profile->Tower = {5, 8};  // pixel (50, 20)
    profile->Island = {2, 2}; // pixel (20, 80)
    SceneView view;
    view.ViewWidth = view.ViewHeight = 1500;
    view.MaxY = 10;
    view.ShowTower = true;
    ImageSurface surface;
    surface.SetSystemColours(Background, Text);
    surface.SetSize(1620, 1620, 1.0);
    QCOMPARE(DrawScene(profile.get(), view, surface, {200, true, false}), DrawOutcome::Drawn);
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

void TestImageSurface::batchesDrawWhatTheirSingleCallsDraw_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSizeF>("surface");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<PointD>("tower");
    QTest::addColumn<PointD>("island");
    QTest::addColumn<QColor>("textColour");
    const auto row = [](const char* name, Layout layout, int count, const char* text,
                        QSizeF surface, qreal ratio, PointD tower, PointD island,
                        QColor textColour) {
        QTest::newRow(name) << static_cast<int>(layout) << count << QString(text) << surface
                            << ratio << tower << island << textColour;
    };
    const QSizeF window(8295, 3495);
    const QSizeF odd(4321, 1999);
    row("range, markers above the peaks", Layout::RandomWalk, 30000, "30000", window, 1.0,
        {0.5, 1.1}, {0.33, 1.2}, Qt::black);
    row("range, ratio 2, odd size, tower inside", Layout::RandomWalk, 30000, "30000", odd, 2.0,
        {0.4, 0.5}, {0.9, 0.2}, Qt::black);
    row("range, dots and strokes in two colours", Layout::RandomWalk, 30000, "30000", odd, 1.0,
        {0.5, 1.1}, {0.1, 0.9}, Text);
    row("range, every 8th vertex, ratio 1.5", Layout::RandomWalk, 30000, "4000", odd, 1.5,
        {0.5, 1.3}, {0.7, 1.05}, Qt::black);
    // 194 x 128 data units: whole units are half pixels; the island lies on the bottom edge.
    row("half pixels", Layout::HalfPixels, 20000, "20000", QSizeF(1575, 1080), 1.0, {0.5, 0.5},
        {0.5, -0.125}, Qt::black);
    row("half pixels, two colours", Layout::HalfPixels, 20000, "20000", QSizeF(1575, 1080), 1.0,
        {0.5, 0.75}, {0.0, 0.0}, Text);
    row("scattered beyond the edges", Layout::Scattered, 20000, "20000", odd, 1.0, {0.5, 3.0},
        {-0.2, 0.5}, Text);
    row("tower far outside", Layout::RandomWalk, 20000, "20000", odd, 2.0, {1e6, 1e7},
        {-1e5, -1e6}, Qt::black);
}

// The batches of DrawScene are painted on worker threads into masks and merged; the picture
// must be the one their single calls paint through PixelWriter, byte for byte.
void TestImageSurface::batchesDrawWhatTheirSingleCallsDraw()
{
    QFETCH(int, layout);
    QFETCH(int, count);
    QFETCH(QString, text);
    QFETCH(QSizeF, surface);
    QFETCH(qreal, ratio);
    QFETCH(PointD, tower);
    QFETCH(PointD, island);
    QFETCH(QColor, textColour);
    auto scene = IdentityScene(static_cast<Layout>(layout), count, surface, tower, island);
    ImageSurface batched;
    CallByCallSurface callByCall;
    for (ImageSurface* target : {&batched, static_cast<ImageSurface*>(&callByCall)}) {
        target->SetSystemColours(Background, textColour);
        target->SetSize(static_cast<float>(surface.width()), static_cast<float>(surface.height()),
                        ratio);
        // Twice, so the second drawing meets workers, masks and an image already in use.
        for (int drawing = 0; drawing < 2; ++drawing)
            QCOMPARE(DrawScene(
                         scene.profile.get(), scene.view, *target, { text.toInt(), true, true }),
                DrawOutcome::Drawn);
    }
    const QImage image = batched.Image();
    QCOMPARE(DifferingPixels(image, callByCall.Image()), 0);
    // Not an empty picture twice: both sight-line fans show.
    QVERIFY(CountOf(image, Blue, image.rect()) > 100);
    QVERIFY(CountOf(image, Red, image.rect()) > 100);
}

void TestImageSurface::surfaceBatchesDrawWhatTheirSingleCallsDraw_data()
{
    QTest::addColumn<int>("drawStyle");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<double>("beyond"); // how far points reach past the edges, in surface sizes
    QTest::addColumn<QColor>("textColour");
    QTest::newRow("solid, ratio 1, on the surface") << 0 << 1.0 << 0.0 << QColor(Qt::black);
    QTest::newRow("dotted, ratio 2, past every edge") << 2 << 2.0 << 1.0 << Text;
    QTest::newRow("style 5 draws solid, ratio 1.25") << 5 << 1.25 << 0.3 << Text;
}

// The batch operations called directly, with either pen: NaN and repeated points among
// thousands, fans from inside and from far outside, a resize while batches are pending.
void TestImageSurface::surfaceBatchesDrawWhatTheirSingleCallsDraw()
{
    QFETCH(int, drawStyle);
    QFETCH(qreal, ratio);
    QFETCH(double, beyond);
    QFETCH(QColor, textColour);
    const QSizeF size(2995, 1605);
    // A rugged walk from beyond the left edge to beyond the right one: close neighbours, so
    // the fans' lines come in bundles, and long jumps now and then.
    std::mt19937 random(5);
    std::normal_distribution<double> step(0.0, 0.01);
    std::uniform_real_distribution<double> jump(-beyond, 1.0 + beyond);
    auto points = std::make_shared<std::vector<SurfacePoint>>();
    double height = 0.5;
    for (int k = 0; k < 2500; ++k) {
        height = k % 200 == 0 ? jump(random) : height + step(random);
        const double across = k / 2500.0 * (1.0 + 2.0 * beyond) - beyond;
        SurfacePoint p{static_cast<float>(across * size.width()),
                       static_cast<float>(height * size.height())};
        if (k % 50 == 7)
            p.Y = std::numeric_limits<float>::quiet_NaN();
        if (k % 37 == 5)
            p = points->back();
        points->push_back(p);
    }
    auto cone = std::make_shared<std::vector<SurfacePoint>>();
    for (int k = 0; k < 2500; ++k)
        cone->push_back({2600.0f + 0.1f * static_cast<float>(k),
                         1400.0f + 0.02f * static_cast<float>(k % 97)});
    ImageSurface batched;
    CallByCallSurface callByCall;
    for (ImageSurface* target : {&batched, static_cast<ImageSurface*>(&callByCall)}) {
        target->SetSystemColours(Background, textColour);
        target->SetSize(static_cast<float>(size.width()), static_cast<float>(size.height()), ratio);
        target->Cls();
        target->SetDrawStyle(drawStyle);
        target->Polyline(points, 0.0f, Colours::Black);
        target->Fan(1e7f, -3e6f, points, Colours::Red);
        target->SetSize(static_cast<float>(size.width() * 1.3),
                        static_cast<float>(size.height() * 0.7), ratio);
        target->Fan(1500, 800, points, Colours::Blue);
        // A narrow cone on its own, whose lines share a few bundles and no pixels with others.
        target->Fan(100, 100, cone, Green);
    }
    const QImage image = batched.Image();
    QCOMPARE(DifferingPixels(image, callByCall.Image()), 0);
    QVERIFY(CountOf(image, Blue, image.rect()) > 100);
    QVERIFY(CountOf(image, Red, image.rect()) > 100);
}

// Both ways of drawing share PixelRounding, so only this keeps them on today's pixels.
void TestImageSurface::pixelRoundingIsTheLibrarys()
{
    const double almostHalf = std::nextafter(0.5, 0.0);
    for (const double value :
         {0.0, -0.0, -1e-300, 0.5, -0.5, almostHalf, -almostHalf, 1.5, -1.5, 2.5, -2.5, 3.0, -3.0,
          12345.999999999998, -12345.000000000002, 4503599627370495.5, -4503599627370495.5,
          9007199254740993.0, -4.0e18}) {
        QCOMPARE(PixelRounding::Floor(value), static_cast<std::int64_t>(std::floor(value)));
        QCOMPARE(PixelRounding::Round(value), std::llround(value));
    }
}

QTEST_MAIN(TestImageSurface)
#include "tst_imagesurface.moc"
