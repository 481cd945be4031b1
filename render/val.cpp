#include "render/val.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

bool Ignored(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

bool Digit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

double Val(std::string_view text)
{
    // The number's characters without the blanks between them, sign kept apart because
    // from_chars reads no '+'.
    std::string digits;
    bool negative = false;
    bool seenSign = false;
    bool seenPeriod = false;
    for (const char c : text) {
        if (Ignored(c))
            continue;
        if ((c == '+' || c == '-') && !seenSign && digits.empty()) {
            seenSign = true;
            negative = c == '-';
        } else if (Digit(c)) {
            digits.push_back(c);
        } else if (c == '.' && !seenPeriod) {
            seenPeriod = true;
            digits.push_back(c);
        } else {
            break;
        }
    }
    double magnitude = 0.0;
    const char* const end = digits.data() + digits.size();
    const auto [ptr, error] = std::from_chars(digits.data(), end, magnitude, std::chars_format::fixed);
    if (error == std::errc::result_out_of_range) {
        // Only the digits before the period decide between too large and too small.
        const bool large = digits.find_first_not_of('0') < digits.find('.');
        magnitude = large ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc{}) {
        magnitude = 0.0; // a sign or a period without digits
    }
    return negative ? -magnitude : magnitude;
}

std::int32_t RoundToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    // floor and the difference are exact for every double, so no rounding mode is involved.
    double nearest = std::floor(value);
    const double fraction = value - nearest;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(nearest, 2.0) != 0.0))
        nearest += 1.0;
    if (nearest <= lowest)
        return std::numeric_limits<std::int32_t>::min();
    if (nearest >= highest)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(nearest);
}
