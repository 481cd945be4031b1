#pragma once

#include "solve/solveprofile.h"

#include <filesystem>

// Solves the profile of a point file (a count from 1 to MaxPoints, then that many x y pairs;
// anything after them is not read) as the viewer reads, orders and judges it: through the
// scene layer's point reader, equal X in QuickSort's order. Throws DataFileError, whose
// message names the file as "morvadine.in" and, for a bad item, its line and column, and
// std::range_error as ProfileSolution does.
ProfileAnswer SolvePointFile(const std::filesystem::path& path);

// Writes "tower_x tower_y island_x island_y" on one line to `path`, each number with 17
// significant digits and "." as the decimal point, so the doubles read back exactly. The
// line goes to the file `temporary` in the same folder, created anew (a link of that name is
// replaced, never followed), which is then renamed over `path`, so a reader finds either the
// complete answer or none. Throws std::runtime_error when the file cannot be written; the
// temporary file is removed by then.
void WriteAnswer(const std::filesystem::path& path, const std::filesystem::path& temporary,
                 const ProfileAnswer& answer);
