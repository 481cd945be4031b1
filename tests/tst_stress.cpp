#include "check/jsonreport.h"
#include "check/profilegenerators.h"
#include "check/shrink.h"
#include "check/stressmode.h"
#include "endlesssolver.h"

#include <QtTest>

#include <algorithm>
#include <csignal>
#include <functional>
#include <set>

namespace {

using Vertices = std::vector<PointD>;
using Property = std::function<bool(const Vertices&)>;

bool IntegersWithin(const Vertices& vertices, double most)
{
    return std::ranges::all_of(vertices, [most](const PointD& v) {
        return v.X == std::trunc(v.X) && v.Y == std::trunc(v.Y) && std::abs(v.X) <= most
            && std::abs(v.Y) <= most;
    });
}

Vertices ByX(Vertices vertices)
{
    std::ranges::sort(vertices, [](const PointD& a, const PointD& b) { return a.X < b.X; });
    return vertices;
}

bool RepeatedX(const Vertices& vertices)
{
    const Vertices sorted = ByX(vertices);
    return std::ranges::adjacent_find(sorted, [](const PointD& a, const PointD& b) {
        return a.X == b.X;
    }) != sorted.end();
}

// Forty vertices of awkward numbers, three of them (3, 17 and 29) at one x.
Vertices FortySharingAnX()
{
    Vertices vertices;
    for (int k = 0; k < 40; ++k)
        vertices.push_back({ 1000.125 + 37 * k, 3.75 * (k % 7) - 11.5 });
    vertices[17].X = vertices[3].X;
    vertices[29].X = vertices[3].X;
    return vertices;
}

Vertices FortyAndAHighVertex()
{
    Vertices vertices = FortySharingAnX();
    vertices.push_back({ 7, 1600.5 });
    return vertices;
}

} // namespace

Q_DECLARE_METATYPE(ProfileShape)
Q_DECLARE_METATYPE(Property)
Q_DECLARE_METATYPE(Vertices)

class TestStress : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void shapes_data();
    void shapes();
    void simplerNumbers_data();
    void simplerNumbers();
    void shrinking_data();
    void shrinking();
    void plantedFaults_data();
    void plantedFaults();
    void exitStatuses_data();
    void exitStatuses();
    void interruptLeavesNothing();
    void statusLineOnATerminal();
    void jsonReports();

private:
    struct Finished {
        QString Output;
        QString Errors;
        int ExitCode = -1;
        double Seconds = 0;
    };
    Finished Morvadine(const QStringList& arguments);

    QTemporaryDir m_program; // the viewer and calc.exe, and the work directory they make
    QTemporaryDir m_current; // the runs' current directory
};

void TestStress::initTestCase()
{
    const QString built = QCoreApplication::applicationDirPath();
    for (const char* program : { "morvadine", "calc.exe" }) {
        QVERIFY(QFile::copy(built + QLatin1Char('/') + QLatin1String(program),
            m_program.filePath(QLatin1String(program))));
    }
}

TestStress::Finished TestStress::Morvadine(const QStringList& arguments)
{
    QProcess viewer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
    viewer.setProcessEnvironment(environment);
    viewer.setWorkingDirectory(m_current.path());
    QElapsedTimer clock;
    clock.start();
    viewer.start(m_program.filePath(QStringLiteral("morvadine")),
        QStringList(arguments).replaceInStrings(
            QStringLiteral("$built"), QCoreApplication::applicationDirPath()));
    if (!viewer.waitForFinished(120000))
        return {};
    return { QString::fromUtf8(viewer.readAllStandardOutput()),
        QString::fromUtf8(viewer.readAllStandardError()), viewer.exitCode(),
        static_cast<double>(clock.elapsed()) / 1000 };
}

void TestStress::shapes_data()
{
    QTest::addColumn<ProfileShape>("shape");
    QTest::addColumn<Property>("property");
    const auto everyCase = [](bool (*holds)(const Vertices&)) { return Property(holds); };
    QTest::newRow("small") << ProfileShape::SmallIntegers
                           << everyCase([](const Vertices& v) { return IntegersWithin(v, 10); });
    QTest::newRow("steps") << ProfileShape::VerticalSteps << everyCase(&RepeatedX);
    QTest::newRow("same-x") << ProfileShape::EqualX << everyCase([](const Vertices& v) {
        return std::ranges::all_of(v, [&](const PointD& p) { return p.X == v.front().X; });
    });
    QTest::newRow("collinear") << ProfileShape::NearlyCollinear << everyCase([](const Vertices& v) {
        return std::ranges::all_of(
            v, [](const PointD& p) { return p.X == std::trunc(p.X) && std::abs(p.Y) < 1e4; });
    });
    QTest::newRow("clusters") << ProfileShape::SteepClusters << everyCase([](const Vertices& v) {
        const Vertices sorted = ByX(v);
        int close = 0;
        for (std::size_t k = 1; k < sorted.size(); ++k)
            close += sorted[k].X - sorted[k - 1].X <= 1e-6 ? 1 : 0;
        return v.size() < 3 || close >= 1;
    });
    QTest::newRow("contest") << ProfileShape::ContestIntegers << everyCase([](const Vertices& v) {
        const Vertices sorted = ByX(v);
        for (std::size_t k = 1; k < sorted.size(); ++k) {
            if (sorted[k].X - sorted[k - 1].X != 1)
                return false;
        }
        return IntegersWithin(v, 1e9);
    });
    QTest::newRow("magnitudes") << ProfileShape::Magnitudes << everyCase([](const Vertices& v) {
        return std::ranges::all_of(v, [](const PointD& p) {
            return std::abs(p.X) >= 1e-300 && std::abs(p.X) <= 1e300 && std::abs(p.Y) >= 1e-300
                && std::abs(p.Y) <= 1e300;
        });
    });
    QTest::newRow("slope") << ProfileShape::SingleSlope << everyCase([](const Vertices& v) {
        const Vertices sorted = ByX(v);
        int rises = 0;
        for (std::size_t k = 1; k < sorted.size(); ++k) {
            if (sorted[k].X == sorted[k - 1].X || sorted[k].Y == sorted[k - 1].Y)
                return false;
            rises += sorted[k].Y > sorted[k - 1].Y ? 1 : -1;
        }
        return std::abs(rises) == static_cast<int>(sorted.size()) - 1;
    });
    QTest::newRow("flat") << ProfileShape::FlatRuns << everyCase([](const Vertices& v) {
        const Vertices sorted = ByX(v);
        for (std::size_t k = 1; k < sorted.size(); ++k) {
            if (sorted[k].Y == sorted[k - 1].Y)
                return true;
        }
        return false;
    });
}

// Each shape keeps its defining property over many seeds; a seed gives the same case again,
// its vertices written in the order it names; the cases of one seed differ.
void TestStress::shapes()
{
    QFETCH(ProfileShape, shape);
    QFETCH(Property, property);
    CaseLimits limits;
    limits.Shapes = { shape };
    limits.MinVertices = 2;
    limits.MaxVertices = 12;
    std::set<std::string> texts;
    std::uint64_t seed = 20;
    for (int k = 0; k < 200; ++k, seed = NextCaseSeed(seed)) {
        const StressCase made = GenerateCase(seed, limits);
        QCOMPARE(made.Shape, shape);
        QVERIFY(made.Vertices.size() >= 2 && made.Vertices.size() <= 12);
        QVERIFY2(property(made.Vertices), ProfileText(made.Vertices).c_str());
        const std::string text = ProfileText(made.Vertices);
        QCOMPARE(ProfileText(GenerateCase(seed, limits).Vertices), text);
        texts.insert(text);
        const auto ordered = [&made](const PointD& a, const PointD& b) {
            return made.Order == VertexOrder::Reversed ? a.X >= b.X : a.X <= b.X;
        };
        if (made.Order != VertexOrder::Shuffled) {
            QVERIFY(std::ranges::adjacent_find(made.Vertices, std::not_fn(ordered))
                == made.Vertices.end());
        }
    }
    QVERIFY(texts.size() > 150);
}

void TestStress::simplerNumbers_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QList<double>>("simpler");
    QTest::newRow("zero") << 0.0 << QList<double> {};
    QTest::newRow("one") << 1.0 << QList<double> { 0 };
    QTest::newRow("fraction") << 2.5 << QList<double> { 0, 1, 2, 3 };
    QTest::newRow("negative integer") << -1000.0 << QList<double> { 0, -1, -10, -500 };
    QTest::newRow("huge") << 3.25e200 << QList<double> { 0, 1, 3e100, 3e200, 3.2e200 };
    QTest::newRow("tiny") << 1.5e-300 << QList<double> { 0, 1, 1e-150, 1e-300 };
}

// Every candidate is strictly simpler, simplest first, so that shrinking numbers ends.
void TestStress::simplerNumbers()
{
    QFETCH(double, value);
    QFETCH(QList<double>, simpler);
    const std::vector<double> candidates = SimplerNumbers(value);
    QCOMPARE(QList<double>(candidates.begin(), candidates.end()), simpler);
}

void TestStress::shrinking_data()
{
    QTest::addColumn<Vertices>("failing");
    QTest::addColumn<Property>("fails");
    QTest::addColumn<Vertices>("smallest");
    QTest::addColumn<int>("mostTrials");
    QTest::newRow("a vertical step")
        << FortySharingAnX() << Property(&RepeatedX) << Vertices { { 0, 0 }, { 0, 0 } } << 150;
    QTest::newRow("three at one x") << FortySharingAnX() << Property([](const Vertices& v) {
        return std::ranges::any_of(v, [&v](const PointD& p) {
            return std::ranges::count_if(v, [&p](const PointD& q) { return q.X == p.X; }) >= 3;
        });
    }) << Vertices { { 0, 0 }, { 0, 0 }, { 0, 0 } }
                                    << 150;
    // Needs a vertex at y 100 or more: 1600.5 falls to 100 by fewer digits.
    QTest::newRow("a high vertex") << FortyAndAHighVertex() << Property([](const Vertices& v) {
        return std::ranges::any_of(v, [](const PointD& p) { return p.Y >= 100; });
    }) << Vertices { { 0, 100 } } << 150;
}

// The shrinker cuts a 40-vertex failure down to the smallest profile failing the same way
// within a bounded number of trials, never asking about a profile twice.
void TestStress::shrinking()
{
    QFETCH(Vertices, failing);
    QFETCH(Property, fails);
    QFETCH(Vertices, smallest);
    QFETCH(int, mostTrials);
    std::set<std::string> asked;
    int askedTwice = 0;
    const ShrinkOutcome outcome = Shrink(failing, [&](const Vertices& candidate) {
        askedTwice += asked.insert(ProfileText(candidate)).second ? 0 : 1;
        return fails(candidate) ? Trial::SameFailure : Trial::Other;
    });
    QCOMPARE(askedTwice, 0);
    QCOMPARE(QString::fromStdString(ProfileText(outcome.Vertices)),
        QString::fromStdString(ProfileText(smallest)));
    QCOMPARE(outcome.Trials, static_cast<int>(asked.size()));
    QVERIFY2(outcome.Trials <= mostTrials, QByteArray::number(outcome.Trials));
    QVERIFY(!outcome.Stopped);
}

void TestStress::plantedFaults_data()
{
    QTest::addColumn<QString>("solver");
    QTest::addColumn<QString>("shrunk");
    QTest::addColumn<QString>("verdict");
    QTest::newRow("wrong at a vertical step")
        << "planted_vertical-step"
        << "2\n0 0\n0 0\n"
        << "stress-failure.in: wrong, tower (0,-1), island (0,0), height -1 (best 0), solver";
    QTest::newRow("a tie of heights broken wrong")
        << "planted_equal-heights"
        << "2\n0 0\n-1 0\n"
        << "stress-failure.in: wrong, tower (-1,0), island (-1,1), height 0 (best 0), solver";
    QTest::newRow("a crash on two vertices") << "planted_two-vertices"
                                             << "2\n0 0\n0 0\n"
                                             << "stress-failure.in: error: calc.exe crashed";
    QTest::newRow("single precision") << "planted_single" << QString() << QString();
}

// Each planted fault is found within a minute from a fixed seed and shrunk to a few vertices
// failing the same way; the report gives the profile, its check line and how to open it.
void TestStress::plantedFaults()
{
    QFETCH(QString, solver);
    QFETCH(QString, shrunk);
    QFETCH(QString, verdict);
    const QString out = m_current.filePath(solver + QStringLiteral(".in"));
    const Finished run = Morvadine({ "--stress", "--solver", "$built/" + solver, "--seed", "7",
        "--out", "stress-failure.in" });
    QCOMPARE(run.ExitCode, ExitFailureFound);
    QVERIFY2(run.Seconds < 60, qPrintable(QString::number(run.Seconds)));
    QFile written(m_current.filePath(QStringLiteral("stress-failure.in")));
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QString profile = QString::fromUtf8(written.readAll());
    QVERIFY(written.remove());
    QVERIFY2(profile.section(QLatin1Char('\n'), 0, 0).toInt() <= 6, qPrintable(profile));
    if (!shrunk.isEmpty())
        QCOMPARE(profile, shrunk);
    const QStringList lines = run.Output.split(QLatin1Char('\n'));
    QVERIFY2(lines.size() > 3, qPrintable(run.Output + run.Errors));
    const QRegularExpression shrinking(
        QStringLiteral("^shrunk from \\d+ to \\d+ vertices in (\\d+) solver runs, written to "
                       "stress-failure.in:$"));
    const QRegularExpressionMatch match = shrinking.match(lines.first());
    QVERIFY2(match.hasMatch(), qPrintable(run.Output));
    QVERIFY(match.captured(1).toInt() <= 300);
    QVERIFY(run.Output.contains(QLatin1Char('\n') + profile));
    if (!verdict.isEmpty())
        QVERIFY2(run.Output.contains(verdict), qPrintable(run.Output));
    QVERIFY(run.Output.contains("open: morvadine stress-failure.in --solver "
        + QCoreApplication::applicationDirPath() + "/" + solver + "\n"));
    qInfo().noquote() << solver << run.Seconds << "s:" << lines.first() << profile.simplified();
}

void TestStress::exitStatuses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::newRow("no failure") << QStringList { "--stress", "--cases", "30", "--seed", "5" }
                                << ExitNoFailure << "stress: 30 cases in";
    QTest::newRow("a solver that cannot be started")
        << QStringList { "--stress", "--solver", "$built/../CMakeCache.txt", "--cases", "5" }
        << ExitCannotRun << QString();
    QTest::newRow("a solver that cannot be staged") << QStringList { "--stress", "--solver",
        "$built", "--cases", "5" } << ExitCannotRun << QString();
    QTest::newRow("--cases with --time")
        << QStringList { "--stress", "--cases", "5", "--time", "3" } << ExitCannotRun << QString();
    QTest::newRow("a FILE") << QStringList { "--stress", "a.in" } << ExitCannotRun << QString();
    QTest::newRow("an unknown shape")
        << QStringList { "--stress", "--shapes", "small,round" } << ExitCannotRun << QString();
    QTest::newRow("vertices the wrong way round")
        << QStringList { "--stress", "--vertices", "9-3" } << ExitCannotRun << QString();
    QTest::newRow("a stress option in the check")
        << QStringList { "--check", "--seed", "3", "a.in" } << ExitCannotRun << QString();
}

void TestStress::exitStatuses()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    const Finished run = Morvadine(arguments);
    QCOMPARE(run.ExitCode, status);
    if (output.isEmpty())
        QCOMPARE(run.Output, QString());
    else
        QVERIFY2(run.Output.startsWith(output), qPrintable(run.Output + run.Errors));
}

// An interrupt stops the stress run at once: the solver's processes are stopped, its files
// removed, the summary printed, and the viewer ends by the signal.
void TestStress::interruptLeavesNothing()
{
    QProcess viewer;
    viewer.setWorkingDirectory(m_current.path());
    viewer.start(m_program.filePath(QStringLiteral("morvadine")),
        { "--stress", "--solver", QCoreApplication::applicationDirPath() + "/solver_endless",
            "--seed", "1" });
    const QString workDirectory = m_program.filePath(QStringLiteral("morvadine_temporary"));
    const QList<qint64> solver = ReadPids(workDirectory);
    QCOMPARE(solver.size(), 2);
    ::kill(static_cast<pid_t>(viewer.processId()), SIGINT);
    QVERIFY(viewer.waitForFinished(20000));
    QCOMPARE(viewer.exitStatus(), QProcess::CrashExit);
    QVERIFY(QString::fromUtf8(viewer.readAllStandardOutput())
                .startsWith(QStringLiteral("stress: 0 cases in ")));
    QTRY_VERIFY_WITH_TIMEOUT(ProcessesGone(solver), 20000);
    QCOMPARE(QDir(workDirectory).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
        QStringList { "calc.pid" });
    QVERIFY(QDir(workDirectory).removeRecursively());
    QVERIFY(!QFileInfo::exists(m_current.filePath(QStringLiteral("stress-failure.in"))));
}

// On a terminal the progress is one line rewritten in place, cleared before the summary.
void TestStress::statusLineOnATerminal()
{
    QTemporaryDir program;
    StressRequest request;
    request.Check.SolverProgram = QCoreApplication::applicationDirPath() + "/calc.exe";
    request.Seed = 12;
    request.Time = std::chrono::milliseconds(1500);
    QString report;
    QString notices;
    QTextStream reportStream(&report);
    QTextStream noticeStream(&notices);
    const CheckStop stop;
    QCOMPARE(
        RunStress(request, program.path(), reportStream, noticeStream, stop, true), ExitNoFailure);
    static const QRegularExpression progress(QStringLiteral(
        "^stress: seed 12\n(\\r\\x1b\\[K\\d+ cases, \\d+ cases/s, \\d+\\.\\d s, shape "
        "[a-z-]+)+\\r\\x1b\\[K$"));
    QVERIFY2(progress.match(notices).hasMatch(), qPrintable(notices));
    QVERIFY2(report.startsWith("stress: "), qPrintable(report));
    QVERIFY(QDir(program.path()).isEmpty());
}

// The check's and the stress mode's JSON reports read back as the objects they stand for.
void TestStress::jsonReports()
{
    QFile input(m_current.filePath(QStringLiteral("flat.in")));
    QVERIFY(input.open(QIODevice::WriteOnly));
    input.write("2\n0 0\n4 0\n");
    input.close();
    const Finished check = Morvadine(
        { "--check", "--report", "json", "--solver", "$built/solver_answer", "flat.in" });
    QCOMPARE(check.ExitCode, 1);
    QStringList lines = check.Output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QJsonObject file = QJsonDocument::fromJson(lines[0].toUtf8()).object();
    QVERIFY(file.take(QStringLiteral("solver_ms")).toDouble() >= 0);
    QCOMPARE(file,
        QJsonObject({ { "file", "flat.in" }, { "verdict", "wrong" },
            { "tower", QJsonArray { 1, 2 } }, { "island", QJsonArray { 3, 4 } }, { "height", 2 },
            { "best_height", 0 }, { "exit_status", 0 },
            { "reason",
                "tower: height 2 above the ground; the lowest possible is 0, at (0,0); island: "
                "at y 4; the lowest possible is 0, at (0,0)" } }));
    QCOMPARE(QJsonDocument::fromJson(lines[1].toUtf8()).object(),
        QJsonObject(
            { { "summary", true }, { "files", 1 }, { "ok", 0 }, { "wrong", 1 }, { "errors", 0 } }));

    const Finished stress
        = Morvadine({ "--stress", "--report", "json", "--solver", "$built/planted_vertical-step",
            "--seed", "8", "--shapes", "slope,small", "--out", "s.in" });
    QCOMPARE(stress.ExitCode, ExitFailureFound);
    lines = stress.Output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    const QJsonObject failure = QJsonDocument::fromJson(lines[0].toUtf8()).object();
    QCOMPARE(failure.value("file"), "s.in");
    QCOMPARE(failure.value("verdict"), "wrong");
    QCOMPARE(failure.value("failure"), "tower: MissesSlope");
    QCOMPARE(failure.value("shape"), "small");
    QCOMPARE(failure.value("vertices"), QJsonArray({ QJsonArray { 0, 0 }, QJsonArray { 0, 0 } }));
    const QJsonObject summary = QJsonDocument::fromJson(lines[1].toUtf8()).object();
    QCOMPARE(summary.value("seed"), "8");
    QCOMPARE(summary.value("failures"), 1);
    QCOMPARE(summary.value("cases"), failure.value("case"));
    QVERIFY(failure.value("case").toInt() > 1);

    // The failing case's own seed replays it as a run's first case.
    const Finished replay = Morvadine({ "--stress", "--report", "json", "--solver",
        "$built/planted_vertical-step", "--seed", failure.value("case_seed").toString(), "--cases",
        "1", "--shapes", "slope,small", "--out", "s.in" });
    QCOMPARE(replay.ExitCode, ExitFailureFound);
    const QJsonObject replayed
        = QJsonDocument::fromJson(replay.Output.section(QLatin1Char('\n'), 0, 0).toUtf8()).object();
    QCOMPARE(replayed.value("case"), 1);
    QCOMPARE(replayed.value("original_vertices"), failure.value("original_vertices"));
}

QTEST_GUILESS_MAIN(TestStress)
#include "tst_stress.moc"
