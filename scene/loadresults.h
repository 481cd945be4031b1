#pragma once

#include "scene/pointfile.h"
#include "scene/pointload.h"
#include "scene/scenestate.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>

inline constexpr const char* ResultFileName = "morvadine.out";
// Where the stand-in solver writes its answer before renaming it to ResultFileName; a solver
// stopped halfway through writing leaves it behind.
inline constexpr const char* ResultTemporaryFileName = "morvadine.out.tmp";

// A problem with the result file rather than the point file: whoever wrote the answer is to
// blame, not whoever made the input.
class ResultFileError : public DataFileError {
public:
    using DataFileError::DataFileError;
};

// The texts of the two coordinate labels after a load: "(3,2.5)", "(0.25,-1)".
struct CoordinateCaptions {
    std::string Tower;
    std::string Island;
};

// Loads the solved data set of `folder`: the vertices of its point file, ordered by X, the
// tower and the island of its result file, and the extents MaxX, MaxY and MountainMaxY.
// Changes no other field of `scene` and never touches HaveData.
//
// Throws DataFileError, with a message that names the file and the problem, when a file is
// missing, malformed or ends early, and a ResultFileError when that file is the result file;
// the messages call the point file `pointFileName` and the result file by its own name. The
// files are closed by then. A vertex count below 1 or above MaxPoints is refused before any
// vertex is read, leaving `scene` as it was; after any later failure the fields read so far
// keep their new values, so the caller must not draw the scene.
//
// Reads on one core, record by record: the reference for every faster load.
CoordinateCaptions LoadResults(SceneState& scene, const std::filesystem::path& folder,
    const std::string& pointFileName = PointFileName);

// The same load with the point file read by `reader` on two cores: the same outcome, fields,
// records, exceptions and messages included. Both files are opened by `files`, which may
// refuse one with an exception of its own.
CoordinateCaptions LoadResultsOnTwoCores(SceneState& scene, const std::filesystem::path& folder,
    const std::string& pointFileName, PointFileReader& reader, const DataFileOpener& files);

// A load in two steps, for a point file that can be read before its answer exists.

// The point file's share of a load, done ahead of the answer.
struct PointsReadAhead {
    std::int32_t Count = 0; // PointCount as the reading leaves it; 0 when it read no count
    VertexExtents Extents;
    std::optional<FileStamp> Stamp; // of the file read; empty when it could not be opened
    std::exception_ptr Failure; // the point file's problem, as LoadResults throws it
};

// Reads the point file of `folder`, opened by `files`, into `points` on one core, exactly as
// LoadResults would, changing nothing else. Throws only StopRequested, soon after `stop` asks.
PointsReadAhead ReadPointsAhead(PointArray& points, const std::filesystem::path& folder,
    const std::string& pointFileName, PointFileReader& reader, std::stop_token stop,
    const DataFileOpener& files);

// Completes a load whose point file `ahead` read into scene.Points, with LoadResults' outcome:
// when the point file `files` opens now has the stamp of the one read, the reading stands and
// only the answer is read; otherwise the file opened now is read again (on two cores).
CoordinateCaptions CompleteLoad(SceneState& scene, const PointsReadAhead& ahead,
    const std::filesystem::path& folder, const std::string& pointFileName, PointFileReader& reader,
    const DataFileOpener& files);
