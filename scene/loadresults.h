#pragma once

#include "scene/answerfile.h"
#include "scene/pointfile.h"
#include "scene/pointfilereader.h"
#include "scene/profile.h"

#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

// The texts of the two coordinate labels of a profile: "(3,2.5)", "(0.25,-1)".
struct CoordinateCaptions {
    std::string Tower;
    std::string Island;
};
CoordinateCaptions CaptionsOf(const LoadedProfile& profile);

// Loads the solved data set of `folder` into a profile of its own: the vertices of its point
// file, ordered by X, the tower and the island of its result file, and the vertices' extents.
//
// Throws DataFileError, with a message that names the file and the problem, when a file is
// missing, malformed or ends early, and a ResultFileError when that file is the result file;
// the messages call the point file `pointFileName` and the result file by its own name. The
// files are closed by then, and nothing of the failed load is left. A vertex count below 1 or
// above MaxPoints is refused before any vertex is read.
//
// Reads on one core, record by record: the reference for every faster load.
std::unique_ptr<LoadedProfile> LoadResults(
    const std::filesystem::path& folder, const std::string& pointFileName = PointFileName);

// The same load with the point file read by `reader` on two cores: the same outcome, records,
// exceptions and messages included. Both files are opened by `files`, which may refuse one
// with an exception of its own.
std::unique_ptr<LoadedProfile> LoadResultsOnTwoCores(const std::filesystem::path& folder,
    const std::string& pointFileName, PointFileReader& reader, const DataFileOpener& files);

// A load in two steps, for a point file that can be read before its answer exists.

// The point file's share of a load, done ahead of the answer.
struct PointsReadAhead {
    // The vertices, their count and extents as read; the tower and island not yet. Empty when
    // the reading failed.
    std::unique_ptr<LoadedProfile> Profile;
    std::optional<FileStamp> Stamp; // of the file read; empty when it could not be opened
    std::exception_ptr Failure; // the point file's problem, as LoadResults throws it
};

// Reads the point file of `folder`, opened by `files`, into a profile of its own on one core,
// exactly as LoadResults would. Throws only StopRequested, soon after `stop` asks.
PointsReadAhead ReadPointsAhead(const std::filesystem::path& folder,
    const std::string& pointFileName, PointFileReader& reader, std::stop_token stop,
    const DataFileOpener& files);

// Completes a load whose point file `ahead` read, with LoadResults' outcome: when the point
// file `files` opens now has the stamp of the one read, the reading stands, its profile is
// taken over and only the answer is read; otherwise the file opened now is read again (on two
// cores).
std::unique_ptr<LoadedProfile> CompleteLoad(PointsReadAhead ahead,
    const std::filesystem::path& folder, const std::string& pointFileName,
    PointFileReader& reader, const DataFileOpener& files);
