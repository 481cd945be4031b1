#include "app/commandline.h"
#include "render/drawingsurface.h"
#include "render/viewtransform.h"
#include "ui/commandline.h"
#include "ui/frmmain.h"
#include "ui/picturebox.h"
#include "ui/windowgeometry.h"
#include "windowtesting.h"

#include <QtTest>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRubberBand>
#include <QToolTip>

namespace {

const QColor Blue(0, 0, 255);
const QColor Red(255, 0, 0);

struct Window {
    QList<MessageBoxContent> messages;
    QTemporaryDir programFolder;
    frmMain form{programFolder.path(), std::make_unique<RecordingPresenter>(messages)};

    template <class Control>
    Control* Find(const char* name)
    {
        return form.findChild<Control*>(QString::fromLatin1(name));
    }
    const QImage& Picture() { return Find<PictureBox>("pic")->Image(); }

    // On screen, so the surface has its size and the view its extent.
    void Show()
    {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }

    // Loads a scene the way a collection does, without a solver run.
    void Load(const std::string& points, const std::string& result)
    {
        LoadScene(form, programFolder.filePath("loaded").toStdString(), points, result);
    }
};

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

private slots:
    void controlsHaveTheirCaptionsPlacesAndStates_data();
    void controlsHaveTheirCaptionsPlacesAndStates();
    void startsWithoutDataAndWithItsInitialSettings();
    void iconIsA256ColourPictureShownInTheBadge();
    void surfaceSizeFollowsTheWindow_data();
    void surfaceSizeFollowsTheWindow();
    void resizeRedrawsOnlyALoadedScene();
    void viewCommandsSetTheVerticalExtent_data();
    void viewCommandsSetTheVerticalExtent();
    void sightLinesShowInTheirColours_data();
    void sightLinesShowInTheirColours();
    void typedSampleBoundTakesEffectAtTheNextRedraw_data();
    void typedSampleBoundTakesEffectAtTheNextRedraw();
    void newLoadInTheTowerViewKeepsTheMarkersAtTheMountainsScale();
    void checkBoxesBeforeALoadDrawNothing();
    void messagesShowTheirExactTexts();
    void badgeWelcomesOnlyALeftClickReleasedOnIt_data();
    void badgeWelcomesOnlyALeftClickReleasedOnIt();
    void commandLineFileThatCannotBeReadIsReported_data();
    void commandLineFileThatCannotBeReadIsReported();
    void mouseAndKeysZoomAndPanThePicture();
};

void TestFrmMain::controlsHaveTheirCaptionsPlacesAndStates_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("pic") << "PictureBox" << "" << QRect(120, 600, 8295, 3495) << true;
    QTest::newRow("cmdDraw") << "QPushButton" << "只显示山脉" << QRect(480, 120, 1215, 375) << false;
    QTest::newRow("lbl1") << "QLabel" << "瞭望塔" << QRect(7560, 120, 540, 180) << true;
    QTest::newRow("lbl2") << "QLabel" << "浮空岛" << QRect(7560, 360, 540, 180) << true;
    QTest::newRow("lblT1") << "QLabel" << "(0.00,0.00)" << QRect(8160, 120, 990, 180) << true;
    QTest::newRow("lblT2") << "QLabel" << "(0.00,0.00)" << QRect(8160, 360, 990, 180) << true;
    QTest::newRow("cmdDrawTower") << "QPushButton" << "显示塔和岛" << QRect(1800, 120, 1215, 375) << false;
    QTest::newRow("Label1") << "QLabel" << "最大采样" << QRect(5760, 120, 720, 180) << true;
    QTest::newRow("txtMaxPoint") << "QLineEdit" << "200" << QRect(6600, 120, 855, 270) << true;
    QTest::newRow("chkLine1") << "QCheckBox" << "显示塔视线" << QRect(4440, 0, 1215, 255) << true;
    QTest::newRow("chkLine2") << "QCheckBox" << "显示岛视线" << QRect(4440, 240, 1215, 255) << true;
    QTest::newRow("cmdInfo") << "QPushButton" << "使用说明" << QRect(3120, 120, 1215, 375) << true;
}

void TestFrmMain::controlsHaveTheirCaptionsPlacesAndStates()
{
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QRect, twips);
    QFETCH(bool, enabled);
    Window window;
    auto* control = window.Find<QWidget>(QTest::currentDataTag());
    QVERIFY(control);
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), kind);
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        text = button->text();
    else if (auto* label = qobject_cast<QLabel*>(control))
        text = label->text();
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        text = edit->text();
    QCOMPARE(text, caption);
    const QRect pixels(twips.x() / TwipsPerPixel, twips.y() / TwipsPerPixel,
                       twips.width() / TwipsPerPixel, twips.height() / TwipsPerPixel);
    QCOMPARE(control->geometry(), pixels);
    QCOMPARE(control->isEnabled(), enabled);
}

void TestFrmMain::startsWithoutDataAndWithItsInitialSettings()
{
    Window window;
    QCOMPARE(window.form.windowTitle(), QStringLiteral("Morvadine"));
    QCOMPARE(window.form.size(), QSize(9540 / TwipsPerPixel, 4260 / TwipsPerPixel));
    QVERIFY(!window.form.Profile());
    QVERIFY(!window.form.View().ShowTower);
    QVERIFY(window.form.acceptDrops());
    QVERIFY(window.Find<PictureBox>("pic")->acceptDrops());

    auto* timer = window.Find<QTimer>("tmrDisplay");
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 500);
    QVERIFY(timer->isSingleShot());
    QVERIFY(!timer->isActive());

    QCOMPARE(window.Find<QLabel>("lbl1")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(window.Find<QLabel>("lbl2")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(window.Find<QCheckBox>("chkLine1")->checkState(), Qt::Unchecked);
    QCOMPARE(window.Find<QCheckBox>("chkLine2")->checkState(), Qt::Unchecked);

    QStringList chain;
    QWidget* widget = window.Find<QWidget>("pic");
    for (int k = 0; k < 7; ++k, widget = widget->nextInFocusChain()) {
        while (!(widget->focusPolicy() & Qt::TabFocus))
            widget = widget->nextInFocusChain();
        chain << widget->objectName();
    }
    QCOMPARE(chain, QStringList({"pic", "cmdDraw", "cmdDrawTower", "txtMaxPoint", "chkLine1", "chkLine2", "cmdInfo"}));
}

void TestFrmMain::iconIsA256ColourPictureShownInTheBadge()
{
    Window window;
    const QImage icon(QStringLiteral(":/morvadine.png"));
    QCOMPARE(icon.size(), QSize(48, 48));
    QCOMPARE(icon.depth(), 8);
    QCOMPARE(icon.colorCount(), 256);
    QVERIFY(!window.form.windowIcon().isNull());

    auto* badge = window.Find<QLabel>("imgTamsel");
    QCOMPARE(badge->geometry(), QRect(0, 0, 48, 48));
    QCOMPARE(badge->pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
             icon.convertToFormat(QImage::Format_ARGB32));
    // It lies beneath the controls that overlap it.
    const QObjectList children = window.form.children();
    QVERIFY(children.indexOf(badge) < children.indexOf(window.Find<QWidget>("cmdDraw")));
    QVERIFY(children.indexOf(badge) < children.indexOf(window.Find<QWidget>("pic")));
}

void TestFrmMain::surfaceSizeFollowsTheWindow_data()
{
    QTest::addColumn<double>("outerWidth");
    QTest::addColumn<double>("outerHeight");
    QTest::addColumn<double>("surfaceWidth");
    QTest::addColumn<double>("surfaceHeight");
    QTest::addColumn<double>("viewWidth");
    QTest::addColumn<double>("viewHeight");
    QTest::newRow("opening size") << 9660.0 << 4740.0 << 9180.0 << 3420.0 << 9060.0 << 3300.0;
    QTest::newRow("below the margins") << 479.0 << 1319.0 << 0.0 << 0.0 << 1.0 << 1.0;
    QTest::newRow("at the margins") << 480.0 << 1320.0 << 0.0 << 0.0 << 1.0 << 1.0;
    QTest::newRow("just above") << 481.0 << 1321.0 << 1.0 << 1.0 << 1.0 << 1.0;
    QTest::newRow("surface of 120") << 600.0 << 1440.0 << 120.0 << 120.0 << 1.0 << 1.0;
    QTest::newRow("surface of 135") << 615.0 << 1455.0 << 135.0 << 135.0 << 15.0 << 15.0;
}

void TestFrmMain::surfaceSizeFollowsTheWindow()
{
    QFETCH(double, outerWidth);
    QFETCH(double, outerHeight);
    QFETCH(double, surfaceWidth);
    QFETCH(double, surfaceHeight);
    QFETCH(double, viewWidth);
    QFETCH(double, viewHeight);
    const SurfaceSize size = SurfaceSizeForWindow(outerWidth, outerHeight);
    QCOMPARE(size.Width, surfaceWidth);
    QCOMPARE(size.Height, surfaceHeight);
    QCOMPARE(UsableExtent(size.Width), viewWidth);
    QCOMPARE(UsableExtent(size.Height), viewHeight);
}

void TestFrmMain::resizeRedrawsOnlyALoadedScene()
{
    Window window;
    window.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window.form));
    // The classic frame stands for the real one: margins of 240 twips right and below.
    const auto* pic = window.Find<PictureBox>("pic");
    QCOMPARE(pic->WidthTwips(), 9540.0 - 360);
    QCOMPARE(pic->HeightTwips(), 4260.0 - 840);
    QCOMPARE(window.form.View().ViewWidth, 9540.0 - 480);

    const QImage before = window.Picture();
    window.form.resize(500, 250);
    QTRY_COMPARE(window.form.View().ViewWidth, 500.0 * TwipsPerPixel - 360 - 120);
    QCOMPARE(window.form.View().ScaleX, 0.0);
    QCOMPARE(window.Picture().copy(0, 0, 100, 100), before.copy(0, 0, 100, 100));

    window.Load("3\n0 0\n10 5\n20 0", "10 8 5 9");
    const double scaleBefore = window.form.View().ScaleX;
    window.form.resize(400, 250);
    QTRY_VERIFY(window.form.View().ScaleX < scaleBefore);
    QCOMPARE(window.form.View().ScaleX, window.form.View().ViewWidth / 20);
}

void TestFrmMain::viewCommandsSetTheVerticalExtent_data()
{
    QTest::addColumn<double>("towerY");
    QTest::addColumn<double>("islandY");
    QTest::addColumn<double>("maxYWithTower");
    QTest::newRow("tower above the mountains") << 12.0 << 3.0 << 12.0;
    QTest::newRow("tower as high") << 5.0 << 3.0 << 5.0;
    QTest::newRow("tower below") << 2.0 << 3.0 << 5.0;
    QTest::newRow("island above everything") << 2.0 << 40.0 << 5.0;
}

void TestFrmMain::viewCommandsSetTheVerticalExtent()
{
    QFETCH(double, towerY);
    QFETCH(double, islandY);
    QFETCH(double, maxYWithTower);
    Window window;
    window.Load("3\n0 0\n10 5\n20 0", "10 " + std::to_string(towerY) + " 5 " + std::to_string(islandY));
    const SceneView& scene = window.form.View();

    window.form.cmdDrawTower_Click();
    QVERIFY(scene.ShowTower);
    QCOMPARE(scene.MaxY, maxYWithTower);
    const QImage once = window.Picture();
    window.form.cmdDrawTower_Click();
    QCOMPARE(scene.MaxY, maxYWithTower);
    QCOMPARE(window.Picture(), once);

    window.form.cmdDraw_Click();
    QVERIFY(!scene.ShowTower);
    QCOMPARE(scene.MaxY, window.form.Profile()->Extents.MaxY);
    QCOMPARE(scene.MaxY, 5.0);
}

void TestFrmMain::sightLinesShowInTheirColours_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("tower's") << "chkLine1" << Blue;
    QTest::newRow("island's") << "chkLine2" << Red;
}

// Ticking a box redraws at once with that box's lines, and every pixel they change takes their
// colour; unticking it gives back the plain picture.
void TestFrmMain::sightLinesShowInTheirColours()
{
    QFETCH(QString, box);
    QFETCH(QColor, colour);
    Window window;
    window.Show();
    window.Load("3\n0 0\n10 5\n20 0", "10 4 15 2");
    const QImage plain = window.Picture();
    auto* check = window.Find<QCheckBox>(qPrintable(box));
    check->click();
    const QImage lined = window.Picture();
    QCOMPARE(lined, ExpectedPicture(window.form));
    int inColour = 0;
    int otherwise = 0;
    for (int y = 0; y < lined.height(); ++y) {
        for (int x = 0; x < lined.width(); ++x) {
            if (lined.pixel(x, y) != plain.pixel(x, y))
                ++(lined.pixelColor(x, y) == colour ? inColour : otherwise);
        }
    }
    QCOMPARE(otherwise, 0);
    QVERIFY2(inColour > 100, qPrintable(QString::number(inColour)));
    check->click();
    QCOMPARE(window.Picture(), plain);
}

void TestFrmMain::typedSampleBoundTakesEffectAtTheNextRedraw_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("fewer") << "7";
    QTest::newRow("all") << "1000";
    QTest::newRow("no number, so one") << "abc";
    QTest::newRow("digits apart") << " 3 1";
}

// Typing redraws nothing; the next redraw, whatever causes it, samples by the new text.
void TestFrmMain::typedSampleBoundTakesEffectAtTheNextRedraw()
{
    QFETCH(QString, typed);
    Window window;
    window.Show();
    std::string zigzag = "1000\n";
    for (int k = 0; k < 1000; ++k)
        zigzag += std::to_string(k) + (k % 2 ? " 9\n" : " 1\n");
    window.Load(zigzag, "500 12 250 11");
    const QImage atTwoHundred = window.Picture();
    auto* text = window.Find<QLineEdit>("txtMaxPoint");
    text->clear();
    QTest::keyClicks(text, typed);
    QCOMPARE(window.Picture(), atTwoHundred);
    window.form.cmdDraw_Click();
    QCOMPARE(window.Picture(), ExpectedPicture(window.form));
    // Guards against a bound that changes nothing, which would pass the comparison above.
    QVERIFY(window.Picture() != atTwoHundred);
}

// After a load in the tower view the markers stay on, but the height is the new profile's
// own: the tower view's raise of the earlier load is not carried over.
void TestFrmMain::newLoadInTheTowerViewKeepsTheMarkersAtTheMountainsScale()
{
    Window window;
    window.Show();
    window.Load("3\n0 0\n10 5\n20 0", "10 20 5 1");
    window.form.cmdDrawTower_Click();
    QCOMPARE(window.form.View().MaxY, 20.0);

    window.Load("3\n0 0\n10 8\n20 0", "10 6 5 2");
    const SceneView& scene = window.form.View();
    QVERIFY(scene.ShowTower);
    QCOMPARE(scene.MaxY, 8.0);
    QCOMPARE(window.Picture(), ExpectedPicture(window.form));
    const auto pixel = [&scene](double x, double y) {
        return QPoint(qRound(scene.ViewWidth * x / 20 / TwipsPerPixel),
                      qRound(scene.ViewHeight * (1 - y / 8) / TwipsPerPixel));
    };
    QCOMPARE(window.Picture().pixelColor(pixel(10, 6)), Blue);
    QCOMPARE(window.Picture().pixelColor(pixel(5, 2)), Red);
}

void TestFrmMain::checkBoxesBeforeALoadDrawNothing()
{
    Window window;
    const QImage before = window.Picture();
    window.Find<QCheckBox>("chkLine1")->click();
    window.Find<QCheckBox>("chkLine2")->click();
    window.form.cmdDrawTower_Click();
    QCOMPARE(window.Picture(), before);
    QCOMPARE(window.form.View().ScaleX, 0.0);
}

void TestFrmMain::messagesShowTheirExactTexts()
{
    Window window;
    window.form.show();
    window.form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window.form));
    QTest::mouseClick(window.Find<QPushButton>("cmdInfo"), Qt::LeftButton);
    QTest::mouseClick(window.Find<QLabel>("imgTamsel"), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClick(&window.form, Qt::Key_Escape);
    QCOMPARE(window.messages.size(), 3);

    const QString instructions = QStringLiteral(
        "将输入数据文件拖入窗体中，即可显示数据图形。请将本程序和calc.exe保存在同一文件夹下。\r\n作者 ")
        + QString::fromUtf8(AuthorName) + QStringLiteral("\r\n") + QString::fromUtf8(WebAddress);
    QCOMPARE(window.messages[0].Text, instructions);
    QCOMPARE(window.messages[0].Text.count(QStringLiteral("\r\n")), 2);
    QVERIFY(!window.messages[0].Text.endsWith(QLatin1Char('\n')));
    QCOMPARE(window.messages[1].Text, QStringLiteral("欢迎访问") + QString::fromUtf8(WebAddress));
    QCOMPARE(window.messages[2].Text, instructions);
    for (const MessageBoxContent& message : window.messages) {
        QCOMPARE(message.Title, QStringLiteral("morvadine"));
        QCOMPARE(message.Icon, QMessageBox::Information);
        QCOMPARE(message.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
}

void TestFrmMain::badgeWelcomesOnlyALeftClickReleasedOnIt_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QPoint>("releasedAt");
    QTest::addColumn<int>("welcomes");
    QTest::newRow("left click") << Qt::LeftButton << QPoint(5, 5) << 1;
    QTest::newRow("left, released in the far corner") << Qt::LeftButton << QPoint(47, 47) << 1;
    QTest::newRow("left, dragged off before release") << Qt::LeftButton << QPoint(48, 5) << 0;
    QTest::newRow("right click") << Qt::RightButton << QPoint(5, 5) << 0;
    QTest::newRow("middle click") << Qt::MiddleButton << QPoint(5, 5) << 0;
}

void TestFrmMain::badgeWelcomesOnlyALeftClickReleasedOnIt()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPoint, releasedAt);
    QFETCH(int, welcomes);
    Window window;
    window.Show();
    auto* badge = window.Find<QLabel>("imgTamsel");
    QTest::mousePress(badge, button, {}, QPoint(5, 5));
    QTest::mouseRelease(badge, button, {}, releasedAt);
    QCOMPARE(window.messages.size(), welcomes);
}

void TestFrmMain::commandLineFileThatCannotBeReadIsReported_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("unreadable") << "unreadable";
}

// `morvadine FILE` with a FILE that has gone by the time the window opens, or cannot be read:
// the command line takes it, and the window opens, says what is wrong with the file, stages
// nothing and stays without data.
void TestFrmMain::commandLineFileThatCannotBeReadIsReported()
{
    QFETCH(QString, kind);
    Window window;
    // The solver is staged before the input is; this one is never started.
    QFile solver(window.programFolder.filePath(QStringLiteral("calc.exe")));
    QVERIFY(solver.open(QIODevice::WriteOnly));
    solver.close();
    QTemporaryDir inputs;
    const QString file = inputs.filePath(QStringLiteral("profile.txt"));
    QString message;
    QFile input(file);
    if (kind == QStringLiteral("folder")) {
        QVERIFY(QDir().mkdir(file));
        message = file + QStringLiteral(": is a folder, not a file; drop a problem input file");
    } else {
        QVERIFY(input.open(QIODevice::WriteOnly));
        input.write("1\n1 1\n");
        input.close();
    }
    if (kind == QStringLiteral("unreadable")) {
        QVERIFY(input.setPermissions({}));
        if (input.open(QIODevice::ReadOnly))
            QSKIP("this user reads files whatever their permissions");
        message = QStringLiteral("cannot copy %1 to %2/morvadine_temporary/morvadine.in: "
                                 "Permission denied")
                      .arg(file, window.programFolder.path());
    }
    const CommandLine commandLine = ParseCommandLine({ QStringLiteral("morvadine"), file });
    QCOMPARE(commandLine.What, CommandLine::Action::OpenWindow);
    if (kind == QStringLiteral("missing")) {
        QVERIFY(input.remove());
        message = file + QStringLiteral(": the file does not exist");
    }

    window.Show();
    OpenAsAsked(window.form, commandLine.Request);
    QVERIFY(window.messages.isEmpty());
    QTRY_COMPARE(window.messages.size(), 1);
    QCOMPARE(window.messages.first().Text, message);
    QCOMPARE(window.messages.first().Icon, QMessageBox::Warning);
    QVERIFY(!window.form.Profile());
    QVERIFY(!window.Find<QPushButton>("cmdDraw")->isEnabled());
    QVERIFY(window.form.isVisible());
    QVERIFY(!QDir(window.programFolder.path()).exists(QStringLiteral("morvadine_temporary")));
}

// Each input to the picture, and the view buttons and a resize, with the exact range it leaves
// in the view. Pixels are from the drawing surface's corner; unzoomed, one pixel is one unit.
void TestFrmMain::mouseAndKeysZoomAndPanThePicture()
{
    Window window;
    window.Show();
    auto* pic = window.Find<PictureBox>("pic");
    const SceneView& view = window.form.View();
    const double maxX = view.ViewWidth / TwipsPerPixel;
    const double maxY = view.ViewHeight / TwipsPerPixel;
    const auto number = [](double value) { return QString::number(value).toStdString(); };
    window.Load("3\n0 0\n" + number(maxX / 2) + " " + number(maxY) + "\n" + number(maxX) + " 0",
        "1 1 2 2");
    const DataRange whole{0, maxX, 0, maxY};
    const QPoint corner = pic->contentsRect().topLeft();
    const auto at
        = [&view](QPoint pixel) { return DataAt(view, {1.0 * pixel.x(), 1.0 * pixel.y()}); };
    const auto centre = [](const DataRange& r) {
        return PointD{r.X0 + (r.X1 - r.X0) / 2, r.Y0 + (r.Y1 - r.Y0) / 2};
    };
    const auto drag = [&](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint from,
                          QPoint to) {
        QTest::mousePress(pic, button, modifiers, corner + from);
        QTest::mouseMove(pic, corner + to);
        if (button == Qt::RightButton || modifiers)
            QCOMPARE(pic->findChild<QRubberBand*>()->geometry(),
                QRect(corner + from, corner + to).normalized());
        else
            QCOMPARE(pic->cursor().shape(), Qt::ClosedHandCursor);
        QTest::mouseRelease(pic, button, modifiers, corner + to);
        QVERIFY(!pic->findChild<QRubberBand*>()->isVisible());
        QVERIFY(!pic->testAttribute(Qt::WA_SetCursor));
    };
    using Range = std::optional<DataRange>;

    QWheelEvent wheel(corner + QPointF(100, 20), pic->mapToGlobal(corner + QPointF(100, 20)),
        {}, {0, 120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(pic, &wheel);
    QCOMPARE(view.Visible, Range(ZoomAround(whole, whole, {100, maxY - 20}, ZoomPerStep)));
    QCOMPARE(window.Picture(), ExpectedPicture(window.form));

    DataRange before = *view.Visible;
    PointD grabbed = at({300, 100});
    PointD under = at({350, 120});
    drag(Qt::LeftButton, {}, {300, 100}, {350, 120});
    QCOMPARE(view.Visible,
        Range(PanBy(before, whole, {grabbed.X - under.X, grabbed.Y - under.Y})));

    for (const Qt::KeyboardModifiers modifiers : {Qt::NoModifier, Qt::ShiftModifier}) {
        const PointD from = at({50, 50});
        const PointD to = at({250, 150});
        drag(modifiers ? Qt::LeftButton : Qt::RightButton, modifiers, {50, 50}, {250, 150});
        QCOMPARE(view.Visible, Range(ZoomTo({from.X, to.X, from.Y, to.Y}, whole)));
    }

    const DataRange shown = *view.Visible;
    const QPoint hovered = corner + QPoint(40, 60);
    QHelpEvent hover(QEvent::ToolTip, hovered, pic->mapToGlobal(hovered));
    QApplication::sendEvent(pic, &hover);
    QCOMPARE(QToolTip::text(), HoverText(*window.form.Profile(), view, {40, 60}));

    QSignalSpy menus(pic, &PictureBox::MenuRequested);
    QTest::mouseClick(pic, Qt::RightButton, {}, corner + QPoint(30, 30));
    pic->setFocus();
    QTest::keyClick(pic, Qt::Key_Menu);
    QTest::keyClick(pic, Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(menus.size(), 3);
    QCOMPARE(menus.first().first().toPoint(), pic->mapToGlobal(corner + QPoint(30, 30)));
    QCOMPARE(view.Visible, Range(shown));

    QTest::mouseDClick(pic, Qt::LeftButton, {}, corner + QPoint(10, 10));
    QCOMPARE(view.Visible, Range());

    const DataRange zoomed = ZoomAround(whole, whole, centre(whole), ZoomPerStep);
    QTest::keyClick(pic, Qt::Key_Plus);
    QCOMPARE(view.Visible, Range(zoomed));
    QTest::keyClick(pic, Qt::Key_Right);
    QCOMPARE(view.Visible,
        Range(PanBy(zoomed, whole, {PanPerKey * (zoomed.X1 - zoomed.X0), 0})));
    QTest::keyClick(pic, Qt::Key_0);
    QCOMPARE(view.Visible, Range());
    QTest::keyClick(pic, Qt::Key_Minus);
    QCOMPARE(view.Visible, Range());

    // Enabled as a collection leaves them.
    for (const char* name : {"cmdDraw", "cmdDrawTower"}) {
        auto* button = window.Find<QPushButton>(name);
        button->setEnabled(true);
        QTest::keyClick(pic, Qt::Key_Plus);
        QCOMPARE(view.Visible, Range(zoomed));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(view.Visible, Range());
    }

    // The tower view raised nothing here (the tower is low), so the whole is unchanged.
    QTest::keyClick(pic, Qt::Key_Plus);
    window.form.resize(500, 250);
    QTRY_COMPARE(view.ViewWidth, 500.0 * TwipsPerPixel - 360 - 120);
    QCOMPARE(view.Visible, Range(zoomed));
    QCOMPARE(view.ScaleX, view.ViewWidth / (zoomed.X1 - zoomed.X0));
    QCOMPARE(window.Picture(), ExpectedPicture(window.form));
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
