#include "scene/filemessage.h"

#include <cstdint>
#include <iterator>
#include <span>
#include <utility>

std::string FillPlaceholders(std::string_view pattern, const std::vector<std::string>& arguments)
{
    std::string filled;
    filled.reserve(pattern.size());
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        const char c = pattern[at];
        if (c == '%' && at + 1 < pattern.size() && pattern[at + 1] >= '1'
            && pattern[at + 1] <= '9') {
            const auto number = static_cast<std::size_t>(pattern[at + 1] - '1');
            if (number < arguments.size()) {
                filled += arguments[number];
                ++at;
                continue;
            }
        }
        filled += c;
    }
    return filled;
}

namespace {

// One character decoded from UTF-8; length 0 when the bytes at hand are not UTF-8
// (overlong forms, surrogates and values beyond U+10FFFF included).
struct Decoded {
    char32_t value = 0;
    std::size_t length = 0;
};

Decoded DecodeUtf8(std::string_view text)
{
    const auto byte = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return { lead, 1 };
    std::size_t length = 0;
    char32_t value = 0;
    unsigned char low = 0x80; // the range the second byte must lie in
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {};
    }
    if (text.size() < length)
        return {};
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = byte(k);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
            return {};
        value = (value << 6) | (next & 0x3F);
    }
    return { value, length };
}

// Characters that print as nothing, as a blank that passes for an ordinary space, or not at
// all: a reader could not tell from the message what the file holds.
bool ShowsAsNothing(char32_t c)
{
    struct Range {
        char32_t first;
        char32_t last;
    };
    static constexpr Range Invisible[] = {
        { 0x0000, 0x001F }, { 0x007F, 0x00A0 }, // control characters, no-break space
        { 0x00AD, 0x00AD }, { 0x034F, 0x034F }, { 0x061C, 0x061C }, { 0x115F, 0x1160 },
        { 0x1680, 0x1680 }, { 0x17B4, 0x17B5 }, { 0x180B, 0x180F },
        { 0x2000, 0x200F }, // spaces of every width, zero-width characters, direction marks
        { 0x2028, 0x202F }, // line and paragraph separators, direction embeddings
        { 0x205F, 0x206F }, // word joiner, invisible operators, direction isolates
        { 0x3000, 0x3000 }, { 0x3164, 0x3164 }, { 0xFE00, 0xFE0F }, { 0xFEFF, 0xFEFF },
        { 0xFFA0, 0xFFA0 }, { 0xFFF0, 0xFFFF }, // specials, the replacement character
        { 0x1D173, 0x1D17A }, { 0xE0000, 0xE0FFF }, // musical formatting, tags, selectors
    };
    for (const Range& range : Invisible) {
        if (c >= range.first && c <= range.last)
            return true;
    }
    return false;
}

std::string Escape(char prefix, std::uint32_t value, int digits)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string escape = { '\\', prefix };
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        escape += Hex[(value >> shift) & 0xF];
    return escape;
}

std::string Joined(std::span<const std::pair<std::string, std::size_t>> pieces)
{
    std::string joined;
    for (const auto& piece : pieces)
        joined += piece.first;
    return joined;
}

} // namespace

std::size_t Utf8CharacterLength(std::string_view text) { return DecodeUtf8(text).length; }

std::string ShownText(std::string_view text, std::size_t longest, TextEnd kept)
{
    // Each piece is a character as it shows or an escape, with its length in characters.
    std::vector<std::pair<std::string, std::size_t>> pieces;
    std::size_t shownLength = 0;
    for (std::size_t at = 0; at < text.size();) {
        const Decoded decoded = DecodeUtf8(text.substr(at));
        std::string piece;
        std::size_t pieceLength = 0;
        if (decoded.length == 0 || (decoded.value < 0x80 && ShowsAsNothing(decoded.value))) {
            piece = Escape('x', static_cast<unsigned char>(text[at]), 2);
        } else if (ShowsAsNothing(decoded.value)) {
            piece = decoded.value > 0xFFFF ? Escape('U', decoded.value, 8)
                                           : Escape('u', decoded.value, 4);
        } else if (decoded.value == '\\') {
            piece = "\\\\";
        } else {
            piece = text.substr(at, decoded.length);
            pieceLength = 1;
        }
        if (pieceLength == 0)
            pieceLength = piece.size();
        shownLength += pieceLength;
        // Only the start is needed to show the start.
        if (kept == TextEnd::Start && shownLength > longest)
            return Joined(pieces) + "...";
        pieces.emplace_back(std::move(piece), pieceLength);
        at += decoded.length == 0 ? 1 : decoded.length;
    }
    if (shownLength <= longest)
        return Joined(pieces);
    // The end: as many pieces from the last back as fit.
    auto first = pieces.end();
    for (std::size_t length = 0; length + std::prev(first)->second <= longest; --first)
        length += std::prev(first)->second;
    return "..." + Joined({ first, pieces.end() });
}
