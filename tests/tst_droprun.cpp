#include "windowtesting.h"
#include "ui/frmmain.h"
#include "ui/picturebox.h"

#include <QtTest>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>

namespace {

// A window over a program folder of its own, holding a copy of `solver` (a program built
// beside the tests: the stand-in calc.exe or one of the misbehaving test solvers) as calc.exe.
struct Program {
    QTemporaryDir folder;
    QTemporaryDir inputs;
    QStringList messages;
    std::unique_ptr<frmMain> form;

    explicit Program(const QString& solver = QStringLiteral("calc.exe"))
    {
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + QLatin1Char('/') + solver,
                            folder.filePath(QStringLiteral("calc.exe"))));
        form = std::make_unique<frmMain>(folder.path(), std::make_unique<RecordingPresenter>(messages));
    }

    QString Input(const QString& name, const QByteArray& text)
    {
        QFile file(inputs.filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
        return file.fileName();
    }
    QWidget* Button(const char* name) { return form->findChild<QWidget*>(QString::fromLatin1(name)); }
    QString Label(const char* name) { return form->findChild<QLabel*>(QString::fromLatin1(name))->text(); }
    bool WorkDirectoryExists() { return QFileInfo::exists(folder.filePath(QStringLiteral("morvadine_temporary"))); }
};

std::unique_ptr<QMimeData> FileList(const QStringList& paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

// A drag that enters `target` and is dropped there, as the platform delivers it.
void Drop(QWidget* target, const QMimeData* data)
{
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

const QByteArray Profile = "4\n0 0\n10 6\n20 2\n30 0\n";

} // namespace

class TestDropRun : public QObject {
    Q_OBJECT

private slots:
    void dropShowsTheSolvedProfile_data();
    void dropShowsTheSolvedProfile();
    void dropWithoutFilesChangesNothing();
    void longCoordinatesStayReadable();
    void toolTipsJudgeTheAnswer_data();
    void toolTipsJudgeTheAnswer();
    void brokenInputIsReportedAndCleanedUp();
    void refusedDropIsReportedAfterTheDropReturns();
    void brokenSolverIsReportedAndCleanedUp_data();
    void brokenSolverIsReportedAndCleanedUp();
    void slowSolverIsAwaitedWithABusyCursor();
    void latestDropWins();
    void profileLeftOfTheAxisIsReportedOnce();
};

void TestDropRun::dropShowsTheSolvedProfile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("extraFiles");
    QTest::newRow("on the window") << "frmMain" << 0;
    QTest::newRow("on the picture") << "pic" << 0;
    QTest::newRow("on the text box") << "txtMaxPoint" << 0;
    QTest::newRow("several files, the first is used") << "frmMain" << 2;
}

void TestDropRun::dropShowsTheSolvedProfile()
{
    QFETCH(QString, target);
    QFETCH(int, extraFiles);
    Program program(QStringLiteral("solver_answer"));
    QStringList files{program.Input(QStringLiteral("profile.txt"), Profile)};
    for (int k = 0; k < extraFiles; ++k)
        files << program.Input(QStringLiteral("other%1.txt").arg(k), "garbage");
    const QImage before = program.form->findChild<PictureBox*>()->Image();

    const auto data = FileList(files);
    Drop(target == QStringLiteral("frmMain") ? program.form.get() : program.Button(qPrintable(target)), data.get());
    QVERIFY(!program.form->Profile());
    QVERIFY(!program.Button("cmdDraw")->isEnabled());
    QVERIFY(!program.Button("cmdDrawTower")->isEnabled());

    QTRY_VERIFY_WITH_TIMEOUT(program.form->Profile() != nullptr, 20000);
    QVERIFY(program.Button("cmdDraw")->isEnabled());
    QVERIFY(program.Button("cmdDrawTower")->isEnabled());
    QCOMPARE(program.messages, QStringList());
    QCOMPARE(program.form->Profile()->PointCount, 4);
    QCOMPARE(program.Label("lblT1"), QStringLiteral("(1,2)"));
    QCOMPARE(program.Label("lblT2"), QStringLiteral("(3,4)"));
    QCOMPARE(program.form->findChild<PictureBox*>()->Image(), ExpectedPicture(*program.form));
    QVERIFY(ExpectedPicture(*program.form) != before);
    QVERIFY(!program.WorkDirectoryExists());
    QFile dropped(files.first());
    QVERIFY(dropped.open(QIODevice::ReadOnly));
    QCOMPARE(dropped.readAll(), Profile);
    QCOMPARE(program.form->findChild<QLineEdit*>()->text(), QStringLiteral("200"));
}

// Coordinates of 15 significant digits run past the window's right edge as laid out; the
// window widens so that both can be read whole.
void TestDropRun::longCoordinatesStayReadable()
{
    Program program;
    const QString sample = QFINDTESTDATA("examples/sample.in");
    QVERIFY(!sample.isEmpty());
    const auto data = FileList({sample});
    Drop(program.form.get(), data.get());
    QTRY_VERIFY_WITH_TIMEOUT(program.form->Profile() != nullptr, 20000);
    qsizetype longest = 0;
    for (const char* name : {"lblT1", "lblT2"}) {
        const auto* label = program.form->findChild<QLabel*>(QString::fromLatin1(name));
        longest = std::max(longest, label->text().size());
        QVERIFY(label->geometry().right() < program.form->width());
        QVERIFY(label->width() >= label->sizeHint().width());
    }
    QVERIFY(longest > 20);
}

void TestDropRun::toolTipsJudgeTheAnswer_data()
{
    QTest::addColumn<QString>("solver"); // named as --solver names it; the stand-in when empty
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("towerTip");
    QTest::addColumn<QString>("islandTip");
    QTest::addColumn<QString>("ending"); // after the run time
    QTest::newRow("optimal") << "" << QByteArray()
                             << "height 132.58 above the ground; the lowest possible is 132.58: optimal"
                             << "at y 156.691161431702; the lowest possible is 156.691161431702: optimal" << "";
    QTest::newRow("slopes unseen") << "solver_answer" << Profile
                                   << "does not see the slope from (10,6) to (20,2): at x 1 it needs y 9.6 or more"
                                   << "does not see the slope from (10,6) to (20,2): at x 3 it needs y 8.8 or more"
                                   << "";
    QTest::newRow("higher than needed") << "solver_answer" << QByteArray("2\n0 0\n4 0\n")
                                        << "height 2 above the ground; the lowest possible is 0, at (0,0)"
                                        << "at y 4; the lowest possible is 0, at (0,0)" << "";
    // Its answer is shown all the same, as the solver left it.
    QTest::newRow("answered, then failed") << "solver_answerthenfail" << QByteArray("2\n0 0\n4 0\n")
                                           << "height 2 above the ground; the lowest possible is 0, at (0,0)"
                                           << "at y 4; the lowest possible is 0, at (0,0)"
                                           << "; calc.exe exited with status 3";
}

// After a collection each coordinate label's tool tip judges its placement, and gives the
// solver's run time, and how it ended if not with status 0, on a line of its own. A wrong
// placement's label turns orange, the marks' colour, and its tip says how to see the marks.
void TestDropRun::toolTipsJudgeTheAnswer()
{
    QFETCH(QString, solver);
    QFETCH(QByteArray, input);
    QFETCH(QString, towerTip);
    QFETCH(QString, islandTip);
    QFETCH(QString, ending);
    Program program;
    if (!solver.isEmpty())
        program.form->SetSolverProgram(QCoreApplication::applicationDirPath() + QLatin1Char('/') + solver);
    const QString file = input.isEmpty() ? QFINDTESTDATA("examples/sample.in")
                                         : program.Input(QStringLiteral("profile.txt"), input);
    const auto data = FileList({file});
    Drop(program.form.get(), data.get());
    QTRY_VERIFY_WITH_TIMEOUT(program.form->Profile() != nullptr, 20000);
    const auto tip = [&program](const char* label) {
        return program.form->findChild<QLabel*>(QString::fromLatin1(label))->toolTip().split(QLatin1Char('\n'));
    };
    const QRegularExpression time(QStringLiteral("^the solver ran for [0-9]+(\\.[0-9])? ms")
                                  + QRegularExpression::escape(ending) + QLatin1Char('$'));
    QCOMPARE(tip("lblT1").value(0), towerTip);
    QCOMPARE(tip("lblT2").value(0), islandTip);
    const bool wrong = !towerTip.endsWith(QLatin1String("optimal"));
    const QStringList hint
        = wrong ? QStringList{"right-click the picture to mark it"} : QStringList();
    const QColor colour
        = wrong ? QColor(224, 96, 0) : program.form->palette().color(QPalette::WindowText);
    for (const char* label : {"lblT1", "lblT2"}) {
        QCOMPARE(tip(label).mid(2), hint);
        QVERIFY2(time.match(tip(label).value(1)).hasMatch(), qPrintable(tip(label).value(1)));
        const auto* shown = program.form->findChild<QLabel*>(QString::fromLatin1(label));
        QCOMPARE(shown->palette().color(QPalette::WindowText), colour);
    }
}

void TestDropRun::dropWithoutFilesChangesNothing()
{
    Program program;
    QMimeData text;
    text.setText(QStringLiteral("4 0 0 1 1 2 2 3 3"));
    Drop(program.form.get(), &text);
    Drop(program.Button("pic"), &text);
    QVERIFY(!program.WorkDirectoryExists());
    QVERIFY(!program.form->findChild<QTimer*>(QStringLiteral("tmrDisplay"))->isActive());
    QVERIFY(program.messages.isEmpty());
}

void TestDropRun::brokenInputIsReportedAndCleanedUp()
{
    Program program;
    const auto good = FileList({program.Input(QStringLiteral("good.txt"), Profile)});
    Drop(program.form.get(), good.get());
    QTRY_VERIFY_WITH_TIMEOUT(program.form->Profile() != nullptr, 20000);
    const QString towerCaption = program.Label("lblT1");

    const QString brokenFile = program.Input(QStringLiteral("broken.txt"), "3\n0 0\n1 abc\n");
    const auto broken = FileList({brokenFile});
    Drop(program.form.get(), broken.get());
    // calc.exe names its staged copy; the user reads the name of the file they dropped.
    QTRY_COMPARE_WITH_TIMEOUT(program.messages,
                              QStringList{QStringLiteral("calc.exe exited with status 1: calc.exe: %1: line 3, "
                                                         "column 3: expected a number, found 'abc'")
                                              .arg(brokenFile)},
                              20000);
    QVERIFY(!program.form->Profile());
    QVERIFY(!program.Button("cmdDraw")->isEnabled());
    QCOMPARE(program.Label("lblT1"), towerCaption);
    QTRY_VERIFY(!program.WorkDirectoryExists());

    // The window stays usable: the next drop works.
    Drop(program.form.get(), good.get());
    QTRY_VERIFY_WITH_TIMEOUT(program.form->Profile() != nullptr, 20000);
    QVERIFY(program.Button("cmdDraw")->isEnabled());
}

// A message box opened inside the drop event would keep the program the file came from
// waiting for the end of the drag until the box is answered.
void TestDropRun::refusedDropIsReportedAfterTheDropReturns()
{
    Program program;
    const auto folder = FileList({program.inputs.path()});
    Drop(program.form.get(), folder.get());
    QCOMPARE(program.messages, QStringList());
    QTRY_COMPARE(program.messages, QStringList{program.inputs.path()
                                               + QStringLiteral(": is a folder, not a file; drop a problem input file")});
    QVERIFY(!program.WorkDirectoryExists());
}

void TestDropRun::brokenSolverIsReportedAndCleanedUp_data()
{
    QTest::addColumn<QString>("solver");
    QTest::addColumn<QString>("message");
    QTest::newRow("fails") << "solver_failing"
                           << "calc.exe exited with status 3: step 3\nstep 4\nstep 5\nstep 6\n"
                              "step 7: %dropped, ./morvadine.in, morvadine.in.bak";
    QTest::newRow("crashes") << "solver_crashing" << "calc.exe crashed: about to crash";
    QTest::newRow("half an answer") << "solver_partial"
                                    << "calc.exe finished without a usable answer: morvadine.out: the file ends "
                                       "after 3 of its 4 numbers (where the tower stands, then where the "
                                       "island floats, each as x y)";
}

// Whatever goes wrong with the user's solver, the window says so, shows nothing new, and
// leaves no trace in the program folder or on the dropped file.
void TestDropRun::brokenSolverIsReportedAndCleanedUp()
{
    QFETCH(QString, solver);
    QFETCH(QString, message);
    Program program(solver);
    const QString input = program.Input(QStringLiteral("profile.txt"), Profile);
    const auto data = FileList({input});
    Drop(program.form.get(), data.get());
    QTRY_COMPARE_WITH_TIMEOUT(program.messages, QStringList{message.replace(QStringLiteral("%dropped"), input)}, 20000);
    QVERIFY(!program.form->Profile());
    QVERIFY(!program.Button("cmdDraw")->isEnabled());
    QVERIFY(!program.Button("cmdDrawTower")->isEnabled());
    QCOMPARE(program.Label("lblT1"), QStringLiteral("(0.00,0.00)"));
    QVERIFY(!program.WorkDirectoryExists());
    QFile dropped(input);
    QVERIFY(dropped.open(QIODevice::ReadOnly));
    QCOMPARE(dropped.readAll(), Profile);
}

void TestDropRun::slowSolverIsAwaitedWithABusyCursor()
{
    Program program(QStringLiteral("solver_slow"));
    const auto data = FileList({program.Input(QStringLiteral("profile.txt"), Profile)});
    Drop(program.form.get(), data.get());
    QTRY_COMPARE_WITH_TIMEOUT(program.form->cursor().shape(), Qt::BusyCursor, 5000);
    QVERIFY(!program.form->Profile());
    QTRY_VERIFY_WITH_TIMEOUT(program.form->Profile() != nullptr, 20000);
    QCOMPARE(program.form->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(program.Label("lblT1"), QStringLiteral("(1,2)"));
    QVERIFY(program.messages.isEmpty());
}

void TestDropRun::latestDropWins()
{
    Program program(QStringLiteral("solver_slow"));
    const auto first = FileList({program.Input(QStringLiteral("first.txt"), "1\n5 5\n")});
    const auto second = FileList({program.Input(QStringLiteral("second.txt"), Profile)});
    Drop(program.form.get(), first.get());
    QTest::qWait(100);
    Drop(program.form.get(), second.get());
    QTRY_VERIFY_WITH_TIMEOUT(program.form->Profile() != nullptr, 20000);
    QCOMPARE(program.form->Profile()->PointCount, 4);
    QTest::qWait(1500); // no late collection of the first run follows
    QCOMPARE(program.form->Profile()->PointCount, 4);
    QVERIFY(program.messages.isEmpty());
    QVERIFY(!program.WorkDirectoryExists());
}

void TestDropRun::profileLeftOfTheAxisIsReportedOnce()
{
    Program program;
    const auto data = FileList({program.Input(QStringLiteral("left.txt"), "3\n-5 0\n-3 4\n0 1\n")});
    Drop(program.form.get(), data.get());
    QTRY_VERIFY_WITH_TIMEOUT(program.form->Profile() != nullptr, 20000);
    QCOMPARE(program.messages.size(), 1);
    QVERIFY2(program.messages.first().contains(QStringLiteral("no vertex with x greater than 0")),
             qPrintable(program.messages.first()));
    QVERIFY(!program.WorkDirectoryExists());
    // Later redraws draw nothing and say nothing.
    program.form->resize(400, 200);
    program.form->chkLine1_Click();
    program.form->cmdDrawTower_Click();
    QCOMPARE(program.messages.size(), 1);
}

QTEST_MAIN(TestDropRun)
#include "tst_droprun.moc"
