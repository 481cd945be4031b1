#include "solver/platformcommands.h"

#include <QFile>
#include <QProcess>

#include <system_error>

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const char* action, const fs::path& path, const std::error_code& error)
{
    throw FileCommandError(
        std::string("cannot ") + action + " " + path.string() + ": " + error.message());
}

} // namespace

EntryKind Dir(const fs::path& path)
{
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    switch (status.type()) {
    case fs::file_type::not_found:
    case fs::file_type::none:
        return EntryKind::None;
    case fs::file_type::directory:
        return EntryKind::Directory;
    case fs::file_type::regular:
        return EntryKind::File;
    case fs::file_type::symlink:
        return EntryKind::Link;
    default:
        return EntryKind::Other;
    }
}

void MkDir(const fs::path& path)
{
    std::error_code error;
    if (!fs::create_directory(path, error)) {
        if (!error)
            error = std::make_error_code(std::errc::file_exists);
        Fail("create the folder", path, error);
    }
}

void FileCopy(const fs::path& from, const fs::path& to)
{
    Kill(to);
    std::error_code error;
    if (!fs::copy_file(from, to, error))
        Fail(("copy " + from.string() + " to").c_str(), to, error);
}

void Kill(const fs::path& path)
{
    const EntryKind kind = Dir(path);
    if (kind == EntryKind::None)
        return;
    if (kind == EntryKind::Directory)
        throw FileCommandError("cannot delete " + path.string() + ": it is a folder, not a file");
    std::error_code error;
    if (!fs::remove(path, error))
        Fail("delete", path, error);
}

bool RmDir(const fs::path& path)
{
    std::error_code error;
    if (Dir(path) != EntryKind::Directory || !fs::is_empty(path, error) || error)
        return false;
    if (!fs::remove(path, error))
        Fail("remove the folder", path, error);
    return true;
}

void Shell(QProcess& process, const QString& program, const QString& workingDirectory)
{
    process.setProgram(program);
    process.setArguments({});
    process.setWorkingDirectory(workingDirectory);
    // A solver that reads its input from the console must not wait for a keyboard that never
    // comes, and whatever it prints must not pile up in our memory.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QIODevice::ReadOnly);
}

fs::path ToPath(const QString& name) { return fs::path(QFile::encodeName(name).toStdString()); }

QString FromPath(const fs::path& path) { return QFile::decodeName(path.c_str()); }
