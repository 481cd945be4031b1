#pragma once

#include "scene/pointfile.h"
#include "scene/scenestate.h"

#include <filesystem>
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
CoordinateCaptions LoadResults(SceneState& scene, const std::filesystem::path& folder,
    const std::string& pointFileName = PointFileName);
