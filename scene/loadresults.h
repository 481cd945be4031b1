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
// records, exceptions and messages included.
CoordinateCaptions LoadResultsOnTwoCores(SceneState& scene, const std::filesystem::path& folder,
    const std::string& pointFileName, PointFileReader& reader);

// A load in two steps, for a point file that can be read before its answer exists.

// What a point file's reading tells of the file it read: a reading applies only as long as
// the file keeps both.
struct PointFileStamp {
    std::uintmax_t Size = 0;
    std::filesystem::file_time_type Modified;
    bool operator==(const PointFileStamp&) const = default;
};
// Empty when the file cannot be looked at, a missing one included.
std::optional<PointFileStamp> StampOf(const std::filesystem::path& file);

// The point file's share of a load, done ahead of the answer.
struct PointsReadAhead {
    std::int32_t Count = 0; // PointCount as the reading leaves it; 0 when it read no count
    VertexExtents Extents;
    std::optional<PointFileStamp> Stamp; // as the reading began
    std::exception_ptr Failure; // the point file's problem, as LoadResults throws it
};

// Reads the point file of `folder` into `points` on one core, exactly as LoadResults would,
// changing nothing else. Throws only StopRequested, soon after `stop` asks.
PointsReadAhead ReadPointsAhead(PointArray& points, const std::filesystem::path& folder,
    const std::string& pointFileName, PointFileReader& reader, std::stop_token stop);

// Completes a load whose point file `ahead` read into scene.Points, with LoadResults' outcome:
// when the point file still has the stamp it had, the reading stands and only the answer is
// read; otherwise the whole load is done again (on two cores).
CoordinateCaptions CompleteLoad(SceneState& scene, const PointsReadAhead& ahead,
    const std::filesystem::path& folder, const std::string& pointFileName, PointFileReader& reader);
