#pragma once

#include <QString>

#include <filesystem>
#include <stdexcept>

class QProcess;

// The file and process commands the solver run is built from. Every path is explicit: none
// of them reads or changes the process's current directory.

// A file command that failed. what() is a whole sentence naming the path and the reason:
// "cannot create the folder /opt/viewer/morvadine_temporary: Permission denied".
class FileCommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class EntryKind {
    None,
    Directory,
    File,
    Link, // never followed: a link where we expect our own folder is not ours to use
    Other, // a device, a socket, a pipe
};

// What the name `path` stands for, without following a link.
EntryKind Dir(const std::filesystem::path& path);

// Creates the folder `path`, whose parent must exist. Throws FileCommandError.
void MkDir(const std::filesystem::path& path);

// Copies the file `from` to `to`, replacing a file already there. The old file is unlinked
// rather than overwritten, so a program still running from it keeps its own copy and never
// sees the new contents. Throws FileCommandError, and when `to` is a folder leaves it alone.
void FileCopy(const std::filesystem::path& from, const std::filesystem::path& to);

// Deletes the file (or link) `path`; a missing file is no error, so a clean-up can name
// every file it might have made. Throws FileCommandError for a folder or a failed removal.
void Kill(const std::filesystem::path& path);

// Removes the folder `path` when it is empty and reports whether it did. A folder that still
// holds something is left as it is. Throws FileCommandError when removing fails otherwise.
bool RmDir(const std::filesystem::path& path);

// Starts `program`, an absolute path that is never looked up in PATH, without arguments in
// `workingDirectory`, and returns at once. Its input is empty and its standard output is
// discarded; its error output stays with `process` to be read. A failure to start shows as
// `process`'s errorOccurred(FailedToStart), during this call or later from the event loop.
void Shell(QProcess& process, const QString& program, const QString& workingDirectory);

// The native path of a Qt file name, and back.
std::filesystem::path ToPath(const QString& name);
QString FromPath(const std::filesystem::path& path);
