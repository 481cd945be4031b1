#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <string_view>

// The items of a data file as text in memory, for InputChannel's two ways of reading a number.
//
// What counts as a number: decimal digits, with one "." among or around them if any, maybe
// a leading "+" or "-", maybe a power of ten after "e" or "E" (signed or not). The point is
// "." in every locale, and the value must be a finite double: "inf", "nan", "0x10" and
// "1e400" are not numbers. Both ways of reading rest on this one definition, NumberAt, so the
// quick one can never take what the careful one would refuse, or read another value.
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
    if (error == std::errc::result_out_of_range)
        return {ItemReading::BeyondRange, length, 0.0};
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
