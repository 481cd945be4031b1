#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The items of a data file as text in memory, for InputChannel's two ways of reading a number.
//
// What counts as a number: decimal digits, with one "." among or around them if any, maybe
// a leading "+" or "-", maybe a power of ten after "e" or "E" (signed or not). The point is
// "." in every locale, and the value is the nearest double: "inf", "nan" and "0x10" are not
// numbers, "1e400" is one beyond a double's range, and "1e-400", too small for any nonzero
// double, reads as 0 as strtod has it. Both ways of reading rest on this one definition,
// NumberAt, so the quick one can never take what the careful one would refuse, or read
// another value.
//
// Inline, because the quick way runs for every number of a million-vertex file.

// Blanks, tabs, line ends and commas end an item.
constexpr bool IsItemSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',';
}

enum class ItemReading {
    Number,
    NotANumber,
    BeyondRange, // a number in form whose value a double cannot hold
};

struct LeadingNumber {
    ItemReading reading = ItemReading::NotANumber;
    std::size_t length = 0; // the bytes that form it; 0 for NotANumber
    double value = 0.0;     // for a Number
};

// For a number that from_chars finds beyond a double's range: whether it lies below every
// nonzero double, rather than above the largest. Its power of ten tells, that of its leading
// digit together with its exponent, which are far from 0 either way.
inline bool BelowEveryDouble(std::string_view number)
{
    std::size_t at = number.find_first_not_of("+-");
    std::int64_t power = 0; // of the leading nonzero digit, before the exponent
    bool leadingDigitSeen = false;
    bool pointSeen = false;
    for (; at < number.size() && number[at] != 'e' && number[at] != 'E'; ++at) {
        if (number[at] == '.') {
            pointSeen = true;
        } else if (!leadingDigitSeen) {
            // Zeros after the point, and the leading digit there, lower its power.
            if (pointSeen)
                --power;
            leadingDigitSeen = number[at] != '0';
        } else if (!pointSeen) {
            ++power;
        }
    }
    if (!leadingDigitSeen)
        return false;
    std::int64_t exponent = 0;
    bool negativeExponent = false;
    for (++at; at < number.size(); ++at) {
        if (number[at] == '-')
            negativeExponent = true;
        else if (number[at] != '+')
            exponent = std::min<std::int64_t>(exponent * 10 + (number[at] - '0'), INT64_C(1) << 40);
    }
    return power + (negativeExponent ? -exponent : exponent) < 0;
}

// The longest number at the start of `text`.
inline LeadingNumber NumberAt(std::string_view text)
{
    const char* first = text.data();
    const char* const last = first + text.size();
    // from_chars takes no '+', and must not be handed "+-1" as "-1".
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-')
            return {};
    }
    double value = 0.0;
    const auto [stop, error] = std::from_chars(first, last, value);
    const auto length = static_cast<std::size_t>(stop - text.data());
    // from_chars reads "inf" and "nan" too: the data files hold finite numbers only.
    if (error == std::errc() && std::isfinite(value))
        return {ItemReading::Number, length, value};
    // from_chars gives every nonzero result, subnormal ones included, and reports only what
    // rounds to 0 or beyond the largest double as out of range.
    if (error == std::errc::result_out_of_range) {
        if (BelowEveryDouble(text.substr(0, length)))
            return {ItemReading::Number, length, text.front() == '-' ? -0.0 : 0.0};
        return {ItemReading::BeyondRange, length, 0.0};
    }
    return {};
}

// The careful way: `item`, all of it and nothing around it, as a number. Its length is the
// item's, or 0 when the item is not a number.
inline LeadingNumber ReadNumberItem(std::string_view item)
{
    const LeadingNumber number = NumberAt(item);
    return number.length == item.size() ? number : LeadingNumber{};
}

// The quick way, straight from the reader's buffer: the number at the start of `text` when it
// is followed by a separator, or by the end of `text` where that is the end of the file.
// Returns the bytes it took and sets `value`; returns 0 and leaves `value` alone when the
// item is anything else, which is then the careful way's to read or refuse.
inline std::size_t ReadLeadingNumber(std::string_view text, bool textEndsTheFile, double& value)
{
    const LeadingNumber number = NumberAt(text);
    if (number.reading != ItemReading::Number)
        return 0;
    const bool delimited = number.length == text.size() ? textEndsTheFile
                                                         : IsItemSeparator(text[number.length]);
    if (!delimited)
        return 0;
    value = number.value;
    return number.length;
}
