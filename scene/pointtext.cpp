#include "scene/pointtext.h"

#include "scene/dataitems.h"
#include "scene/stoprequest.h"

#include <algorithm>

namespace {

constexpr bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Pairs between two looks at the stop request.
constexpr std::int32_t PairsBetweenStopChecks = 1 << 16;

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

QuickPairs ReadQuickPairs(std::string_view text, bool commaAllowed, bool endsTheFile, PointD* out,
                          std::int32_t capacity, std::stop_token stop)
{
    QuickPairs read;
    const char* at = text.data();
    const char* const end = at + text.size();
    double x = 0.0;
    bool haveX = false;
    double previousX = 0.0;
    while (read.pairs < capacity) {
        while (at != end && (IsBlank(*at) || (*at == ',' && commaAllowed))) {
            if (*at == ',')
                commaAllowed = false;
            ++at;
        }
        if (at == end) {
            read.halfPair = haveX;
            return read;
        }
        // A number of LongestQuickItem bytes or fewer is delimited within the window.
        const std::size_t left = static_cast<std::size_t>(end - at);
        const std::size_t window = std::min(left, LongestQuickItem + 1);
        double value = 0.0;
        const std::size_t length = ReadLeadingNumber({at, window}, endsTheFile && window == left, value);
        if (length == 0 || length > LongestQuickItem) {
            read.regular = false;
            return read;
        }
        at += length;
        commaAllowed = true;
        if (!haveX) {
            x = value;
            haveX = true;
            continue;
        }
        haveX = false;
        const PointD vertex{x, value};
        if (read.pairs > 0 && !(previousX < x))
            read.ascending = false;
        previousX = x;
        read.extents.Include(vertex);
        out[read.pairs++] = vertex;
        if (read.pairs % PairsBetweenStopChecks == 0)
            ThrowIfStopRequested(stop);
    }
    return read;
}
