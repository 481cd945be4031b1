#include "check/checkmode.h"
#include "app/commandline.h"
#include "app/verdicttext.h"
#include "endlesssolver.h"

#include <QtTest>

#include <csignal>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Inputs of the check-mode runs, in their current directory. The stand-in answers a.in with
// the peak (10,6) and flat.in with (0,0); the answer solvers' fixed "1 2 3 4" misses a slope
// of a.in and is 2 too high on flat.in.
const std::pair<const char*, QByteArray> Inputs[] = {
    { "a.in", "4\n0 0\n10 6\n20 2\n30 0\n" },
    { "flat.in", "2\n0 0\n4 0\n" },
    { "bad.in", "3\n0 0\n1 abc\n" },
    // As long as the profile the rewriting test solvers put in its place.
    { "three.in", "3\n2 0\n0 0\n1 5\n" },
};

// The lines the answer solvers' "1 2 3 4" gets on a.in and on flat.in.
const QString WrongOnA = QStringLiteral(
    "a.in: wrong, tower (1,2), island (3,4), height 1.4 (best 0), solver T ms; "
    "tower: does not see the slope from (10,6) to (20,2): at x 1 it needs y 9.6 or more; "
    "island: does not see the slope from (10,6) to (20,2): at x 3 it needs y 8.8 or more\n");
const QString WrongOnFlat = QStringLiteral(
    "flat.in: wrong, tower (1,2), island (3,4), height 2 (best 0), solver T ms; "
    "tower: height 2 above the ground; the lowest possible is 0, at (0,0); "
    "island: at y 4; the lowest possible is 0, at (0,0)\n");

// The processes "calc.pid" in `folder` names, if any.
QList<qint64> AnnouncedProcesses(const QString& folder)
{
    QFile file(folder + QStringLiteral("/calc.pid"));
    QList<qint64> pids;
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& pid : file.readAll().simplified().split(' '))
            pids.append(pid.toLongLong());
    }
    return pids;
}

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
    void stoppedCheckStopsItsSolver_data();
    void stoppedCheckStopsItsSolver();
    void stopHeardBeforeAFileStartsNoSolver();
    void solverBehaviours_data();
    void solverBehaviours();
    void pictureTargets_data();
    void pictureTargets();
    void pictureWriteErrorLeavesNothing();
    void twoChecksAtOnceTakeTurns();

private:
    enum class Language { English, Chinese };
    QProcessEnvironment Environment(Language language) const;
    Finished Morvadine(const QStringList& arguments, Language language = Language::English,
        int timeoutMs = 60000);
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
Finished TestCheck::Morvadine(const QStringList& arguments, Language language, int timeoutMs)
{
    QProcess viewer;
    viewer.setProcessEnvironment(Environment(language));
    viewer.setWorkingDirectory(m_inputs.path());
    viewer.start(m_program.filePath(QStringLiteral("morvadine")),
        QStringList(arguments).replaceInStrings(
            QStringLiteral("$built"), QCoreApplication::applicationDirPath()));
    if (!viewer.waitForFinished(timeoutMs))
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
    // The exit status tells the worst outcome of all, an error before a wrong answer.
    QTest::newRow("a wrong answer, then a failed run")
        << QStringList { "--check", "--solver", "$built/solver_answer", "a.in", "bad.in" }
        << WrongOnA
            + "bad.in: error: bad.in: line 3, column 3: expected a number, found 'abc'\n"
              "2 files: 0 ok, 1 wrong, 1 error\n"
        << "" << 2;
    QTest::newRow("a right answer, then a wrong one")
        << QStringList { "--check", "--tolerance", "4", "--solver", "$built/solver_answer",
               "flat.in", "a.in" }
        << "flat.in: ok, tower (1,2), island (3,4), height 2 (best 0), solver T ms\n"
           "a.in: wrong, tower (1,2), island (3,4), height 1.4 (best 0), solver T ms; "
           "tower: does not see the slope from (10,6) to (20,2): at x 1 it needs y 9.6 or more\n"
           "2 files: 1 ok, 1 wrong, 0 errors\n"
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
    QTest::newRow("marks without a picture")
        << QStringList { "--check", "--marks", "a.in" } << ""
        << "morvadine: --marks works only with --picture\n" << 2;
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
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("blue");
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("black");
    QTest::addColumn<int>("orange");
    const QStringList answer { "--solver", "$built/solver_answer" };
    QTest::newRow("as the window first draws it")
        << "sample.in" << QStringList {} << QSize(553, 233) << 31 << 60 << 1023 << 0;
    QTest::newRow("sized, thinned, with both sight lines")
        << "sample.in" << QStringList { "--size", "300x200", "--samples", "10", "--lines", "both" }
        << QSize(300, 200) << 638 << 668 << 360 << 0;
    QTest::newRow("a right answer has nothing to mark")
        << "sample.in" << QStringList { "--marks" } << QSize(553, 233) << 31 << 60 << 1023 << 0;
    QTest::newRow("a wrong answer, unmarked")
        << "a.in" << answer << QSize(553, 233) << 59 << 60 << 684 << 0;
    QTest::newRow("a wrong answer, marked")
        << "a.in" << answer + QStringList { "--marks" } << QSize(553, 233) << 89 << 107 << 478
        << 871;
}

// The tower (blue, cut in half by the top edge, since it stands highest) and the island (red,
// a disc of radius 4) of the stand-in's answer on the bundled sample, and the profile in
// black, counted pixel by pixel; the sight lines add dotted lines in both colours. The marks
// of a wrong answer add the unseen slope and its rings in orange, and the best places' circles
// in the markers' colours.
void TestCheck::pictureShowsTheMarkers()
{
    QFETCH(QString, input);
    QFETCH(QStringList, options);
    QFETCH(QSize, size);
    QFETCH(int, blue);
    QFETCH(int, red);
    QFETCH(int, black);
    QFETCH(int, orange);
    QVERIFY(QDir(m_inputs.path()).mkpath(QStringLiteral("pictures")));
    const Finished finished = Morvadine(
        QStringList { "--check", "--picture", "pictures/{name}.png", input } + options);
    QCOMPARE(finished.ExitCode, input == QLatin1String("sample.in") ? 0 : 1);
    const QString picture = m_inputs.filePath(
        QStringLiteral("pictures/%1.png").arg(QFileInfo(input).completeBaseName()));
    const QImage image(picture);
    QVERIFY(QFile::remove(picture)); // other tests draw to these names
    QCOMPARE(image.size(), size);
    QMap<QRgb, int> count;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ++count[image.pixel(x, y) & RGB_MASK];
    }
    QCOMPARE(count.value(qRgb(0, 0, 255) & RGB_MASK), blue);
    QCOMPARE(count.value(qRgb(255, 0, 0) & RGB_MASK), red);
    QCOMPARE(count.value(qRgb(0, 0, 0) & RGB_MASK), black);
    QCOMPARE(count.value(qRgb(0xE0, 0x60, 0) & RGB_MASK), orange);
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

void TestCheck::stoppedCheckStopsItsSolver_data()
{
    QTest::addColumn<bool>("workDirectoryHeld");
    QTest::newRow("while its solver runs") << false;
    QTest::newRow("while it waits for the work directory") << true;
}

// A check stopped from the terminal, while its solver runs or while it waits for another run's
// work directory, ends by the signal it was sent: the solver and everything it started are
// stopped and its files cleaned up (the endless solver's own calc.pid stays); a check that
// waited stages nothing.
void TestCheck::stoppedCheckStopsItsSolver()
{
    QFETCH(bool, workDirectoryHeld);
    QLockFile otherRun(m_program.filePath(QStringLiteral("morvadine_temporary.lock")));
    if (workDirectoryHeld)
        QVERIFY(otherRun.tryLock());
    QProcess viewer;
    viewer.setProcessEnvironment(Environment(Language::English));
    viewer.setWorkingDirectory(m_inputs.path());
    viewer.start(m_program.filePath(QStringLiteral("morvadine")),
        { "--check", "--solver", QCoreApplication::applicationDirPath() + "/solver_endless",
            "a.in", "flat.in" });
    const QString workDirectory = m_program.filePath(QStringLiteral("morvadine_temporary"));
    QByteArray errors;
    QList<qint64> solver;
    if (workDirectoryHeld) {
        QVERIFY(QTest::qWaitFor(
            [&] { return (errors += viewer.readAllStandardError()).endsWith('\n'); }, 20000));
    } else {
        solver = ReadPids(workDirectory);
        QCOMPARE(solver.size(), 2);
    }
    viewer.terminate();
    QVERIFY(viewer.waitForFinished(20000));
    QCOMPARE(viewer.exitStatus(), QProcess::CrashExit);
    QCOMPARE(viewer.readAllStandardOutput(), QByteArray());
    errors += viewer.readAllStandardError();
    if (workDirectoryHeld) {
        QCOMPARE(QString::fromUtf8(errors),
            QStringLiteral("waiting for %1, which another run of the viewer is using "
                           "(tst_check, process %2 on %3)\nstopped before a.in was judged\n")
                .arg(workDirectory, QString::number(QCoreApplication::applicationPid()),
                    QSysInfo::machineHostName()));
        QVERIFY(!QFileInfo::exists(workDirectory));
        return;
    }
    QCOMPARE(errors, QByteArray("stopped before a.in was judged\n"));
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

void TestCheck::solverBehaviours_data()
{
    QTest::addColumn<QString>("solver");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("workFilesAfter");
    const auto error = [](const char* line) {
        return QLatin1String(line) + QLatin1String("\n1 file: 0 ok, 0 wrong, 1 error\n");
    };
    QTest::newRow("a named pipe for an answer")
        << "fifoanswer" << QStringList { "a.in" }
        << error("a.in: error: calc.exe left morvadine.out as a named pipe, not a file") << 2
        << QStringList();
    QTest::newRow("a named pipe for its input")
        << "fifoinput" << QStringList { "a.in" }
        << error("a.in: error: calc.exe left morvadine.in as a named pipe, not a file") << 2
        << QStringList();
    QTest::newRow("a link to a named pipe for its input")
        << "fifolink" << QStringList { "a.in" }
        << error("a.in: error: calc.exe left morvadine.in as a link, not a file") << 2
        << QStringList { "calc.fifo" };
    QTest::newRow("a link to standard input for an answer")
        << "stdinlink" << QStringList { "a.in" }
        << error("a.in: error: calc.exe left morvadine.out as a link, not a file") << 2
        << QStringList();
    QTest::newRow("its input emptied")
        << "emptying" << QStringList { "a.in" }
        << error("a.in: error: calc.exe changed morvadine.in, its copy of a.in, and it can no "
                 "longer be read: morvadine.in: the file is empty; it must start with the "
                 "vertex count")
        << 2 << QStringList();
    const QString onRewritten = QStringLiteral(
        "three.in: wrong, tower (1,2), island (3,4), height -7 (best 0), solver T ms; "
        "tower: does not see the slope from (1,9) to (2,7): at x 1 it needs y 9 or more; "
        "island: x 3 lies outside the profile, which spans x 0 to 2\n"
        "1 file: 0 ok, 1 wrong, 0 errors\n");
    QTest::newRow("its input rewritten, its times put back")
        << "restamping" << QStringList { "three.in" } << onRewritten << 1 << QStringList();
    QTest::newRow("its input replaced by a rename, its times put back")
        << "renaming" << QStringList { "three.in" } << onRewritten << 1 << QStringList();
    QTest::newRow("a leftover answers again during the next file")
        << "leftover" << QStringList { "a.in", "flat.in" }
        << WrongOnA + WrongOnFlat + "2 files: 0 ok, 2 wrong, 0 errors\n" << 1
        << QStringList { "calc.pid" };
    QTest::newRow("a daemon left running")
        << "daemonising" << QStringList { "a.in" }
        << WrongOnA + "1 file: 0 ok, 1 wrong, 0 errors\n" << 1 << QStringList { "calc.pid" };
}

// Whatever a solver leaves under the names the viewer reads, the check ends soon with a line
// that blames the solver or judges the file the solver really left; nothing of the run is
// left running and nothing staged is left behind.
void TestCheck::solverBehaviours()
{
    QFETCH(QString, solver);
    QFETCH(QStringList, files);
    QFETCH(QString, output);
    QFETCH(int, exitCode);
    QFETCH(QStringList, workFilesAfter);
    const QString workDirectory = m_program.filePath(QStringLiteral("morvadine_temporary"));
    const auto removeWork = qScopeGuard([&] { QDir(workDirectory).removeRecursively(); });
    const Finished finished = Morvadine(
        QStringList { "--check", "--solver", "$built/solver_" + solver } + files,
        Language::English, 20000);
    QCOMPARE(finished.Output, output);
    QCOMPARE(finished.ExitCode, exitCode);
    QCOMPARE(QDir(workDirectory).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System),
        workFilesAfter);
    for (const qint64 pid : AnnouncedProcesses(workDirectory))
        QVERIFY2(ProcessesGone({ pid, pid }), qPrintable(QString::number(pid)));
}

void TestCheck::pictureTargets_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("errors");
    QTest::addColumn<int>("exitCode");
    // Set up by the test: link.png a link to a.in, hard.png a hard link to it, later.in a hard
    // link to pictures/a.png, a profile of its own, and full.png a link to a device that
    // refuses every write for want of room.
    QTest::newRow("a link to the input")
        << QStringList { "--check", "a.in", "--picture", "link.png" } << ""
        << "morvadine: --picture: the picture of a.in would replace the input a.in\n" << 2;
    QTest::newRow("a hard link to the input")
        << QStringList { "--check", "a.in", "--picture", "hard.png" } << ""
        << "morvadine: --picture: the picture of a.in would replace the input a.in\n" << 2;
    QTest::newRow("a later input")
        << QStringList { "--check", "a.in", "later.in", "--picture", "pictures/{name}.png" } << ""
        << "morvadine: --picture: the picture of a.in would replace the input later.in\n" << 2;
    QTest::newRow("a device")
        << QStringList { "--check", "a.in", "--picture", "full.png" }
        << "a.in: error: cannot write the picture full.png: something other than a file has "
           "this name\n1 file: 0 ok, 0 wrong, 1 error\n"
        << "" << 2;
}

// A picture never takes an input's place, by whatever name, and never goes into anything but a
// plain file; the inputs and the device stay as they were.
void TestCheck::pictureTargets()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    QFETCH(QString, errors);
    QFETCH(int, exitCode);
    const QDir inputs(m_inputs.path());
    QVERIFY(inputs.mkpath(QStringLiteral("pictures")));
    const auto cleanUp = qScopeGuard([&] {
        for (const char* made :
            { "link.png", "hard.png", "later.in", "pictures/a.png", "full.png" })
            QFile::remove(inputs.filePath(QLatin1String(made)));
        // Whatever happened, the next test reads the inputs as they were.
        for (const auto& [name, text] : Inputs) {
            QFile input(inputs.filePath(QLatin1String(name)));
            if (input.open(QIODevice::WriteOnly))
                input.write(text);
        }
    });
    QVERIFY(QFile::link(QStringLiteral("a.in"), inputs.filePath(QStringLiteral("link.png"))));
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), inputs.filePath(QStringLiteral("full.png"))));
    QVERIFY(
        ::link(qPrintable(inputs.filePath("a.in")), qPrintable(inputs.filePath("hard.png"))) == 0);
    QVERIFY(QFile::copy(inputs.filePath("flat.in"), inputs.filePath("pictures/a.png")));
    QVERIFY(::link(qPrintable(inputs.filePath("pictures/a.png")),
                qPrintable(inputs.filePath("later.in")))
        == 0);
    const Finished finished = Morvadine(arguments);
    QCOMPARE(finished.Output, output);
    QCOMPARE(finished.Errors, errors);
    QCOMPARE(finished.ExitCode, exitCode);
    for (const auto& [name, text] : Inputs) {
        QFile input(inputs.filePath(QLatin1String(name)));
        QVERIFY(input.open(QIODevice::ReadOnly));
        QCOMPARE(input.readAll(), text);
    }
    QFile later(inputs.filePath(QStringLiteral("later.in")));
    QVERIFY(later.open(QIODevice::ReadOnly));
    QCOMPARE(later.readAll(), Inputs[1].second);
    struct stat device { };
    QVERIFY(::stat("/dev/full", &device) == 0 && S_ISCHR(device.st_mode));
}

// A picture the file system refuses to hold in full (here: beyond the largest file this
// process may write) is an error, and leaves neither a cut-off picture nor its temporary.
void TestCheck::pictureWriteErrorLeavesNothing()
{
    QTemporaryDir folder;
    // About 2 kB as a PNG.
    QImage picture(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x ^ y) % 256));
    }
    rlimit previous {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 1000;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString problem = WritePicture(picture, folder.filePath(QStringLiteral("out.png")));
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    QCOMPARE(problem, QStringLiteral("File too large"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
        QStringList());
}

// Two checks in one program folder, the second started while the first's solver still works:
// the second waits, says so, and each file is judged on its own profile and answer.
void TestCheck::twoChecksAtOnceTakeTurns()
{
    const QString workDirectory = m_program.filePath(QStringLiteral("morvadine_temporary"));
    const auto removeWork = qScopeGuard([&] { QDir(workDirectory).removeRecursively(); });
    const QString solver = QCoreApplication::applicationDirPath() + "/solver_waiting";
    QProcess checks[2];
    const char* const files[2] = { "a.in", "flat.in" };
    qint64 firstProcess = 0;
    for (int k = 0; k < 2; ++k) {
        checks[k].setProcessEnvironment(Environment(Language::English));
        checks[k].setWorkingDirectory(m_inputs.path());
        checks[k].start(m_program.filePath(QStringLiteral("morvadine")),
            { "--check", "--solver", solver, QLatin1String(files[k]) });
        QVERIFY(checks[k].waitForStarted());
        if (k == 0) {
            firstProcess = checks[0].processId();
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(workDirectory + "/morvadine.in"), 20000);
        }
    }
    QByteArray waiting;
    // Goes on after a while all the same, for the judgements to show what went wrong.
    [[maybe_unused]] const bool saidSo = QTest::qWaitFor(
        [&] { return (waiting += checks[1].readAllStandardError()).endsWith('\n'); }, 10000);
    QVERIFY(QFile(workDirectory + "/calc.go").open(QIODevice::WriteOnly));
    for (QProcess& check : checks)
        QVERIFY(check.waitForFinished(20000));
    static const QRegularExpression time(QStringLiteral("solver [0-9.]+ "));
    const auto report = [](QProcess& check) {
        return QString::fromUtf8(check.readAllStandardOutput()).replace(time, "solver T ");
    };
    QCOMPARE(report(checks[0]), WrongOnA + "1 file: 0 ok, 1 wrong, 0 errors\n");
    QCOMPARE(report(checks[1]), WrongOnFlat + "1 file: 0 ok, 1 wrong, 0 errors\n");
    QCOMPARE(QString::fromUtf8(waiting + checks[1].readAllStandardError()),
        QStringLiteral("waiting for %1, which another run of the viewer is using (morvadine, "
                       "process %2 on %3)\n")
            .arg(workDirectory, QString::number(firstProcess), QSysInfo::machineHostName()));
    QCOMPARE(checks[0].exitCode(), 1);
    QCOMPARE(checks[1].exitCode(), 1);
    QCOMPARE(QDir(workDirectory).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
        QStringList { "calc.go" });
}

QTEST_MAIN(TestCheck)
#include "tst_check.moc"
