#pragma once

#include "scene/datafile.h"

#include <QString>

#include <filesystem>
#include <stdexcept>

// The solver decides what the names it shares with the viewer stand for when the viewer
// reads them: a named pipe would hold a reading forever, a link could lead to a device or to
// anybody's file. So the work directory's files are opened only as plain files of the work
// directory's own file system, never through a link, and never in a way that can wait
// (O_NONBLOCK also turns a lease another process holds into a refusal instead of a wait).

// Something other than a plain file where the run reads one. what() is the whole sentence, in
// UTF-8 and the installed language: "calc.exe left morvadine.out as a named pipe, not a file".
class NotAFileError : public std::runtime_error {
public:
    explicit NotAFileError(const QString& message)
        : std::runtime_error(message.toStdString())
    {
    }
};

// Opens files of `workDirectory` for a load. A missing or unreadable file is a DataFileError
// naming it as the load asks; anything but a plain file on the work directory's file system is
// a NotAFileError that blames the solver. Where the system offers none of these checks, the
// path is opened as AnyDataFile opens it.
class WorkDirectoryFiles : public DataFileOpener {
public:
    explicit WorkDirectoryFiles(std::filesystem::path workDirectory);

    std::unique_ptr<DataFile> Open(
        const std::filesystem::path& file, const std::string& displayName) const override;

private:
    std::filesystem::path m_workDirectory;
};
