#include "check/commandline.h"
#include "check/verdicttext.h"
#include "endlesssolver.h"

#include <QtTest>

#include <fstream>

namespace {

// Inputs of the check-mode runs, in their current directory. The stand-in answers a.in with
// the peak (10,6) and flat.in with (0,0); the answer solvers' fixed "1 2 3 4" misses a slope
// of a.in and is 2 too high on flat.in.
const std::pair<const char*, QByteArray> Inputs[] = {
    { "a.in", "4\n0 0\n10 6\n20 2\n30 0\n" },
    { "flat.in", "2\n0 0\n4 0\n" },
    { "bad.in", "3\n0 0\n1 abc\n" },
};

struct Finished {
    QString Output;
    QString Errors;
    int ExitCode = -1;
};

// A report whose solver times read "T".
QString WithoutTimes(QString report)
{
    static const QRegularExpression time(QStringLiteral("(solver|求解器) [0-9.]+ "));
    return report.replace(time, QStringLiteral("\\1 T "));
}

PlacementVerdict Verdict(PlacementKind kind, double height, double bestHeight)
{
    PlacementVerdict verdict;
    verdict.Kind = kind;
    verdict.Given = { -1, 7 };
    verdict.Best = { 2, 3 };
    verdict.First = 0;
    verdict.Last = 1e20;
    verdict.Needed = 4.5;
    verdict.Slope = { { 4, 2 }, { 5, 4 } };
    verdict.Height = height;
    verdict.BestHeight = bestHeight;
    return verdict;
}

} // namespace

Q_DECLARE_METATYPE(PlacementVerdict)

class TestCheck : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void sentences_data();
    void sentences();
    void checkMode_data();
    void checkMode();
    void checkModeInChinese_data();
    void checkModeInChinese();
    void pictureShowsTheMarkers_data();
    void pictureShowsTheMarkers();
    void windowFileIsMadeAbsolute();
    void awkwardNamesAndAMissingFile();
    void stoppedCheckStopsItsSolver();
    void stopHeardBeforeAFileStartsNoSolver();

private:
    enum class Language { English, Chinese };
    QProcessEnvironment Environment(Language language) const;
    Finished Morvadine(const QStringList& arguments, Language language = Language::English);
    void CompareRun(Language language);

    QTemporaryDir m_program; // the viewer and calc.exe, and the work directory they make
    QTemporaryDir m_inputs; // the runs' current directory
    QTemporaryDir m_session; // the user session's runtime folder, which the window's Qt expects
};

void TestCheck::initTestCase()
{
    const QString built = QCoreApplication::applicationDirPath();
    for (const char* program : { "morvadine", "calc.exe" }) {
        QVERIFY(QFile::copy(built + QLatin1Char('/') + QLatin1String(program),
            m_program.filePath(QLatin1String(program))));
    }
    for (const auto& [name, text] : Inputs) {
        QFile input(m_inputs.filePath(QLatin1String(name)));
        QVERIFY(input.open(QIODevice::WriteOnly));
        input.write(text);
    }
    QVERIFY(QFile::copy(QFINDTESTDATA("examples/sample.in"), m_inputs.filePath("sample.in")));
}

// The viewer's environment on a machine without a display, for a user of `language` whatever
// the machine's.
QProcessEnvironment TestCheck::Environment(Language language) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* variable :
        { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "LC_ALL", "LC_MESSAGES", "LANGUAGE" })
        environment.remove(QLatin1String(variable));
    const bool chinese = language == Language::Chinese;
    environment.insert(QStringLiteral("LANG"), chinese ? "zh_CN.UTF-8" : "C.UTF-8");
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_session.path());
    if (chinese)
        environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("zh_CN"));
    return environment;
}

// The viewer run as a script would; the solver's time in the report reads "T".
Finished TestCheck::Morvadine(const QStringList& arguments, Language language)
{
    QProcess viewer;
    viewer.setProcessEnvironment(Environment(language));
    viewer.setWorkingDirectory(m_inputs.path());
    viewer.start(m_program.filePath(QStringLiteral("morvadine")),
        QStringList(arguments).replaceInStrings(
            QStringLiteral("$built"), QCoreApplication::applicationDirPath()));
    if (!viewer.waitForFinished(60000))
        return {};
    return { WithoutTimes(QString::fromUtf8(viewer.readAllStandardOutput())),
        QString::fromUtf8(viewer.readAllStandardError()), viewer.exitCode() };
}

void TestCheck::sentences_data()
{
    QTest::addColumn<int>("placement");
    QTest::addColumn<PlacementVerdict>("verdict");
    QTest::addColumn<QString>("sentence");
    const int tower = int(Placement::Tower);
    const int island = int(Placement::Island);
    QTest::newRow("optimal tower")
        << tower << Verdict(PlacementKind::Ok, 1, 1)
        << "height 1 above the ground; the lowest possible is 1: optimal";
    QTest::newRow("tower too high")
        << tower << Verdict(PlacementKind::HigherThanNeeded, 1.5, 0.25)
        << "height 1.5 above the ground; the lowest possible is 0.25, at (2,3)";
    QTest::newRow("optimal island") << island << Verdict(PlacementKind::Ok, 7, 7.0000001)
                                    << "at y 7; the lowest possible is 7.0000001: optimal";
    QTest::newRow("island too high") << island << Verdict(PlacementKind::HigherThanNeeded, 7, 3)
                                     << "at y 7; the lowest possible is 3, at (2,3)";
    QTest::newRow("a slope unseen")
        << island << Verdict(PlacementKind::MissesSlope, 0, 0)
        << "does not see the slope from (4,2) to (5,4): at x -1 it needs y 4.5 or more";
    QTest::newRow("outside the profile")
        << tower << Verdict(PlacementKind::OutsideRange, 0, 0)
        << "x -1 lies outside the profile, which spans x 0 to 1E+20";
    QTest::newRow("not finite") << tower << Verdict(PlacementKind::NotFinite, 0, 0)
                                << "its coordinates are not finite numbers";
}

void TestCheck::sentences()
{
    QFETCH(int, placement);
    QFETCH(PlacementVerdict, verdict);
    QFETCH(QString, sentence);
    QCOMPARE(PlacementSentence(Placement(placement), verdict), sentence);
}

void TestCheck::checkMode_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("errors");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("the stand-in, and a file it refuses")
        << QStringList { "--check", "a.in", "flat.in", "bad.in" }
        << "a.in: ok, tower (10,6), island (10,6), height 0 (best 0), solver T ms\n"
           "flat.in: ok, tower (0,0), island (0,0), height 0 (best 0), solver T ms\n"
           "bad.in: error: calc.exe exited with status 1: calc.exe: bad.in: line 3, column 3: "
           "expected a number, found 'abc'\n"
           "3 files: 2 ok, 0 wrong, 1 error\n"
        << "calc.exe: morvadine.in: line 3, column 3: expected a number, found 'abc'\n"
        << 2;
    QTest::newRow("a fixed wrong answer")
        << QStringList { "--check", "--solver", "$built/solver_answer", "a.in", "flat.in" }
        << "a.in: wrong, tower (1,2), island (3,4), height 1.4 (best 0), solver T ms; "
           "tower: does not see the slope from (10,6) to (20,2): at x 1 it needs y 9.6 or more; "
           "island: does not see the slope from (10,6) to (20,2): at x 3 it needs y 8.8 or more\n"
           "flat.in: wrong, tower (1,2), island (3,4), height 2 (best 0), solver T ms; "
           "tower: height 2 above the ground; the lowest possible is 0, at (0,0); "
           "island: at y 4; the lowest possible is 0, at (0,0)\n"
           "2 files: 0 ok, 2 wrong, 0 errors\n"
        << "" << 1;
    QTest::newRow("4 too high within a tolerance of 4")
        << QStringList { "--check", "--tolerance", "4", "--solver", "$built/solver_answer",
               "flat.in" }
        << "flat.in: ok, tower (1,2), island (3,4), height 2 (best 0), solver T ms\n"
           "1 file: 1 ok, 0 wrong, 0 errors\n"
        << "" << 0;
    QTest::newRow("4 too high beyond a tolerance of 3.999")
        << QStringList { "--check", "--tolerance", "3.999", "--solver", "$built/solver_answer",
               "flat.in" }
        << "flat.in: wrong, tower (1,2), island (3,4), height 2 (best 0), solver T ms; "
           "island: at y 4; the lowest possible is 0, at (0,0)\n"
           "1 file: 0 ok, 1 wrong, 0 errors\n"
        << "" << 1;
    QTest::newRow("a failing solver")
        << QStringList { "--check", "--solver", "$built/solver_failing", "flat.in" }
        << "flat.in: error: calc.exe exited with status 3: step 3 | step 4 | step 5 | step 6 | "
           "step 7: flat.in, ./morvadine.in, morvadine.in.bak\n"
           "1 file: 0 ok, 0 wrong, 1 error\n"
        << "step 1\nstep 2\nstep 3\nstep 4\nstep 5\nstep 6\n"
           "step 7: morvadine.in, ./morvadine.in, morvadine.in.bak\n"
        << 2;
    // Escaped as the window's messages escape a file's contents, its last line cut to its end.
    QTest::newRow("a failing solver's colours and long line")
        << QStringList { "--check", "--solver", "$built/solver_garbled", "flat.in" }
        << "flat.in: error: calc.exe exited with status 4: ..." + QString(193, QLatin1Char('-'))
            + "the end | \\x1B[31mred\\x1B[0m\\x0Dover\\xFF\n"
              "1 file: 0 ok, 0 wrong, 1 error\n"
        << QString::fromUtf8(QByteArray(99990, '-') + "the end\n\x1b[31mred\x1b[0m\rover\xff\n")
        << 2;
    QTest::newRow("a solver that answered, then failed")
        << QStringList { "--check", "--solver", "$built/solver_answerthenfail", "flat.in" }
        << "flat.in: error: runtime error: calc.exe exited with status 3; its answer was wrong, "
           "tower (1,2), island (3,4), height 2 (best 0), solver T ms; tower: height 2 above the "
           "ground; the lowest possible is 0, at (0,0); island: at y 4; the lowest possible is 0, "
           "at (0,0)\n"
           "1 file: 0 ok, 0 wrong, 1 error\n"
        << "gave up after answering\n" << 2;
    QTest::newRow("a solver's output kept off the report")
        << QStringList { "--check", "--tolerance", "4", "--solver", "$built/solver_chatty",
               "flat.in" }
        << "flat.in: ok, tower (1,2), island (3,4), height 2 (best 0), solver T ms\n"
           "1 file: 1 ok, 0 wrong, 0 errors\n"
        << "thinking aloud on standard output\n"
        << 0;
    QTest::newRow("version") << QStringList { "--version" } << "morvadine " MORVADINE_VERSION "\n"
                             << "" << 0;
    QTest::newRow("unknown option") << QStringList { "--check", "--bogus", "a.in" } << ""
                                    << "morvadine: Unknown option 'bogus'.\n"
                                    << 2;
    QTest::newRow("a missing file among others")
        << QStringList { "--check", "a.in", "nothing.in", "flat.in" }
        << "a.in: ok, tower (10,6), island (10,6), height 0 (best 0), solver T ms\n"
           "nothing.in: error: nothing.in: the file does not exist\n"
           "flat.in: ok, tower (0,0), island (0,0), height 0 (best 0), solver T ms\n"
           "3 files: 2 ok, 0 wrong, 1 error\n"
        << "" << 2;
    // Without a display the window's command line is refused all the same, by a line.
    QTest::newRow("the window's unknown option") << QStringList { "--bogus-option" } << ""
                                                 << "morvadine: Unknown option 'bogus-option'.\n"
                                                 << 2;
    QTest::newRow("the window's missing file") << QStringList { "/no/such/file" } << ""
                                               << "morvadine: /no/such/file: the file does not exist\n"
                                               << 2;
    QTest::newRow("Qt's own options taken, then a missing file refused, by the window")
        << QStringList { "-platform", "offscreen", "nothing.in" } << ""
        << "morvadine: nothing.in: the file does not exist\n" << 2;
    QTest::newRow("one picture for two files")
        << QStringList { "--check", "--picture", "out.png", "a.in", "flat.in" } << ""
        << "morvadine: --picture: out.png must hold {name} to draw several files\n"
        << 2;
    QTest::newRow("two files named alike")
        << QStringList { "--check", "--picture", "{name}.png", "a.in", "./a.in" } << ""
        << "morvadine: --picture: a.in and ./a.in would both be drawn to a.png\n"
        << 2;
    QTest::newRow("picture size of 0")
        << QStringList { "--check", "--picture", "out.png", "--size", "0x5", "a.in" } << ""
        << "morvadine: --size: 0x5 is not WIDTHxHEIGHT in pixels, each from 1 to 32767\n"
        << 2;
}

void TestCheck::checkMode() { CompareRun(Language::English); }

// A Chinese locale gets the report and the refusals in Chinese; calc.exe's own words are a
// solver's output, passed on as they are.
void TestCheck::checkModeInChinese_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("errors");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("right, and refused by the stand-in")
        << QStringList { "--check", "flat.in", "bad.in" }
        << "flat.in：正确，瞭望塔 (0,0)，浮空岛 (0,0)，高度 0（最优 0），求解器 T 毫秒\n"
           "bad.in：出错：calc.exe 以状态 1 退出：calc.exe: bad.in: line 3, column 3: "
           "expected a number, found 'abc'\n"
           "2 个文件：1 个正确，0 个错误，1 个出错\n"
        << "calc.exe: morvadine.in: line 3, column 3: expected a number, found 'abc'\n"
        << 2;
    QTest::newRow("wrong")
        << QStringList { "--check", "--solver", "$built/solver_answer", "a.in", "flat.in" }
        << "a.in：错误，瞭望塔 (1,2)，浮空岛 (3,4)，高度 1.4（最优 0），求解器 T 毫秒；"
           "瞭望塔：看不到从 (10,6) 到 (20,2) 的山坡：在 x = 1 处，y 至少需要 9.6；"
           "浮空岛：看不到从 (10,6) 到 (20,2) 的山坡：在 x = 3 处，y 至少需要 8.8\n"
           "flat.in：错误，瞭望塔 (1,2)，浮空岛 (3,4)，高度 2（最优 0），求解器 T 毫秒；"
           "瞭望塔：离地高度 2；可能的最低高度为 0，位于 (0,0)；"
           "浮空岛：位于 y = 4；可能的最低位置为 0，位于 (0,0)\n"
           "2 个文件：0 个正确，2 个错误，0 个出错\n"
        << "" << 1;
}

void TestCheck::checkModeInChinese() { CompareRun(Language::Chinese); }

// Exactly what a script reads: the report on standard output, the solvers' output and the
// refusals on standard error, and the exit status. Nothing is left in the program folder.
void TestCheck::CompareRun(Language language)
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    QFETCH(QString, errors);
    QFETCH(int, exitCode);
    const Finished finished = Morvadine(arguments, language);
    QCOMPARE(finished.Output, output);
    QCOMPARE(finished.Errors, errors);
    QCOMPARE(finished.ExitCode, exitCode);
    QVERIFY(!QFileInfo::exists(m_program.filePath(QStringLiteral("morvadine_temporary"))));
}

void TestCheck::pictureShowsTheMarkers_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("blue");
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("black");
    QTest::newRow("as the window first draws it")
        << QStringList {} << QSize(553, 233) << 31 << 60 << 1023;
    QTest::newRow("sized, thinned, with both sight lines")
        << QStringList { "--size", "300x200", "--samples", "10", "--lines", "both" }
        << QSize(300, 200) << 638 << 668 << 360;
}

// The tower (blue, cut in half by the top edge, since it stands highest) and the island (red,
// a disc of radius 4) of the stand-in's answer on the bundled sample, and the profile in
// black, counted pixel by pixel; the sight lines add dotted lines in both colours.
void TestCheck::pictureShowsTheMarkers()
{
    QFETCH(QStringList, options);
    QFETCH(QSize, size);
    QFETCH(int, blue);
    QFETCH(int, red);
    QFETCH(int, black);
    const QString picture = m_inputs.filePath(QStringLiteral("pictures/sample.png"));
    QVERIFY(QDir(m_inputs.path()).mkpath(QStringLiteral("pictures")));
    const Finished finished = Morvadine(
        QStringList { "--check", "--picture", "pictures/{name}.png", "sample.in" } + options);
    QCOMPARE(finished.ExitCode, 0);
    const QImage image(picture);
    QCOMPARE(image.size(), size);
    QMap<QRgb, int> count;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ++count[image.pixel(x, y) & RGB_MASK];
    }
    QCOMPARE(count.value(qRgb(0, 0, 255) & RGB_MASK), blue);
    QCOMPARE(count.value(qRgb(255, 0, 0) & RGB_MASK), red);
    QCOMPARE(count.value(qRgb(0, 0, 0) & RGB_MASK), black);
}

// The window's messages name the file whatever the current directory.
void TestCheck::windowFileIsMadeAbsolute()
{
    const QString previous = QDir::currentPath();
    const auto restore = qScopeGuard([&previous] { QDir::setCurrent(previous); });
    QVERIFY(QDir::setCurrent(m_inputs.path()));
    const CommandLine commandLine = ParseCommandLine({ "morvadine", "--tolerance", "0", "a.in" });
    QCOMPARE(commandLine.What, CommandLine::Action::OpenWindow);
    QCOMPARE(commandLine.Request.Files, QStringList { m_inputs.filePath(QStringLiteral("a.in")) });
    QCOMPARE(commandLine.Request.Tolerance, 0.0);
}

// Names as the system gives them, bytes that are not UTF-8 and control characters included,
// reach the files and show escaped on their own report lines; a missing file among them has
// its own error line, and the others are judged.
void TestCheck::awkwardNamesAndAMissingFile()
{
    const char* const badName = "bad\xFFname.in";
    const char* const lineBreakName = "new\nline\x1B.in";
    for (const char* name : { badName, lineBreakName }) {
        std::ofstream input(m_inputs.path().toStdString() + "/" + name);
        input << "2\n0 0\n4 0\n";
    }
    const QString previous = QDir::currentPath();
    const auto restore = qScopeGuard([&previous] { QDir::setCurrent(previous); });
    QVERIFY(QDir::setCurrent(m_inputs.path()));
    std::vector<QByteArray> bytes { "morvadine", "--check", badName, lineBreakName, "nothing.in",
        "flat.in" };
    std::vector<char*> argv;
    for (QByteArray& argument : bytes)
        argv.push_back(argument.data());
    const CommandLine commandLine
        = ParseCommandLine(CommandLineArguments(static_cast<int>(argv.size()), argv.data()));
    QCOMPARE(commandLine.What, CommandLine::Action::Check);

    QString report;
    QString notices;
    QTextStream reportStream(&report);
    QTextStream noticeStream(&notices);
    const int status
        = RunCheck(commandLine.Request, m_program.path(), reportStream, noticeStream, CheckStop());
    QCOMPARE(WithoutTimes(report),
        "bad\\xFFname.in: ok, tower (0,0), island (0,0), height 0 (best 0), solver T ms\n"
        "new\\x0Aline\\x1B.in: ok, tower (0,0), island (0,0), height 0 (best 0), solver T ms\n"
        "nothing.in: error: nothing.in: the file does not exist\n"
        "flat.in: ok, tower (0,0), island (0,0), height 0 (best 0), solver T ms\n"
        "4 files: 3 ok, 0 wrong, 1 error\n");
    QCOMPARE(notices, QString());
    QCOMPARE(status, ExitSomeFailed);
}

// A check stopped from the terminal stops the solver and everything it started, cleans up
// its files (the endless solver's own calc.pid stays) and ends by the signal it was sent.
void TestCheck::stoppedCheckStopsItsSolver()
{
    QProcess viewer;
    viewer.setProcessEnvironment(Environment(Language::English));
    viewer.setWorkingDirectory(m_inputs.path());
    viewer.start(m_program.filePath(QStringLiteral("morvadine")),
        { "--check", "--solver", QCoreApplication::applicationDirPath() + "/solver_endless",
            "a.in", "flat.in" });
    const QString workDirectory = m_program.filePath(QStringLiteral("morvadine_temporary"));
    const QList<qint64> solver = ReadPids(workDirectory);
    QCOMPARE(solver.size(), 2);
    viewer.terminate();
    QVERIFY(viewer.waitForFinished(20000));
    QCOMPARE(viewer.exitStatus(), QProcess::CrashExit);
    QCOMPARE(viewer.readAllStandardOutput(), QByteArray());
    QCOMPARE(viewer.readAllStandardError(), QByteArray("stopped before a.in was judged\n"));
    QTRY_VERIFY_WITH_TIMEOUT(ProcessesGone(solver), 20000);
    QCOMPARE(QDir(workDirectory).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
        QStringList { "calc.pid" });
    QVERIFY(QDir(workDirectory).removeRecursively());
}

// A stop that came while no event loop listened (during the last judgement, or between two
// files) is heard before the next file's solver starts.
void TestCheck::stopHeardBeforeAFileStartsNoSolver()
{
    QTemporaryDir program;
    CheckRequest request;
    request.Files = QStringList { m_inputs.filePath(QStringLiteral("a.in")) };
    request.SolverProgram = QCoreApplication::applicationDirPath() + "/solver_endless";
    volatile std::sig_atomic_t caught = SIGINT;
    CheckStop stop;
    stop.Watch(caught);
    QString report;
    QString notices;
    QTextStream reportStream(&report);
    QTextStream noticeStream(&notices);
    QCOMPARE(RunCheck(request, program.path(), reportStream, noticeStream, stop), ExitSomeFailed);
    QCOMPARE(report, QString());
    QCOMPARE(notices, "stopped before " + request.Files.first() + " was judged\n");
    QVERIFY(QDir(program.path()).isEmpty());
}

QTEST_MAIN(TestCheck)
#include "tst_check.moc"
