#include "app/picture.h"
#include "app/verdicttext.h"
#include "windowtesting.h"

#include <QtTest>
#include <QAction>
#include <QClipboard>
#include <QSettings>

namespace {

// Two peaks over a valley: the lowest tower and island both stand at (4,8). The answer
// "3.5 8 4 9" misses the slope from (6,4) to (8,0) with the tower, and floats 1 too high.
const char* const TwoPeaks = "5\n0 0\n2 4\n4 2\n6 4\n8 0\n";
const char* const Wrong = "3.5 8 4 9";
const char* const Right = "4 8 4 8";

struct Window {
    QList<MessageBoxContent> messages;
    QTemporaryDir programFolder;
    frmMain form{programFolder.path(), std::make_unique<RecordingPresenter>(messages)};

    Window()
    {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }
    QAction* Action(const char* name)
    {
        return form.findChild<QAction*>(QString::fromLatin1(name));
    }
    const QImage& Picture() { return form.findChild<PictureBox*>()->Image(); }
    void Load(const std::string& points, const std::string& result)
    {
        LoadScene(form, programFolder.filePath("loaded").toStdString(), points, result);
    }
};

int Orange(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & RGB_MASK) == (qRgb(224, 96, 0) & RGB_MASK);
    }
    return count;
}

} // namespace

class TestPictureMenu : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void markingIsAToggleKeptBetweenRuns();
    void zoomToTheProblemFramesItAndMarksIt();
    void savedPictureIsThePictureFilesDrawing_data();
    void savedPictureIsThePictureFilesDrawing();
    void copiedAnswerReadsBackExactly();
    void markedTowerViewShowsTheBestPlace();
    void zoomToTheProblemFramesTheRaisedBestPlace();

private:
    QTemporaryDir m_settings;
};

// The window's settings go to a folder of the test's own.
void TestPictureMenu::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("morvadine"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

// Off until first chosen; each window starts as the last one left it. The marks are the
// slope's thick line and rings, in the orange nothing else is drawn in.
void TestPictureMenu::markingIsAToggleKeptBetweenRuns()
{
    for (const bool on : {true, false}) {
        Window window;
        QCOMPARE(window.Action("mnuMarkWrong")->isChecked(), !on);
        window.Load(TwoPeaks, Wrong);
        QCOMPARE(Orange(window.Picture()), on ? 0 : 896);
        window.Action("mnuMarkWrong")->trigger();
        QCOMPARE(window.Action("mnuMarkWrong")->isChecked(), on);
        QCOMPARE(Orange(window.Picture()), on ? 896 : 0);
    }
    QCOMPARE(Window().Action("mnuMarkWrong")->isChecked(), false);
}

// A tower at 6 that belongs at 8: marked, the tower view rises until the circle at 8 lies a
// ring's radius (150 twips) below the top; unmarked again, it fits the tower's 6 and draws
// what it drew before marking.
void TestPictureMenu::markedTowerViewShowsTheBestPlace()
{
    Window window;
    window.Load(TwoPeaks, "3.5 6 4 8");
    window.form.cmdDrawTower_Click();
    const QImage unmarked = window.Picture();
    QCOMPARE(window.form.View().MaxY, 6.0);
    window.Action("mnuMarkWrong")->trigger();
    QCOMPARE(ToScreen(window.form.View(), {4, 8}).Y, 150.0);
    QCOMPARE(window.form.View().MaxY, 6.0); // the raise is the drawing's, not the window's
    // Zoomed into the raised part, then unmarked: the range is fitted back into 0..6.
    window.form.ShowRange(DataRange{3, 5, 6, 8.25});
    window.Action("mnuMarkWrong")->trigger();
    QVERIFY(window.form.View().Visible == (DataRange{3, 5, 3.75, 6}));
    window.form.ShowRange(std::nullopt);
    QCOMPARE(window.Picture(), unmarked);
}

// A tower outside the profile, marks off and the mountains view: zooming to the problem frames
// the best place at (4,8) inside the picture, above the height the tower view fits unmarked.
void TestPictureMenu::zoomToTheProblemFramesTheRaisedBestPlace()
{
    Window window;
    window.Load(TwoPeaks, "-1 1 4 8");
    window.Action("mnuZoomProblem")->trigger();
    const double bestY = ToScreen(window.form.View(), {4, 8}).Y;
    QVERIFY2(bestY >= 0 && bestY <= window.form.View().ViewHeight,
        qPrintable(QString::number(bestY)));
    window.Action("mnuMarkWrong")->trigger();
}

// In the tower view, whose height the tower's 8 sets: the slope's ends and the tower, from x
// 3.5 to 8 and y 0 to 8, with an eighth more on each side, shifted inside the whole and cut
// to its height. Marking comes on with it; the whole profile is one choice away.
void TestPictureMenu::zoomToTheProblemFramesItAndMarksIt()
{
    Window window;
    window.Load(TwoPeaks, Right);
    QVERIFY(!window.Action("mnuZoomProblem")->isEnabled());
    QVERIFY(!window.Action("mnuZoomSlope")->isEnabled());
    window.Load(TwoPeaks, Wrong);
    QVERIFY(window.Action("mnuZoomProblem")->isEnabled());
    QVERIFY(window.Action("mnuZoomSlope")->isEnabled());
    window.Action("mnuZoomProblem")->trigger();
    QVERIFY(window.form.View().ShowTower);
    QVERIFY(window.form.View().Visible == (DataRange{2.375, 8, 0, 8}));
    QVERIFY(window.Action("mnuMarkWrong")->isChecked());
    QCOMPARE(window.Picture(), ExpectedPicture(window.form, &window.form.Marks()));
    // The slope from (6,4) to (8,0) alone: 2.5 by 5, shifted inside the whole.
    window.Action("mnuZoomSlope")->trigger();
    QVERIFY(window.form.View().Visible == (DataRange{5.5, 8, 0, 5}));
    window.Action("mnuWholeProfile")->trigger();
    QVERIFY(!window.form.View().Visible);
    window.Action("mnuMarkWrong")->trigger();
}

void TestPictureMenu::savedPictureIsThePictureFilesDrawing_data()
{
    QTest::addColumn<bool>("marked");
    QTest::newRow("unmarked") << false;
    QTest::newRow("marked") << true;
}

// In the tower view, the saved picture is the one --picture draws at the picture box's size
// with the same samples, and --marks when the window marks; a file that cannot be written is
// named in the message.
void TestPictureMenu::savedPictureIsThePictureFilesDrawing()
{
    QFETCH(bool, marked);
    Window window;
    window.Load(TwoPeaks, Wrong);
    window.form.cmdDrawTower_Click();
    window.Action("mnuMarkWrong")->setChecked(marked);
    const QString file = window.programFolder.filePath(QStringLiteral("saved.png"));
    QVERIFY(window.form.SavePicture(file));
    DrawOutcome outcome = DrawOutcome::NotLoaded;
    const FailureMarks marks = MarksOf(*JudgeScene(*window.form.Profile(), DefaultTolerance));
    PictureRequest request;
    request.Size = window.form.findChild<PictureBox*>()->size();
    const QImage expected
        = DrawPicture(*window.form.Profile(), request, marked ? &marks : nullptr, outcome);
    QCOMPARE(QImage(file).convertToFormat(expected.format()), expected);
    QCOMPARE(Orange(expected) > 0, marked);
    window.Action("mnuMarkWrong")->setChecked(false);

    const QString unwritable = window.programFolder.filePath(QStringLiteral("none/saved.png"));
    QVERIFY(!window.form.SavePicture(unwritable));
    QCOMPARE(window.messages.size(), 1);
    QVERIFY2(window.messages[0].Text.startsWith(
                 QStringLiteral("cannot save the picture %1: ").arg(unwritable)),
        qPrintable(window.messages[0].Text));
}

// Each number the shortest text that reads back as the same double.
void TestPictureMenu::copiedAnswerReadsBackExactly()
{
    Window window;
    QVERIFY(!window.Action("mnuCopyAnswer")->isEnabled());
    window.Load(TwoPeaks, "3.5 8 0.30000000000000004 1e21");
    window.Action("mnuCopyAnswer")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(),
        QStringLiteral("3.5 8 0.30000000000000004 1e+21"));
}

QTEST_MAIN(TestPictureMenu)
#include "tst_picturemenu.moc"
