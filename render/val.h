#pragma once

#include <cstdint>
#include <string_view>

// The number the text of a text box holds, read leniently: blanks, tabs and line feeds count
// for nothing anywhere in the text; the number is the longest run from the start made of a
// sign, digits and at most one period, and the rest is ignored ("12abc" is 12, "1,000" is 1,
// "1e3" is 1). No such run gives 0. Exponent, hexadecimal and octal forms are not read. A run
// too large for a double gives an infinity of its sign, one too small for it gives 0.
double Val(std::string_view text);

// The 32-bit integer closest to value; a tie goes to the even one, so 2.5 is 2 and 3.5 is 4.
// Beyond the 32-bit range, infinities included, the nearest bound; NaN gives 0.
std::int32_t RoundToInt32(double value);
