#pragma once

#include "scene/carefulreader.h"
#include "scene/datafile.h"

#include <array>
#include <filesystem>

// The answer file a solver leaves beside its input: where the tower stands, then where the
// island floats, four numbers read by the careful reader.

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

// The answer's four numbers, tower first, each point as x then y, from the file `files` opens
// at `path`. Every problem with it, a short file included, is a ResultFileError.
std::array<double, 4> ReadAnswer(const std::filesystem::path& path, const DataFileOpener& files);
