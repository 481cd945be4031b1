#pragma once

#include <QString>

#include <filesystem>

// Where the viewer finds calc.exe and where it makes its work directory.
//
// A program folder that is <prefix>/bin beside a folder <prefix>/lib/morvadine is an
// installation: calc.exe lies in lib/morvadine, and the work directory goes to the folder
// "morvadine" of the user's own, in the runtime directory when XDG_RUNTIME_DIR is set and in
// the cache directory otherwise, since the program's folder is shared and seldom writable.
// Any other folder (a build, a copy kept in a folder of its own, a test's folder) holds
// calc.exe and receives the work directory itself, as it always has.
struct ProgramPlaces {
    QString SolverFolder; // holds calc.exe
    QString WorkFolder; // receives the work directory
    bool Installed = false; // WorkFolder is the user's private folder: see PreparePrivateFolder
};

// The places of the viewer whose executable lies in `programFolder`; reads the file system
// and the environment, changes nothing.
ProgramPlaces LocateProgramPlaces(const QString& programFolder);

// Makes `folder` the user's private folder, with owner-only access, creating it and any
// missing parent folders (themselves owner-only) when absent. One already there must be a
// folder, not a link, owned by the user; group and others lose any access they had. Throws
// FileCommandError naming the folder and what is wrong, leaving a refused one as it is.
void PreparePrivateFolder(const std::filesystem::path& folder);
