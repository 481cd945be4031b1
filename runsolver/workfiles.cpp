#include "runsolver/workfiles.h"

#include "scene/carefulreader.h"
#include "runsolver/platformcommands.h"
#include "runsolver/solverrun.h"

#include <QCoreApplication>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

WorkDirectoryFiles::WorkDirectoryFiles(fs::path workDirectory)
    : m_workDirectory(std::move(workDirectory))
{
}

#ifdef Q_OS_UNIX

namespace {

std::int64_t Nanoseconds(const timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// A plain file open for reading; reads at an offset need no shared position, so both cores
// may read at once.
class DescriptorFile : public DataFile {
public:
    DescriptorFile(int descriptor, const struct stat& status, std::string displayName)
        : m_descriptor(descriptor)
        , m_name(std::move(displayName))
    {
        m_stamp.Device = static_cast<std::uint64_t>(status.st_dev);
        m_stamp.Inode = static_cast<std::uint64_t>(status.st_ino);
        m_stamp.Size = static_cast<std::uintmax_t>(status.st_size);
        m_stamp.ModifiedNs = Nanoseconds(status.st_mtim);
        m_stamp.ChangedNs = Nanoseconds(status.st_ctim);
    }
    ~DescriptorFile() override { ::close(m_descriptor); }
    DescriptorFile(const DescriptorFile&) = delete;
    DescriptorFile& operator=(const DescriptorFile&) = delete;

    const FileStamp& Stamp() const override { return m_stamp; }

    std::size_t ReadAt(std::uint64_t offset, char* into, std::size_t length) const override
    {
        std::size_t received = 0;
        while (received < length) {
            const ssize_t got = ::pread(m_descriptor, into + received, length - received,
                static_cast<off_t>(offset + received));
            if (got == 0)
                break;
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                throw DataFileError(
                    { TRANSLATABLE_TEXT("DataFile", "%1: the file could not be read"),
                        { m_name } });
            }
            received += static_cast<std::size_t>(got);
        }
        return received;
    }

private:
    int m_descriptor;
    std::string m_name;
    FileStamp m_stamp;
};

[[noreturn]] void RefuseNonFile(mode_t mode, const fs::path& file)
{
    const char* sentence
        = QT_TRANSLATE_NOOP("SolverRun", "%1 left %2 as something other than a file");
    if (S_ISFIFO(mode))
        sentence = QT_TRANSLATE_NOOP("SolverRun", "%1 left %2 as a named pipe, not a file");
    else if (S_ISLNK(mode))
        sentence = QT_TRANSLATE_NOOP("SolverRun", "%1 left %2 as a link, not a file");
    else if (S_ISDIR(mode))
        sentence = QT_TRANSLATE_NOOP("SolverRun", "%1 left %2 as a folder, not a file");
    else if (S_ISCHR(mode) || S_ISBLK(mode))
        sentence = QT_TRANSLATE_NOOP("SolverRun", "%1 left %2 as a device, not a file");
    else if (S_ISSOCK(mode))
        sentence = QT_TRANSLATE_NOOP("SolverRun", "%1 left %2 as a socket, not a file");
    throw NotAFileError(QCoreApplication::translate("SolverRun", sentence)
                            .arg(QLatin1String(SolverFileName), FromPath(file.filename())));
}

[[noreturn]] void RefuseUnopened(const std::string& displayName, int error)
{
    throw DataFileError({ error == ENOENT
            ? TRANSLATABLE_TEXT("DataFile", "%1: the file does not exist")
            : TRANSLATABLE_TEXT("DataFile", "%1: the file cannot be opened for reading"),
        { displayName } });
}

} // namespace

std::unique_ptr<DataFile> WorkDirectoryFiles::Open(
    const fs::path& file, const std::string& displayName) const
{
    // Looked at first without following or opening it: opening a device can act on it.
    struct stat entry { };
    if (::lstat(file.c_str(), &entry) != 0)
        RefuseUnopened(displayName, errno);
    if (!S_ISREG(entry.st_mode))
        RefuseNonFile(entry.st_mode, file);
    const int descriptor
        = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == ELOOP)
            RefuseNonFile(S_IFLNK, file);
        RefuseUnopened(displayName, errno);
    }
    // What was opened is what counts: the name may have been replaced since it was looked at.
    struct stat opened { };
    struct stat folder { };
    if (::fstat(descriptor, &opened) != 0 || ::stat(m_workDirectory.c_str(), &folder) != 0) {
        const int error = errno;
        ::close(descriptor);
        RefuseUnopened(displayName, error);
    }
    if (!S_ISREG(opened.st_mode) || opened.st_dev != folder.st_dev) {
        ::close(descriptor);
        if (S_ISREG(opened.st_mode)) {
            throw NotAFileError(QCoreApplication::translate(
                "SolverRun", "%1 left %2 on another file system than its work directory")
                                    .arg(QLatin1String(SolverFileName), FromPath(file.filename())));
        }
        RefuseNonFile(opened.st_mode, file);
    }
    return std::make_unique<DescriptorFile>(descriptor, opened, displayName);
}

#else

std::unique_ptr<DataFile> WorkDirectoryFiles::Open(
    const fs::path& file, const std::string& displayName) const
{
    return AnyDataFile().Open(file, displayName);
}

#endif
