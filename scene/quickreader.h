#pragma once

#include "scene/profile.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <stop_token>
#include <string_view>

// The point file's text in memory, read the quick way: straight, and only as far as it is
// plainly regular. Whatever these functions do not take (an odd item, a stray comma, a file
// that ends early) is left to InputChannel, the careful reader, which alone words messages;
// what they do take they read exactly as it would, through scene/dataitems.h's one
// definition of a number.

// Items longer than this are left to the careful reader, which refuses an item that fills its
// whole buffer.
inline constexpr std::size_t LongestQuickItem = 256;

struct QuickCount {
    std::int32_t count;
    std::size_t end; // where the text after it begins
};

// The vertex count at the start of `text` when it is written as plain digits, no more than
// LongestQuickItem of them, from 1 to MaxPoints, after nothing but blanks, tabs and line ends
// and before one of them, a comma or the end.
std::optional<QuickCount> ReadQuickCount(std::string_view text);

// What a quick read of numbers found. The numbers at even places from the text's start and
// those at odd places are told apart, since which of them are the x of a vertex depends on
// what precedes the text.
struct QuickNumbers {
    std::size_t numbers = 0; // numbers stored
    bool regular = true;     // false: stopped at something the careful reader must judge
    // Of the numbers at even places and at odd places: the largest (-infinity for none), and
    // whether they strictly ascend.
    double largest[2] = {-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    bool ascending[2] = {true, true};
};

// Reads numbers from `text` into out[0..), up to `capacity` of them (an even number),
// stopping early at the end of the text or at anything irregular. A point file's x and y
// follow each other in it as they do in PointD, so the numbers of whole vertices land in out
// as records. `commaAllowed`: an item precedes the text, so a comma may come first.
// `endsTheFile`: a number may end at the text's end. Throws StopRequested soon after `stop`
// asks.
QuickNumbers ReadQuickNumbers(std::string_view text, bool commaAllowed, bool endsTheFile, double* out,
                              std::size_t capacity, std::stop_token stop = {});
