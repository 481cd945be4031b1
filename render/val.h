#pragma once

#include <cstdint>
#include <string_view>

// The number a text box's text stands for. Blanks, tabs and line feeds are ignored wherever
// they stand; the longest leading run of an optional sign, digits and one period makes the
// number, and whatever follows is ignored ("12abc" is 12, "1,000" is 1, "1e3" is 1); a text
// without such a run is 0. Exponent, hexadecimal and octal forms are not read. A run too
// large for a double gives an infinity of its sign, one too small for it gives 0.
double Val(std::string_view text);

// value to the nearest integer, a half to the even neighbour (2.5 gives 2, 3.5 gives 4).
// Beyond the 32-bit range, infinities included, the nearest bound; NaN gives 0.
std::int32_t RoundToInt32(double value);
