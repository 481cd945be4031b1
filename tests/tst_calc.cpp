#include "standin/profilefiles.h"
#include "scene/loadresults.h"
#include "solve/verdict.h"

#include <QtTest>

#include <fstream>

namespace {

// One run of calc.exe in `folder`, as the viewer starts it: no arguments, the folder as the
// current directory.
struct Run {
    int ExitCode = -1;
    QString Errors;
};

Run RunCalc(const QString& folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QCoreApplication::applicationDirPath() + "/calc.exe", {});
    process.waitForFinished(60000);
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        QString::fromUtf8(process.readAllStandardError()) };
}

void WriteText(const QString& path, const std::string& text)
{
    std::ofstream(path.toStdString(), std::ios::binary) << text;
}

} // namespace

class TestCalc : public QObject {
    Q_OBJECT

private slots:
    void program_answersTheViewersProfile_data();
    void program_answersTheViewersProfile();
    void program_refusesBrokenRuns_data();
    void program_refusesBrokenRuns();
    void program_unwritableResult_leavesNoTemporaryFile();
    void program_skipsAByteOrderMark();
    void program_neverWritesThroughTheTemporaryName_data();
    void program_neverWritesThroughTheTemporaryName();
};

void TestCalc::program_answersTheViewersProfile_data()
{
    QTest::addColumn<QString>("points");
    QTest::addColumn<QByteArray>("answer"); // empty: the sample's, not written out here
    QTest::newRow("bundled sample") << QFINDTESTDATA("examples/sample.in") << QByteArray();
    // Read in file order, the step would go up at x 1 and leave the island at (2,0); the viewer
    // orders the two vertices at x 1 the other way round.
    QTest::newRow("vertical step") << "4\n0 0\n1 0\n1 10\n2 0\n" << QByteArray("0 0 0 0\n");
    // Every vertex ties: no slope, so the highest stands, whatever their order.
    QTest::newRow("all at one x") << "4\n3 1\n3 7\n3 -2\n3 5\n" << QByteArray("3 7 3 7\n");
}

// calc.exe solves the profile as the viewer orders and judges it: its answer, read back as the
// viewer loads it, is the exact solution of the loaded vertices and judged right.
void TestCalc::program_answersTheViewersProfile()
{
    QFETCH(QString, points);
    QFETCH(QByteArray, answer);
    QTemporaryDir folder;
    const QDir work(folder.path());
    if (QFile::exists(points))
        QVERIFY(QFile::copy(points, work.filePath(PointFileName)));
    else
        WriteText(work.filePath(PointFileName), points.toStdString());
    WriteText(work.filePath(ResultFileName), "stale answer");

    const Run run = RunCalc(folder.path());
    QCOMPARE(run.ExitCode, 0);
    QCOMPARE(run.Errors, QString());
    QCOMPARE(work.entryList(QDir::Files | QDir::Hidden | QDir::System),
        QStringList({ PointFileName, ResultFileName }));
    QFile result(work.filePath(ResultFileName));
    QVERIFY(result.open(QIODevice::ReadOnly));
    const QByteArray text = result.readAll();
    if (!answer.isEmpty())
        QCOMPARE(text, answer);

    const std::unique_ptr<LoadedProfile> profile = LoadResults(folder.path().toStdString());
    const ProfileSolution solution(
        std::span<const PointD>(
            &profile->Points(1), static_cast<std::size_t>(profile->PointCount)));
    const ProfileAnswer& best = solution.Answer();
    QCOMPARE(profile->Tower.X, best.Tower.X);
    QCOMPARE(profile->Tower.Y, best.Tower.Y);
    QCOMPARE(profile->Island.X, best.Island.X);
    QCOMPARE(profile->Island.Y, best.Island.Y);
    QVERIFY(CheckAnswer(solution, { profile->Tower, profile->Island }).Ok());
}

void TestCalc::program_unwritableResult_leavesNoTemporaryFile()
{
    QTemporaryDir folder;
    const QDir work(folder.path());
    WriteText(work.filePath(PointFileName), "1\n2 3\n");
    // A folder that is not empty cannot be replaced by the answer, even by root.
    QVERIFY(work.mkpath(QString(ResultFileName) + "/kept"));

    const Run run = RunCalc(folder.path());
    QCOMPARE(run.ExitCode, 1);
    QCOMPARE(run.Errors, QString("calc.exe: morvadine.out: the answer cannot be written\n"));
    QVERIFY(work.exists(QString(ResultFileName) + "/kept"));
    QCOMPARE(
        work.entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList({ PointFileName }));
}

void TestCalc::program_skipsAByteOrderMark()
{
    QTemporaryDir folder;
    const QDir work(folder.path());
    WriteText(work.filePath(PointFileName),
        "\xEF\xBB\xBF"
        "3\n0 0\n1 1\n2 0\n");
    QCOMPARE(RunCalc(folder.path()).ExitCode, 0);
    QFile result(work.filePath(ResultFileName));
    QVERIFY(result.open(QIODevice::ReadOnly));
    QCOMPARE(result.readAll(), QByteArray("1 1 1 1\n"));
}

void TestCalc::program_refusesBrokenRuns_data()
{
    QTest::addColumn<QString>("points");
    QTest::addColumn<bool>("staleResult");
    QTest::addColumn<QString>("message");
    QTest::newRow("no point file")
        << QString() << false << "calc.exe: morvadine.in: the file does not exist\n";
    QTest::newRow("empty")
        << "" << false
        << "calc.exe: morvadine.in: the file is empty; it must start with the vertex count\n";
    QTest::newRow("count zero")
        << "0\n"
        << false
        << "calc.exe: morvadine.in: the vertex count is 0; a profile needs at least one vertex\n";
    QTest::newRow("count above capacity") << "1000001\n1 1\n"
                                          << false
                                          << "calc.exe: morvadine.in: the vertex count 1000001 is "
                                             "more than the 1000000 vertices the viewer can hold\n";
    QTest::newRow("too few vertices")
        << "3\n1 1\n2" << false << "calc.exe: morvadine.in: the file ends after 1 of 3 vertices\n";
    QTest::newRow("malformed, over a stale result")
        << "2\n1 1\n2 x2\n"
        << true << "calc.exe: morvadine.in: line 3, column 3: expected a number, found 'x2'\n";
    QTest::newRow("no answer in range")
        << "4\n0 0\n1e-10 1e300\n2e10 1e300\n20000000001 0\n"
        << false << "calc.exe: an answer lies beyond the range of a double\n";
}

void TestCalc::program_refusesBrokenRuns()
{
    QFETCH(QString, points);
    QFETCH(bool, staleResult);
    QFETCH(QString, message);
    QTemporaryDir folder;
    const QDir work(folder.path());
    if (!points.isNull())
        WriteText(work.filePath(PointFileName), points.toStdString());
    if (staleResult)
        WriteText(work.filePath(ResultFileName), "1 2 3 4\n");

    const Run run = RunCalc(folder.path());
    QCOMPARE(run.ExitCode, 1);
    QCOMPARE(run.Errors, message);
    QVERIFY(!work.exists(ResultFileName));
    QCOMPARE(work.entryList(QDir::Files | QDir::Hidden | QDir::System),
        points.isNull() ? QStringList() : QStringList({ PointFileName }));
}

void TestCalc::program_neverWritesThroughTheTemporaryName_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to a file elsewhere") << "link";
    QTest::newRow("link to nothing") << "dangling";
    QTest::newRow("left over from a crash") << "file";
}

void TestCalc::program_neverWritesThroughTheTemporaryName()
{
    QFETCH(QString, kind);
    QTemporaryDir folder;
    QTemporaryDir elsewhere;
    const QDir work(folder.path());
    const QString temporary = work.filePath(QString(ResultFileName) + ".tmp");
    const QString target = QDir(elsewhere.path()).filePath("precious");
    WriteText(work.filePath(PointFileName), "3\n0 0\n1 1\n2 0\n");
    if (kind == "link")
        WriteText(target, "keep me");
    if (kind == "file")
        WriteText(temporary, "half an answer");
    else
        QVERIFY(QFile::link(target, temporary));

    const Run run = RunCalc(folder.path());
    QCOMPARE(run.ExitCode, 0);
    QCOMPARE(work.entryList(QDir::Files | QDir::Hidden | QDir::System),
        QStringList({ PointFileName, ResultFileName }));
    QFile result(work.filePath(ResultFileName));
    QVERIFY(result.open(QIODevice::ReadOnly));
    QCOMPARE(result.readAll(), QByteArray("1 1 1 1\n"));
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files),
        kind == "link" ? QStringList({ "precious" }) : QStringList());
    if (kind == "link") {
        QFile kept(target);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("keep me"));
    }
}

QTEST_GUILESS_MAIN(TestCalc)
#include "tst_calc.moc"
