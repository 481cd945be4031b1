#include "scene/quickreader.h"

#include "scene/dataitems.h"
#include "scene/stoprequest.h"

#include <algorithm>

namespace {

constexpr bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Numbers between two looks at the stop request.
constexpr std::size_t NumbersBetweenStopChecks = 1 << 17;

} // namespace

std::optional<QuickCount> ReadQuickCount(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    std::int64_t count = 0;
    const std::size_t digits = at;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        count = count * 10 + (text[at] - '0');
        if (count > MaxPoints)
            return std::nullopt;
    }
    if (at == digits || at - digits > LongestQuickItem || count < 1
        || (at < text.size() && !IsItemSeparator(text[at])))
        return std::nullopt;
    return QuickCount{static_cast<std::int32_t>(count), at};
}

QuickNumbers ReadQuickNumbers(std::string_view text, bool commaAllowed, bool endsTheFile, double* out,
                              std::size_t capacity, std::stop_token stop)
{
    QuickNumbers read;
    const char* at = text.data();
    const char* const end = at + text.size();
    // The next number, or false at the text's end or at anything irregular.
    const auto next = [&](double& value) {
        while (at != end && (IsBlank(*at) || (*at == ',' && commaAllowed))) {
            if (*at == ',')
                commaAllowed = false;
            ++at;
        }
        if (at == end)
            return false;
        // A number of LongestQuickItem bytes or fewer is delimited within the window.
        const std::size_t left = static_cast<std::size_t>(end - at);
        const std::size_t window = std::min(left, LongestQuickItem + 1);
        const std::size_t length = ReadLeadingNumber({at, window}, endsTheFile && window == left, value);
        if (length == 0 || length > LongestQuickItem) {
            read.regular = false;
            return false;
        }
        at += length;
        commaAllowed = true;
        return true;
    };
    // Two numbers a round, so that each keeps to its own place's statistics.
    double previous[2] = {read.largest[0], read.largest[1]};
    const auto keep = [&](int place, double value) {
        out[read.numbers++] = value;
        read.ascending[place] = read.ascending[place] && previous[place] < value;
        previous[place] = value;
        read.largest[place] = std::max(read.largest[place], value);
    };
    while (read.numbers < capacity) {
        double even = 0.0;
        if (!next(even))
            break;
        keep(0, even);
        double odd = 0.0;
        if (!next(odd))
            break;
        keep(1, odd);
        if (read.numbers % NumbersBetweenStopChecks == 0)
            ThrowIfStopRequested(stop);
    }
    return read;
}
