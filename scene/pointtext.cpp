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
        const std::size_t window = std::min(static_cast<std::size_t>(end - at), LongestQuickItem + 1);
        const LeadingNumber number = NumberAt({at, window});
        const char* const after = at + number.length;
        const bool delimited = after == end ? endsTheFile : IsItemSeparator(*after);
        if (number.reading != ItemReading::Number || number.length > LongestQuickItem || !delimited) {
            read.regular = false;
            return read;
        }
        at = after;
        commaAllowed = true;
        if (!haveX) {
            x = number.value;
            haveX = true;
            continue;
        }
        haveX = false;
        const PointD vertex{x, number.value};
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
