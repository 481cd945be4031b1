#include "runsolver/programplaces.h"

#include "runsolver/platformcommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <system_error>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// The name of the private folder in the user's runtime or cache directory.
constexpr const char* PrivateFolderName = "morvadine";

// Whether the path names something, link or not; a dangling link is something.
bool Present(const fs::path& path) { return Dir(path) != EntryKind::None; }

[[noreturn]] void Refuse(const char* sentence, const fs::path& folder)
{
    throw FileCommandError(
        QCoreApplication::translate("ProgramPlaces", sentence).arg(ShownName(FromPath(folder))));
}

// Creates one folder, its parent present, with owner-only access whatever the umask.
void MakeOwnFolder(const fs::path& folder)
{
    std::error_code error;
#ifdef Q_OS_UNIX
    if (::mkdir(folder.c_str(), S_IRWXU) != 0)
        error.assign(errno, std::generic_category());
#else
    fs::create_directory(folder, error);
#endif
    if (error && error != std::errc::file_exists) {
        throw FileCommandError(
            QCoreApplication::translate("FileCommand", "cannot create the folder %1: %2")
                .arg(ShownName(FromPath(folder)), ReasonOf(error)));
    }
}

} // namespace

ProgramPlaces LocateProgramPlaces(const QString& programFolder)
{
    const QDir program(programFolder);
    const QString installedSolverFolder
        = QDir::cleanPath(program.absoluteFilePath(QStringLiteral("../" MORVADINE_SOLVER_FOLDER)));
    if (program.dirName() != QLatin1String(MORVADINE_PROGRAM_FOLDER)
        || !QFileInfo(installedSolverFolder).isDir())
        return { program.absolutePath(), program.absolutePath(), false };
    // Qt checks the runtime directory it is given, and without one warns and makes one in
    // /tmp: the cache directory serves better then.
    const QString userFolder = QStandardPaths::writableLocation(
        qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") ? QStandardPaths::GenericCacheLocation
                                                       : QStandardPaths::RuntimeLocation);
    return { installedSolverFolder, QDir(userFolder).filePath(QLatin1String(PrivateFolderName)),
        true };
}

void PreparePrivateFolder(const fs::path& folder)
{
    // Parents first, as the user's directories are meant to be made when missing.
    fs::path missing = folder;
    std::vector<fs::path> toMake;
    while (!missing.empty() && !Present(missing) && missing != missing.parent_path()) {
        toMake.push_back(missing);
        missing = missing.parent_path();
    }
    for (auto step = toMake.rbegin(); step != toMake.rend(); ++step)
        MakeOwnFolder(*step);

    switch (Dir(folder)) {
    case EntryKind::Directory:
        break;
    case EntryKind::Link:
        Refuse(QT_TRANSLATE_NOOP("ProgramPlaces",
                   "%1 is a link: the viewer makes its work directory only in a folder of "
                   "your own; remove the link"),
            folder);
    default:
        Refuse(QT_TRANSLATE_NOOP("ProgramPlaces",
                   "%1 is not a folder: the viewer makes its work directory only in a folder "
                   "of your own; rename or remove it"),
            folder);
    }
#ifdef Q_OS_UNIX
    // Checked and tightened through one descriptor, so the folder cannot be swapped between.
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) {
        throw FileCommandError(
            QCoreApplication::translate("ProgramPlaces", "cannot open the folder %1: %2")
                .arg(ShownName(FromPath(folder)),
                    ReasonOf(std::error_code(errno, std::generic_category()))));
    }
    struct stat status { };
    const bool read = ::fstat(descriptor, &status) == 0;
    const bool own = read && status.st_uid == ::geteuid();
    const bool tightened = own
        && ((status.st_mode & (S_IRWXG | S_IRWXO)) == 0 || ::fchmod(descriptor, S_IRWXU) == 0);
    const std::error_code error(errno, std::generic_category());
    ::close(descriptor);
    if (read && !own) {
        Refuse(QT_TRANSLATE_NOOP("ProgramPlaces",
                   "%1 belongs to another user: the viewer makes its work directory only in a "
                   "folder of your own; remove it"),
            folder);
    }
    if (!tightened) {
        throw FileCommandError(
            QCoreApplication::translate("ProgramPlaces", "cannot make the folder %1 private: %2")
                .arg(ShownName(FromPath(folder)), ReasonOf(error)));
    }
#endif
}
