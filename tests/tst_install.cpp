#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Finished {
    QString Output;
    QString Errors;
    int ExitCode = -1;
};

Finished Run(const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
    const QString& folder = {})
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(300000))
        return { {}, program + QStringLiteral(" did not finish"), -1 };
    return { QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError()),
        process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1 };
}

// Every file and link under `root`, relative to it, sorted.
QStringList FilesUnder(const QString& root)
{
    QStringList files;
    QDirIterator entries(
        root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (entries.hasNext())
        files << QDir(root).relativeFilePath(entries.next());
    files.sort();
    return files;
}

QString Permissions(const QString& path)
{
    struct stat status { };
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return QStringLiteral("missing");
    return QString::number(status.st_mode & 07777, 8);
}

// Everything named `name` under `root`, folders included, links not followed.
QStringList Anywhere(const QString& root, const QString& name)
{
    QStringList found;
    QDirIterator entries(root, { name }, QDir::AllEntries | QDir::Hidden | QDir::System,
        QDirIterator::Subdirectories);
    while (entries.hasNext())
        found << entries.next();
    return found;
}

// How the user's folders look before the installed viewer runs.
enum class Before {
    RuntimeFolder, // XDG_RUNTIME_DIR is set and holds nothing of ours
    NoCacheFolderYet, // XDG_RUNTIME_DIR unset; XDG_CACHE_HOME names a folder not made yet
    PrivateFolderOpenToAll, // the private folder is there, readable and writable by all
    PrivateFolderIsLink, // ... is a link to a folder elsewhere
    PrivateFolderIsFile,
    PrivateFolderOfAnotherUser,
};

} // namespace

Q_DECLARE_METATYPE(Before)

// Installs the build into a temporary prefix and runs what was installed there, as a user
// would: from a folder it cannot write to, with its own runtime or cache folder.
class TestInstall : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void installedFiles();
    void installedViewerChecks_data();
    void installedViewerChecks();
    void validators_data();
    void validators();
    void completion_data();
    void completion();
    void debianPackageHoldsTheInstallation();

private:
    QString Installed(const QString& file) const { return m_prefix + QLatin1Char('/') + file; }
    QString Sample() const
    {
        return Installed(QStringLiteral(MORVADINE_SAMPLE_FOLDER "/sample.in"));
    }
    // The installed viewer run as a user who can write only to the folders the test gives it:
    // the runner itself, or nobody when the runner is root, whom no permission stops.
    Finished Viewer(const QStringList& arguments, const QProcessEnvironment& environment) const;
    // Makes a folder the viewer's user owns.
    void MakeUsersFolder(const QString& folder, mode_t mode = 0700) const;

    QTemporaryDir m_root;
    QString m_prefix;
    QString m_readOnly; // the viewer's current directory
    uid_t m_user = ::geteuid();
    QStringList m_installed; // every file the installation put under the prefix
};

void TestInstall::initTestCase()
{
    QVERIFY(m_root.isValid());
    // Nobody must reach the installation and the folders made for each run.
    QVERIFY(QFile::setPermissions(m_root.path(),
        QFile::permissions(m_root.path()) | QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup
            | QFile::ExeGroup));
    if (m_user == 0 && !QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        m_user = 65534;
    m_prefix = m_root.filePath(QStringLiteral("prefix"));
    const Finished install = Run(QStringLiteral(MORVADINE_CMAKE),
        { QStringLiteral("--install"), QStringLiteral(MORVADINE_BUILD_DIR),
            QStringLiteral("--prefix"), m_prefix });
    QVERIFY2(install.ExitCode == 0, qPrintable(install.Errors));
    m_installed = FilesUnder(m_prefix);
    m_readOnly = m_root.filePath(QStringLiteral("read-only"));
    QVERIFY(QDir().mkdir(m_readOnly));
    QVERIFY(QFile::setPermissions(
        m_readOnly, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
}

void TestInstall::installedFiles()
{
    const QStringList expected = {
        QStringLiteral("bin/morvadine"),
        QStringLiteral(MORVADINE_SOLVER_FOLDER "/calc.exe"),
        QStringLiteral(MORVADINE_SAMPLE_FOLDER "/sample.in"),
        QStringLiteral(MORVADINE_SAMPLE_FOLDER "/sample.out"),
        QStringLiteral("share/applications/org.example.morvadine.desktop"),
        QStringLiteral("share/bash-completion/completions/morvadine"),
        QStringLiteral("share/icons/hicolor/48x48/apps/morvadine.png"),
        QStringLiteral("share/icons/hicolor/scalable/apps/morvadine.svg"),
        QStringLiteral("share/man/man1/morvadine.1.gz"),
        QStringLiteral("share/metainfo/org.example.morvadine.metainfo.xml"),
    };
    QStringList sorted = expected;
    sorted.sort();
    QCOMPARE(m_installed, sorted);
    const Finished version
        = Viewer({ QStringLiteral("--version") }, QProcessEnvironment::systemEnvironment());
    QCOMPARE(version.Output, QStringLiteral("morvadine " MORVADINE_VERSION "\n"));
    QCOMPARE(version.ExitCode, 0);
}

Finished TestInstall::Viewer(
    const QStringList& arguments, const QProcessEnvironment& environment) const
{
    const QString viewer = Installed(QStringLiteral("bin/morvadine"));
    if (m_user == ::geteuid())
        return Run(viewer, arguments, environment, m_readOnly);
    return Run(QStringLiteral("setpriv"),
        QStringList { QStringLiteral("--reuid=%1").arg(m_user),
            QStringLiteral("--regid=%1").arg(m_user), QStringLiteral("--clear-groups"),
            QStringLiteral("--"), viewer }
            + arguments,
        environment, m_readOnly);
}

void TestInstall::MakeUsersFolder(const QString& folder, mode_t mode) const
{
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(::chown(QFile::encodeName(folder).constData(), m_user, m_user), 0);
    QCOMPARE(::chmod(QFile::encodeName(folder).constData(), mode), 0);
}

void TestInstall::installedViewerChecks_data()
{
    QTest::addColumn<Before>("before");
    QTest::addColumn<QString>("privateFolder"); // relative to the row's folder
    QTest::addColumn<QString>("refusal"); // empty when the check must succeed

    QTest::newRow("in the runtime folder")
        << Before::RuntimeFolder << "runtime/morvadine" << QString();
    QTest::newRow("in the cache folder, made owner-only")
        << Before::NoCacheFolderYet << "home/.cache/morvadine" << QString();
    QTest::newRow("a private folder open to all is closed")
        << Before::PrivateFolderOpenToAll << "runtime/morvadine" << QString();
    QTest::newRow("not through a link")
        << Before::PrivateFolderIsLink << "runtime/morvadine"
        << "runtime/morvadine is a link: the viewer makes its work directory only in a folder "
           "of your own; remove the link";
    QTest::newRow("not over a file")
        << Before::PrivateFolderIsFile << "runtime/morvadine"
        << "runtime/morvadine is not a folder: the viewer makes its work directory only in a "
           "folder of your own; rename or remove it";
    QTest::newRow("not in another user's folder")
        << Before::PrivateFolderOfAnotherUser << "runtime/morvadine"
        << "runtime/morvadine belongs to another user: the viewer makes its work directory "
           "only in a folder of your own; remove it";
}

// The installed viewer checks the installed sample with the installed stand-in, and a second
// time through a solver that notes where it runs before handing over to the stand-in.
void TestInstall::installedViewerChecks()
{
    QFETCH(Before, before);
    QFETCH(QString, privateFolder);
    QFETCH(QString, refusal);
    if (before == Before::PrivateFolderOfAnotherUser && m_user == ::geteuid())
        QSKIP("Only root can give the test a folder of another user.");

    QTemporaryDir row(m_root.filePath(QStringLiteral("row-XXXXXX")));
    QVERIFY(QFile::setPermissions(row.path(), QFile::permissions(row.path()) | QFile::ExeOther));
    const QString folder = row.filePath(privateFolder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    if (before == Before::NoCacheFolderYet) {
        MakeUsersFolder(row.filePath(QStringLiteral("home")));
        environment.insert(
            QStringLiteral("XDG_CACHE_HOME"), row.filePath(QStringLiteral("home/.cache")));
    } else {
        MakeUsersFolder(row.filePath(QStringLiteral("runtime")));
        environment.insert(
            QStringLiteral("XDG_RUNTIME_DIR"), row.filePath(QStringLiteral("runtime")));
    }
    const QString elsewhere = row.filePath(QStringLiteral("elsewhere"));
    MakeUsersFolder(elsewhere);
    switch (before) {
    case Before::RuntimeFolder:
    case Before::NoCacheFolderYet:
        break;
    case Before::PrivateFolderOpenToAll:
        MakeUsersFolder(folder, 0777);
        break;
    case Before::PrivateFolderIsLink:
        QVERIFY(QFile::link(elsewhere, folder));
        break;
    case Before::PrivateFolderIsFile:
        QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
        break;
    case Before::PrivateFolderOfAnotherUser:
        QVERIFY(QDir().mkdir(folder));
        break;
    }
    const QString where = elsewhere + QStringLiteral("/where");
    const QString noting = row.filePath(QStringLiteral("noting.sh"));
    {
        QFile script(noting);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\npwd > '%1'\nexec '%2'\n")
                         .arg(where, Installed(QStringLiteral(MORVADINE_SOLVER_FOLDER "/calc.exe")))
                         .toUtf8());
        QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOther));
    }

    for (const QStringList& solver :
        { QStringList(), QStringList { QStringLiteral("--solver"), noting } }) {
        const Finished check
            = Viewer(QStringList { QStringLiteral("--check"), Sample() } + solver, environment);
        if (refusal.isEmpty()) {
            QVERIFY2(check.Output.startsWith(Sample() + QStringLiteral(": ok, tower (416,169.68)")),
                qPrintable(check.Output + check.Errors));
            QCOMPARE(check.ExitCode, 0);
        } else {
            QCOMPARE(check.Output,
                Sample() + QStringLiteral(": error: ") + row.path() + QLatin1Char('/') + refusal
                    + QStringLiteral("\n1 file: 0 ok, 0 wrong, 1 error\n"));
            QCOMPARE(check.ExitCode, 2);
        }
    }

    // The work directory was made in the private folder, which is owner-only, and is gone.
    QStringList made = FilesUnder(row.path());
    if (refusal.isEmpty()) {
        QFile noted(where);
        QVERIFY(noted.open(QIODevice::ReadOnly));
        QCOMPARE(
            QString::fromUtf8(noted.readAll()), folder + QStringLiteral("/morvadine_temporary\n"));
        QCOMPARE(Permissions(folder), QStringLiteral("700"));
        QCOMPARE(Permissions(QFileInfo(folder).path()), QStringLiteral("700"));
        QVERIFY(QDir(folder).isEmpty(
            QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System));
        made.removeOne(QStringLiteral("elsewhere/where"));
    }
    made.removeOne(QStringLiteral("noting.sh"));
    if (before == Before::PrivateFolderIsLink || before == Before::PrivateFolderIsFile)
        made.removeOne(privateFolder);
    QCOMPARE(made, QStringList());
    QCOMPARE(Anywhere(m_root.path(), QStringLiteral("morvadine_temporary")), QStringList());
    QCOMPARE(FilesUnder(m_readOnly), QStringList());
    QCOMPARE(FilesUnder(m_prefix), m_installed);
}

void TestInstall::validators_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("outputIsThePage"); // and only the errors tell of complaints

    QTest::newRow("menu entry")
        << "desktop-file-validate"
        << QStringList { "share/applications/org.example.morvadine.desktop" } << false;
    // Without the network: the screenshot's address is checked, not fetched.
    QTest::newRow("software centre metadata")
        << "appstreamcli"
        << QStringList { "validate", "--no-net", "--pedantic",
               "share/metainfo/org.example.morvadine.metainfo.xml" }
        << false;
    QTest::newRow("manual page") << "man"
                                 << QStringList { "--warnings", "-l",
                                        "share/man/man1/morvadine.1.gz" }
                                 << true;
}

// Each validator passes without a warning; one not installed is skipped.
void TestInstall::validators()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(bool, outputIsThePage);
    if (QStandardPaths::findExecutable(program).isEmpty())
        QSKIP(qPrintable(
            program + QStringLiteral(" is not installed (scripts/setup.sh test installs it)")));
    for (QString& argument : arguments) {
        if (argument.startsWith(QLatin1String("share/")))
            argument = Installed(argument);
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    const Finished validation = Run(program, arguments, environment);
    QVERIFY2(validation.ExitCode == 0, qPrintable(validation.Output + validation.Errors));
    const QString said
        = outputIsThePage ? validation.Errors : validation.Output + validation.Errors;
    static const QRegularExpression complaint(
        QStringLiteral("(warning|error|^[EWP]: )"), QRegularExpression::MultilineOption);
    QVERIFY2(!said.contains(complaint), qPrintable(said));
}

void TestInstall::completion_data()
{
    QTest::addColumn<QString>("typed"); // the command line up to the cursor
    QTest::addColumn<QString>("offered");

    QTest::newRow("an option") << "morvadine --ch"
                               << "--check";
    QTest::newRow("every option") << "morvadine --s"
                                  << "--solver --size --samples";
    QTest::newRow("sight lines") << "morvadine --check --lines "
                                 << "tower island both";
    QTest::newRow("a file") << "morvadine --check sample.i"
                            << "sample.in";
    QTest::newRow("the solver's file") << "morvadine --solver sample.o"
                                       << "sample.out";
    QTest::newRow("nothing for a number") << "morvadine --samples "
                                          << "";
}

// The installed completion, sourced into bash, offers what each partial command line allows.
void TestInstall::completion()
{
    QFETCH(QString, typed);
    QFETCH(QString, offered);
    if (QStandardPaths::findExecutable(QStringLiteral("bash")).isEmpty())
        QSKIP("bash is not installed");
    const QString script = QStringLiteral(
        "source \"$1\"; read -ra COMP_WORDS <<< \"$2\"; [[ $2 == *' ' ]] && COMP_WORDS+=('');"
        "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _morvadine; echo \"${COMPREPLY[*]}\"");
    const Finished completed = Run(QStringLiteral("bash"),
        { QStringLiteral("-c"), script, QStringLiteral("bash"),
            Installed(QStringLiteral("share/bash-completion/completions/morvadine")), typed },
        QProcessEnvironment::systemEnvironment(),
        Installed(QStringLiteral(MORVADINE_SAMPLE_FOLDER)));
    QCOMPARE(completed.Errors, QString());
    QStringList words = completed.Output.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList expected = offered.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    words.sort();
    expected.sort();
    QCOMPARE(words, expected);
}

// The package holds exactly what the installation puts under its prefix, /usr.
void TestInstall::debianPackageHoldsTheInstallation()
{
    for (const char* tool : { "dpkg-deb", "dpkg-shlibdeps" }) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP(qPrintable(QLatin1String(tool) + QStringLiteral(" is not installed")));
    }
    const QString output = m_root.filePath(QStringLiteral("package"));
    const Finished packed = Run(QStringLiteral(MORVADINE_CPACK),
        { QStringLiteral("--config"), QStringLiteral(MORVADINE_BUILD_DIR "/CPackConfig.cmake"),
            QStringLiteral("-B"), output });
    QVERIFY2(packed.ExitCode == 0, qPrintable(packed.Output + packed.Errors));
    const QStringList packages = QDir(output).entryList({ QStringLiteral("*.deb") }, QDir::Files);
    QCOMPARE(packages.size(), 1);
    const QString package = QDir(output).filePath(packages.first());
    QVERIFY(packages.first().startsWith(QStringLiteral("morvadine_" MORVADINE_VERSION "_")));

    const Finished contents
        = Run(QStringLiteral("dpkg-deb"), { QStringLiteral("--contents"), package });
    QCOMPARE(contents.ExitCode, 0);
    QStringList files;
    for (const QString& line : contents.Output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        // "-rwxr-xr-x root/root 12345 2024-01-01 00:00 ./usr/bin/morvadine"
        if (line.startsWith(QLatin1Char('d')))
            continue;
        const QString path = line.section(QLatin1Char(' '), -1);
        QVERIFY2(path.startsWith(QLatin1String("./usr/")), qPrintable(line));
        files << path.mid(6);
    }
    files.sort();
    QCOMPARE(files, m_installed);

    const Finished depends = Run(QStringLiteral("dpkg-deb"),
        { QStringLiteral("--field"), package, QStringLiteral("Depends"),
            QStringLiteral("Version") });
    for (const char* library :
        { "libqt6widgets6", "libqt6gui6", "libqt6core6", "libgmp10", "libc6" })
        QVERIFY2(depends.Output.contains(QLatin1String(library)), qPrintable(depends.Output));
    QVERIFY2(depends.Output.contains(QStringLiteral("Version: " MORVADINE_VERSION "\n")),
        qPrintable(depends.Output));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
