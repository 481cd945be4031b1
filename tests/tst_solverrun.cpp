#include "endlesssolver.h"
#include "runsolver/solverrun.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include <unistd.h>

namespace {

constexpr int CollectionTimeoutMs = 20000;
// Three vertices out of order; the answer solvers reply "1 2 3 4".
constexpr const char* GoodProfile = "3\n2 0\n0 0\n1 5\n";

// Each way a run can go wrong, set up in the test's own program folder.
enum class Fault {
    MissingSolver,
    MissingChosenSolver,
    UnstartableSolver,
    WorkDirectoryIsFile,
    WorkDirectoryIsLink,
    ProgramFolderIsFile,
    FolderNamedLikeAnswer,
    DroppedFolder,
    DroppedMissing,
    DroppedFromWorkDirectory,
    MalformedInput,
    FailingSolver,
    FailingSolverOnMalformedInput,
    PartialAnswerOnMalformedInput,
    CrashingSolver,
    PartialAnswer,
    MalformedAnswer,
    NoAnswer,
    StaleAnswer,
    EndlessSolver,
    WorkDirectoryInUse,
};

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Leaves the lock of a program that ended without giving it back, as a crash would.
void LeaveStaleLock(const QString& programFolder)
{
    const QString lockFile = programFolder + QStringLiteral("/morvadine_temporary.lock");
    QProcess gone;
    gone.start(QStringLiteral("/bin/true"), {});
    const QByteArray goneProcess = QByteArray::number(gone.processId());
    QVERIFY(gone.waitForFinished());
    QLockFile lock(lockFile);
    QVERIFY(lock.tryLock());
    QByteArray contents = Contents(lockFile);
    lock.unlock();
    WriteFile(lockFile, contents.replace(0, contents.indexOf('\n'), goneProcess));
}

// The processes whose program lies under `folder`, the staged copies of test solvers included.
QStringList ProcessesRunningFrom(const QString& folder)
{
    QStringList running;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QString program = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
        if (program.startsWith(folder + QLatin1Char('/')))
            running << pid + QLatin1Char(' ') + program;
    }
    return running;
}

// The processes, ended ones not yet reaped included, whose parent is this test.
QStringList OwnChildren()
{
    QStringList children;
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QByteArray stat = Contents(QStringLiteral("/proc/%1/stat").arg(pid));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == self)
            children << pid + QLatin1Char(' ') + QString::fromLatin1(stat);
    }
    return children;
}

// A program folder of its own, the profile a user drops, and the run between them.
class Sandbox {
public:
    explicit Sandbox(const QString& solver)
    {
        QVERIFY(m_root.isValid());
        QVERIFY(QDir(m_root.path()).mkdir(QStringLiteral("program")));
        QVERIFY(QDir(m_root.path()).mkdir(QStringLiteral("input")));
        WriteFile(Profile(), GoodProfile);
        UseSolver(solver);
    }

    QString ProgramFolder() const { return m_root.filePath(QStringLiteral("program")); }
    QString WorkDirectory() const
    {
        return ProgramFolder() + QStringLiteral("/morvadine_temporary");
    }
    QString Profile() const { return m_root.filePath(QStringLiteral("input/profile.txt")); }
    QString Input() const { return m_root.filePath(QStringLiteral("input")); }
    QString Root() const { return m_root.path(); }

    void UseSolver(const QString& behaviour) const
    {
        const QString solver = ProgramFolder() + QStringLiteral("/calc.exe");
        QFile::remove(solver);
        QVERIFY(QFile::copy(
            QCoreApplication::applicationDirPath() + QStringLiteral("/solver_") + behaviour,
            solver));
        // A solver copied from elsewhere may have lost its execute bits; staging restores them.
        QVERIFY(QFile::setPermissions(solver, QFile::ReadOwner | QFile::WriteOwner));
    }

    // What the work directory holds; empty when it is absent.
    QStringList WorkFiles() const
    {
        return QDir(WorkDirectory())
            .entryList(
                QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden, QDir::Name);
    }

private:
    QTemporaryDir m_root;
};

// The one outcome of a collection: the captions joined and the profile collected, or the
// failure message.
struct Outcome {
    bool collected = false;
    QString text;
    std::shared_ptr<const LoadedProfile> profile;
};

Outcome Collect(SolverRun& run)
{
    QSignalSpy collected(&run, &SolverRun::Collected);
    QSignalSpy failed(&run, &SolverRun::Failed);
    run.Collect();
    if (!QTest::qWaitFor(
            [&] { return collected.count() + failed.count() > 0; }, CollectionTimeoutMs))
        return { false, QStringLiteral("neither collected nor failed"), {} };
    if (!collected.isEmpty()) {
        auto profile
            = collected.first().first().value<std::shared_ptr<const LoadedProfile>>();
        const CoordinateCaptions captions = CaptionsOf(*profile);
        return { true, QString::fromStdString(captions.Tower + " " + captions.Island),
            std::move(profile) };
    }
    return { false, failed.first().first().toString(), {} };
}

// Starts, reading the point file ahead or not, and collects; a refused start counts as a
// failure with Start's message.
Outcome Run(SolverRun& run, const QString& dropped, bool readAhead = false)
{
    const QString refusal = run.Start(dropped,
        readAhead ? SolverRun::PointReading::Ahead : SolverRun::PointReading::AtCollection);
    if (!refusal.isEmpty())
        return { false, refusal, {} };
    return Collect(run);
}

} // namespace

class TestSolverRun : public QObject {
    Q_OBJECT

private slots:
    void run_collectsAnswerAndCleansUp_data();
    void run_collectsAnswerAndCleansUp();
    void slowSolver_isAwaitedWithoutBlocking();
    void stoppingSolver_isAwaitedOnce();
    void failedRun_reportsProblemAndLeavesCleanState_data();
    void failedRun_reportsProblemAndLeavesCleanState();
    void startDuringPendingRun_stopsOldSolverAndStartsAnew();
    void refusedStartDuringPendingRun_removesItsFilesAtOnce();
    void collectedProfile_isThePlainLoads_data();
    void collectedProfile_isThePlainLoads();
    void destroyedDuringRun_stopsSolverAndCleansUp();
    void readAhead_pointFileChangedBySolver_isReadAgain();
    void readAhead_newDropOrEnd_stopsTheReading();
    void stopsOnABusyMachine_leaveNothingRunningOrUnreaped();
};

void TestSolverRun::run_collectsAnswerAndCleansUp_data()
{
    QTest::addColumn<QString>("solver");
    QTest::addColumn<bool>("leftoverWorkDirectory");
    QTest::addColumn<QStringList>("workFilesAfter");
    QTest::addColumn<bool>("readAhead");

    for (const bool readAhead : { false, true }) {
        const QByteArray mode = readAhead ? " (read ahead)" : "";
        QTest::newRow("fresh" + mode) << "answer" << false << QStringList() << readAhead;
        QTest::newRow("leftover work directory and lock, a stale answer and a user's file" + mode)
            << "answer" << true << QStringList { "notes.txt" } << readAhead;
        QTest::newRow("solver leaves a file of its own" + mode)
            << "extrafile" << false << QStringList { "calc.log" } << readAhead;
        QTest::newRow("solver leaves a process behind" + mode)
            << "leaving" << false << QStringList { "calc.pid" } << readAhead;
    }
}

void TestSolverRun::run_collectsAnswerAndCleansUp()
{
    QFETCH(QString, solver);
    QFETCH(bool, leftoverWorkDirectory);
    QFETCH(QStringList, workFilesAfter);
    QFETCH(bool, readAhead);

    Sandbox sandbox(solver);
    if (leftoverWorkDirectory) {
        QVERIFY(QDir().mkdir(sandbox.WorkDirectory()));
        for (const char* name : { "morvadine.in", "morvadine.out", "calc.exe" })
            WriteFile(sandbox.WorkDirectory() + '/' + name, "1\n7 7\n9 9 9 9\n");
        WriteFile(sandbox.WorkDirectory() + QStringLiteral("/notes.txt"), "mine");
        LeaveStaleLock(sandbox.ProgramFolder());
    }
    const QByteArray dropped = Contents(sandbox.Profile());
    SolverRun run(sandbox.ProgramFolder());

    const Outcome outcome = Run(run, sandbox.Profile(), readAhead);

    QVERIFY2(outcome.collected, qPrintable(outcome.text));
    QCOMPARE(outcome.text, QStringLiteral("(1,2) (3,4)"));
    QCOMPARE(outcome.profile->PointCount, 3);
    QCOMPARE(outcome.profile->Points(3).Y, 0.0);
    QCOMPARE(outcome.profile->Extents.MaxX, 2.0);
    QVERIFY(!run.IsPending());
    QCOMPARE(sandbox.WorkFiles(), workFilesAfter);
    if (leftoverWorkDirectory)
        QCOMPARE(Contents(sandbox.WorkDirectory() + QStringLiteral("/notes.txt")), "mine");
    QCOMPARE(Contents(sandbox.Profile()), dropped);
    if (solver == QStringLiteral("leaving"))
        QTRY_VERIFY_WITH_TIMEOUT(
            ProcessesGone(ReadPids(sandbox.WorkDirectory())), CollectionTimeoutMs);
}

void TestSolverRun::slowSolver_isAwaitedWithoutBlocking()
{
    Sandbox sandbox(QStringLiteral("slow"));
    SolverRun run(sandbox.ProgramFolder());
    QSignalSpy waiting(&run, &SolverRun::WaitingChanged);
    QSignalSpy collected(&run, &SolverRun::Collected);

    QCOMPARE(run.Start(sandbox.Profile()), QString());
    run.Collect();

    QCOMPARE(waiting.count(), 1);
    QCOMPARE(waiting.first().first().toBool(), true);
    QCOMPARE(collected.count(), 0);
    QVERIFY(run.IsPending());
    QTRY_COMPARE_WITH_TIMEOUT(collected.count(), 1, CollectionTimeoutMs);
    // The solver sleeps 800 ms before it answers.
    QVERIFY(collected.first().at(1).value<std::chrono::nanoseconds>() >= std::chrono::milliseconds(800));
    QCOMPARE(waiting.count(), 2);
    QCOMPARE(waiting.last().first().toBool(), false);
    QVERIFY(!QFileInfo::exists(sandbox.WorkDirectory()));
}

// Collected twice after its time ran out, while its group is being stopped: one wait begins
// and one ends, around the one report.
void TestSolverRun::stoppingSolver_isAwaitedOnce()
{
    Sandbox sandbox(QStringLiteral("endless"));
    SolverRun run(sandbox.ProgramFolder());
    run.SetTimeout(std::chrono::milliseconds(200));
    QSignalSpy waiting(&run, &SolverRun::WaitingChanged);
    QSignalSpy failed(&run, &SolverRun::Failed);
    QCOMPARE(run.Start(sandbox.Profile()), QString());
    const QList<qint64> solver = ReadPids(sandbox.WorkDirectory());
    QCOMPARE(solver.size(), 2);

    // The solver ends at the time-out's SIGTERM; its child ignores it and keeps the run
    // stopping until it is killed, StopGrace later.
    QTRY_VERIFY_WITH_TIMEOUT(ProcessesGone({ solver[0], solver[0] }), CollectionTimeoutMs);
    if (!run.IsPending())
        QSKIP("the machine was too slow to collect while the solver's group was being stopped");
    run.Collect();
    run.Collect();

    QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, CollectionTimeoutMs);
    QCOMPARE(waiting.count(), 2);
    QCOMPARE(waiting.first().first().toBool(), true);
    QCOMPARE(waiting.last().first().toBool(), false);
}

static void AddFailureRows(bool readAhead);

void TestSolverRun::failedRun_reportsProblemAndLeavesCleanState_data()
{
    QTest::addColumn<Fault>("fault");
    // With %program, %work and %dropped for the paths of this test's sandbox.
    QTest::addColumn<QString>("messageStart");
    QTest::addColumn<QStringList>("workFilesAfter");
    QTest::addColumn<bool>("readAhead");
    for (const bool readAhead : { false, true })
        AddFailureRows(readAhead);
}

// Each row once as it is and once with the point file read ahead: the same message either way,
// a problem of the solver before one of the point file, and that before one of the answer.
static void AddFailureRows(bool readAhead)
{
    const QByteArray mode = readAhead ? " (read ahead)" : "";
    const auto newRow = [&](const char* name) -> QTestData& {
        return QTest::newRow((name + mode).constData());
    };

    newRow("calc.exe missing")
        << Fault::MissingSolver
        << "calc.exe is missing: it must lie beside the program, in %program" << QStringList() << readAhead;
    newRow("chosen solver missing")
        << Fault::MissingChosenSolver
        << "%program/tools/solver: the solver program does not exist" << QStringList() << readAhead;
    newRow("calc.exe not a program")
        << Fault::UnstartableSolver << "calc.exe could not be started: " << QStringList() << readAhead;
    newRow("work directory name taken by a file")
        << Fault::WorkDirectoryIsFile
        << "%work: the viewer needs this name for its work directory, but a file has it; "
           "rename or remove it"
        << QStringList() << readAhead;
    newRow("work directory name taken by a link")
        << Fault::WorkDirectoryIsLink
        << "%work: the viewer needs this name for its work directory, but a link has it; "
           "rename or remove it"
        << QStringList { "elsewhere.txt" } << readAhead;
    newRow("program folder cannot hold a folder")
        << Fault::ProgramFolderIsFile
        << "cannot create the lock file %program/morvadine_temporary.lock: Not a directory"
        << QStringList() << readAhead;
    newRow("a folder bears the answer's name")
        << Fault::FolderNamedLikeAnswer
        << "cannot delete %work/morvadine.out: it is a folder, not a file"
        << QStringList { "morvadine.out" } << readAhead;
    newRow("dropped a folder")
        << Fault::DroppedFolder << "%dropped: is a folder, not a file; drop a problem input file"
        << QStringList() << readAhead;
    newRow("dropped file vanished")
        << Fault::DroppedMissing << "%dropped: the file does not exist" << QStringList() << readAhead;
    newRow("dropped a file of the work directory")
        << Fault::DroppedFromWorkDirectory
        << "%dropped: lies in the viewer's work directory, whose files each run replaces; copy "
           "it elsewhere and drop the copy"
        << QStringList { "morvadine.in" } << readAhead;
    newRow("malformed input")
        << Fault::MalformedInput << "%dropped: line 3, column 3: expected a number, found 'abc'"
        << QStringList() << readAhead;
    newRow("solver fails on a malformed input")
        << Fault::FailingSolverOnMalformedInput << "calc.exe exited with status 3: " << QStringList() << readAhead;
    newRow("partial answer to a malformed input")
        << Fault::PartialAnswerOnMalformedInput
        << "%dropped: line 3, column 3: expected a number, found 'abc'" << QStringList() << readAhead;
    newRow("solver fails")
        << Fault::FailingSolver
        << "calc.exe exited with status 3: step 3\nstep 4\nstep 5\nstep 6\n"
           "step 7: %dropped, ./morvadine.in, morvadine.in.bak"
        << QStringList() << readAhead;
    newRow("solver crashes")
        << Fault::CrashingSolver << "calc.exe crashed: about to crash" << QStringList() << readAhead;
    newRow("partial answer")
        << Fault::PartialAnswer
        << "calc.exe finished without a usable answer: morvadine.out: the file ends after 3 of "
           "its 4 numbers (where the tower stands, then where the island floats, each as x y)"
        << QStringList() << readAhead;
    newRow("malformed answer")
        << Fault::MalformedAnswer
        << "calc.exe finished without a usable answer: morvadine.out: line 1, column 1: "
           "expected a number, found 'abc'"
        << QStringList() << readAhead;
    newRow("no answer")
        << Fault::NoAnswer
        << "calc.exe finished without a usable answer: morvadine.out: the file does not exist"
        << QStringList() << readAhead;
    newRow("no answer, a stale one left over")
        << Fault::StaleAnswer
        << "calc.exe finished without a usable answer: morvadine.out: the file does not exist"
        << QStringList() << readAhead;
    newRow("solver never finishes")
        << Fault::EndlessSolver << "calc.exe did not finish within 1.5 seconds"
        << QStringList { "calc.pid" } << readAhead;
    newRow("work directory in use by another run")
        << Fault::WorkDirectoryInUse
        << "%work is in use by another run of the viewer (tst_solverrun, process %pid on %host); "
           "try again once it has finished"
        << QStringList() << readAhead;
}

void TestSolverRun::failedRun_reportsProblemAndLeavesCleanState()
{
    QFETCH(Fault, fault);
    QFETCH(QString, messageStart);
    QFETCH(QStringList, workFilesAfter);
    QFETCH(bool, readAhead);

    Sandbox sandbox(QStringLiteral("answer"));
    QString dropped = sandbox.Profile();
    QLockFile otherRun(sandbox.ProgramFolder() + QStringLiteral("/morvadine_temporary.lock"));
    switch (fault) {
    case Fault::MissingSolver:
        QVERIFY(QFile::remove(sandbox.ProgramFolder() + QStringLiteral("/calc.exe")));
        break;
    case Fault::MissingChosenSolver: // calc.exe beside the viewer answers if wrongly used
        break;
    case Fault::UnstartableSolver:
        WriteFile(sandbox.ProgramFolder() + QStringLiteral("/calc.exe"), "not a program\n");
        break;
    case Fault::WorkDirectoryIsFile:
        WriteFile(sandbox.WorkDirectory(), "occupied");
        break;
    case Fault::WorkDirectoryIsLink:
        QVERIFY(QDir(sandbox.Root()).mkdir(QStringLiteral("elsewhere")));
        WriteFile(sandbox.Root() + QStringLiteral("/elsewhere/elsewhere.txt"), "keep");
        QVERIFY(
            QFile::link(sandbox.Root() + QStringLiteral("/elsewhere"), sandbox.WorkDirectory()));
        break;
    case Fault::ProgramFolderIsFile:
        QVERIFY(QDir(sandbox.ProgramFolder()).removeRecursively());
        WriteFile(sandbox.ProgramFolder(), "not a folder");
        break;
    case Fault::FolderNamedLikeAnswer:
        QVERIFY(QDir().mkpath(sandbox.WorkDirectory() + QStringLiteral("/morvadine.out")));
        break;
    case Fault::DroppedFolder:
        dropped = sandbox.Input();
        break;
    case Fault::DroppedMissing:
        dropped = sandbox.Input() + QStringLiteral("/gone.txt");
        break;
    case Fault::DroppedFromWorkDirectory:
        QVERIFY(QDir().mkdir(sandbox.WorkDirectory()));
        dropped = sandbox.WorkDirectory() + QStringLiteral("/morvadine.in");
        QVERIFY(QFile::copy(sandbox.Profile(), dropped));
        break;
    case Fault::MalformedInput:
        WriteFile(sandbox.Profile(), "3\n0 0\n1 abc\n2 0\n");
        break;
    case Fault::FailingSolver:
        sandbox.UseSolver(QStringLiteral("failing"));
        break;
    case Fault::FailingSolverOnMalformedInput:
        WriteFile(sandbox.Profile(), "3\n0 0\n1 abc\n2 0\n");
        sandbox.UseSolver(QStringLiteral("failing"));
        break;
    case Fault::PartialAnswerOnMalformedInput:
        WriteFile(sandbox.Profile(), "3\n0 0\n1 abc\n2 0\n");
        sandbox.UseSolver(QStringLiteral("partial"));
        break;
    case Fault::CrashingSolver:
        sandbox.UseSolver(QStringLiteral("crashing"));
        break;
    case Fault::PartialAnswer:
        sandbox.UseSolver(QStringLiteral("partial"));
        break;
    case Fault::MalformedAnswer:
        sandbox.UseSolver(QStringLiteral("malformed"));
        break;
    case Fault::NoAnswer:
        sandbox.UseSolver(QStringLiteral("silent"));
        break;
    case Fault::StaleAnswer:
        QVERIFY(QDir().mkdir(sandbox.WorkDirectory()));
        WriteFile(sandbox.WorkDirectory() + QStringLiteral("/morvadine.out"), "9 9 9 9\n");
        sandbox.UseSolver(QStringLiteral("silent"));
        break;
    case Fault::EndlessSolver:
        sandbox.UseSolver(QStringLiteral("endless"));
        break;
    case Fault::WorkDirectoryInUse:
        QVERIFY(otherRun.tryLock());
        break;
    }
    const QByteArray droppedBytes = Contents(dropped);
    const QByteArray occupantBytes = Contents(sandbox.WorkDirectory());
    messageStart.replace(QStringLiteral("%program"), sandbox.ProgramFolder())
        .replace(QStringLiteral("%work"), sandbox.WorkDirectory())
        .replace(QStringLiteral("%dropped"), dropped)
        .replace(QStringLiteral("%pid"), QString::number(QCoreApplication::applicationPid()))
        .replace(QStringLiteral("%host"), QSysInfo::machineHostName());
    SolverRun run(sandbox.ProgramFolder());
    if (fault == Fault::MissingChosenSolver)
        run.SetSolverProgram(QStringLiteral("tools/solver"));
    // Long enough for the endless solver to announce itself even on a loaded machine.
    run.SetTimeout(std::chrono::milliseconds(1500));
    QSignalSpy collected(&run, &SolverRun::Collected);
    QSignalSpy failed(&run, &SolverRun::Failed);

    const Outcome outcome = Run(run, dropped, readAhead);

    QVERIFY(!outcome.collected);
    QVERIFY2(outcome.text.startsWith(messageStart),
        qPrintable(outcome.text + QStringLiteral("\ndoes not start with\n") + messageStart));
    QVERIFY(!run.IsPending());
    QCOMPARE(sandbox.WorkFiles(), workFilesAfter);
    QCOMPARE(Contents(dropped), droppedBytes);
    if (fault == Fault::WorkDirectoryIsFile)
        QCOMPARE(Contents(sandbox.WorkDirectory()), occupantBytes);
    if (fault == Fault::EndlessSolver)
        QTRY_VERIFY_WITH_TIMEOUT(
            ProcessesGone(ReadPids(sandbox.WorkDirectory())), CollectionTimeoutMs);
    // A late collection call, as from the window's timer, has nothing left to report: one
    // report in all, through Start's result or through Failed.
    run.Collect();
    QCOMPARE(collected.count() + failed.count(), failed.isEmpty() ? 0 : 1);

    // Put right, the next drop runs as if nothing had happened.
    otherRun.unlock();
    if (fault == Fault::ProgramFolderIsFile) {
        QVERIFY(QFile::remove(sandbox.ProgramFolder()));
        QVERIFY(QDir().mkdir(sandbox.ProgramFolder()));
    }
    if (fault == Fault::WorkDirectoryIsFile || fault == Fault::WorkDirectoryIsLink)
        QVERIFY(QFile::remove(sandbox.WorkDirectory()));
    if (fault == Fault::FolderNamedLikeAnswer)
        QVERIFY(QDir(sandbox.WorkDirectory()).rmdir(QStringLiteral("morvadine.out")));
    sandbox.UseSolver(QStringLiteral("answer"));
    run.SetSolverProgram(sandbox.ProgramFolder() + QStringLiteral("/calc.exe"));
    WriteFile(sandbox.Profile(), GoodProfile);
    const Outcome next = Run(run, sandbox.Profile(), readAhead);
    QVERIFY2(next.collected, qPrintable(next.text));
}

void TestSolverRun::startDuringPendingRun_stopsOldSolverAndStartsAnew()
{
    Sandbox sandbox(QStringLiteral("endless"));
    SolverRun run(sandbox.ProgramFolder());
    QSignalSpy waiting(&run, &SolverRun::WaitingChanged);
    QSignalSpy failed(&run, &SolverRun::Failed);
    QCOMPARE(run.Start(sandbox.Profile()), QString());
    const QList<qint64> oldSolver = ReadPids(sandbox.WorkDirectory());
    run.Collect();
    QCOMPARE(waiting.count(), 1);

    sandbox.UseSolver(QStringLiteral("answer"));
    QCOMPARE(run.Start(sandbox.Profile()), QString());

    QCOMPARE(waiting.count(), 2);
    QCOMPARE(waiting.last().first().toBool(), false);
    QTRY_VERIFY_WITH_TIMEOUT(ProcessesGone(oldSolver), CollectionTimeoutMs);
    const Outcome outcome = Collect(run);
    QVERIFY2(outcome.collected, qPrintable(outcome.text));
    QCOMPARE(failed.count(), 0);
    // The stopped solver's own file stays; everything staged is gone.
    QCOMPARE(sandbox.WorkFiles(), QStringList { "calc.pid" });
}

// The drop refused lets the pending run go: what that run staged is removed before Start
// returns, not only once its solver's group has been stopped, whatever the user may do.
void TestSolverRun::refusedStartDuringPendingRun_removesItsFilesAtOnce()
{
    Sandbox sandbox(QStringLiteral("endless"));
    SolverRun run(sandbox.ProgramFolder());
    QCOMPARE(run.Start(sandbox.Profile()), QString());
    const QList<qint64> solver = ReadPids(sandbox.WorkDirectory());
    const QString missing = sandbox.Input() + QStringLiteral("/missing.txt");

    QCOMPARE(run.Start(missing), missing + QStringLiteral(": the file does not exist"));

    QCOMPARE(sandbox.WorkFiles(), QStringList { "calc.pid" });
    QVERIFY(!run.IsPending());
    QTRY_VERIFY_WITH_TIMEOUT(ProcessesGone(solver), CollectionTimeoutMs);
}

void TestSolverRun::collectedProfile_isThePlainLoads_data()
{
    QTest::addColumn<bool>("readAhead");
    QTest::newRow("read ahead") << true;
    QTest::newRow("read at the collection, on two cores") << false;
}

// The profile a run hands over is, record for record, the one LoadResults gives for the same
// files: a file long enough to be split, with many equal x in no order.
void TestSolverRun::collectedProfile_isThePlainLoads()
{
    QFETCH(bool, readAhead);
    Sandbox sandbox(QStringLiteral("answer"));
    std::string text = "40000\n";
    for (int k = 0; k < 40000; ++k)
        text += std::to_string(k * 7919 % 1009) + ' ' + std::to_string(k % 613) + ".5\n";
    WriteFile(sandbox.Profile(), QByteArray::fromStdString(text));
    SolverRun run(sandbox.ProgramFolder());

    const Outcome outcome = Run(run, sandbox.Profile(), readAhead);

    QVERIFY2(outcome.collected, qPrintable(outcome.text));
    QTemporaryDir plain;
    QVERIFY(QFile::copy(sandbox.Profile(), plain.filePath(PointFileName)));
    WriteFile(plain.filePath(ResultFileName), "1 2 3 4\n");
    const std::unique_ptr<LoadedProfile> expected = LoadResults(plain.path().toStdString());
    const LoadedProfile& collected = *outcome.profile;
    QCOMPARE(collected.PointCount, expected->PointCount);
    const double fields[][6] = {
        { collected.Tower.X, collected.Tower.Y, collected.Island.X, collected.Island.Y,
            collected.Extents.MaxX, collected.Extents.MaxY },
        { expected->Tower.X, expected->Tower.Y, expected->Island.X, expected->Island.Y,
            expected->Extents.MaxX, expected->Extents.MaxY },
    };
    QVERIFY(std::memcmp(fields[0], fields[1], sizeof fields[0]) == 0);
    QVERIFY(std::memcmp(&collected.Points(1), &expected->Points(1), sizeof(PointD) * MaxPoints)
        == 0);
}

void TestSolverRun::destroyedDuringRun_stopsSolverAndCleansUp()
{
    Sandbox sandbox(QStringLiteral("endless"));
    QList<qint64> solver;
    {
        SolverRun run(sandbox.ProgramFolder());
        QCOMPARE(run.Start(sandbox.Profile()), QString());
        solver = ReadPids(sandbox.WorkDirectory());
    }
    QTRY_VERIFY_WITH_TIMEOUT(ProcessesGone(solver), CollectionTimeoutMs);
    QCOMPARE(sandbox.WorkFiles(), QStringList { "calc.pid" });
}

// The solver rewrites its input, same length, after the viewer has read it: the collection
// must load what the file holds now.
void TestSolverRun::readAhead_pointFileChangedBySolver_isReadAgain()
{
    Sandbox sandbox(QStringLiteral("rewriting"));
    SolverRun run(sandbox.ProgramFolder());

    const Outcome outcome = Run(run, sandbox.Profile(), true);

    QVERIFY2(outcome.collected, qPrintable(outcome.text));
    const LoadedProfile& profile = *outcome.profile;
    QCOMPARE(profile.PointCount, 3);
    const double ys[] = { profile.Points(1).Y, profile.Points(2).Y, profile.Points(3).Y };
    QCOMPARE(std::vector<double>(std::begin(ys), std::end(ys)), (std::vector<double> { 7, 9, 7 }));
}

// A reading of a long file is under way when the next drop comes, and again when the run is
// destroyed: each must end before the profile it fills is freed (the sanitizers see to it).
void TestSolverRun::readAhead_newDropOrEnd_stopsTheReading()
{
    Sandbox sandbox(QStringLiteral("endless"));
    std::string longProfile = "300000\n";
    for (std::int64_t k = 0; k < 300000; ++k)
        longProfile += std::to_string(k * 7919 % 300007) + " 1.25\n";
    const QString longFile = sandbox.Input() + QStringLiteral("/long.txt");
    WriteFile(longFile, QByteArray::fromStdString(longProfile));
    {
        SolverRun run(sandbox.ProgramFolder());
        QCOMPARE(run.Start(longFile, SolverRun::PointReading::Ahead), QString());
        sandbox.UseSolver(QStringLiteral("answer"));
        const Outcome outcome = Run(run, sandbox.Profile(), true);
        QVERIFY2(outcome.collected, qPrintable(outcome.text));
        QCOMPARE(outcome.profile->PointCount, 3);
        sandbox.UseSolver(QStringLiteral("endless"));
        QCOMPARE(run.Start(longFile, SolverRun::PointReading::Ahead), QString());
    }
    QTest::qWait(100);
}

// Solvers that leave a child ignoring SIGTERM, or a daemon, or never finish, are collected,
// replaced by the next drop at any moment (starting, reading, forking) and finally outlived by
// their run, many times over while both cores are busy: afterwards no process runs a program of
// the test's, and none is left for the test to reap.
void TestSolverRun::stopsOnABusyMachine_leaveNothingRunningOrUnreaped()
{
    std::atomic<bool> loaded = true;
    std::vector<std::jthread> load;
    for (int core = 0; core < 2; ++core) {
        load.emplace_back([&loaded] {
            while (loaded.load(std::memory_order_relaxed)) { }
        });
    }
    const auto unload = qScopeGuard([&] { loaded = false; });
    Sandbox sandbox(QStringLiteral("leaving"));
    {
        SolverRun run(sandbox.ProgramFolder());
        for (int round = 0; round < 4; ++round) {
            for (const char* leaving : { "leaving", "daemonising" }) {
                sandbox.UseSolver(QLatin1String(leaving));
                const Outcome outcome = Run(run, sandbox.Profile(), round % 2 == 1);
                QVERIFY2(outcome.collected, qPrintable(outcome.text));
            }
            sandbox.UseSolver(QStringLiteral("endless"));
            QCOMPARE(run.Start(sandbox.Profile(), SolverRun::PointReading::Ahead), QString());
            QTest::qWait(round * 150);
        }
    }
    loaded = false;
    QCOMPARE(ProcessesRunningFrom(sandbox.Root()), QStringList());
    QCOMPARE(OwnChildren(), QStringList());
}

QTEST_GUILESS_MAIN(TestSolverRun)
#include "tst_solverrun.moc"
