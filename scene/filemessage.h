#pragma once

#include <string>
#include <string_view>
#include <vector>

// Marks an English message template for the translation tools, which collect `text` under
// `context` (lupdate is told to read this macro as QT_TRANSLATE_NOOP); the program sees the
// bare text. This layer has no translations of its own: a layer that has them renders the
// template in the user's language.
#define TRANSLATABLE_TEXT(context, text) text

// `pattern` with each placeholder %1 to %9 replaced by the argument of that number, in one
// pass, so that an argument which itself holds "%2" stays as it is. A placeholder without an
// argument is left in place.
std::string FillPlaceholders(std::string_view pattern, const std::vector<std::string>& arguments);

// A message about a data file, kept apart as an English template with placeholders and the
// texts that fill them. Every template is marked with TRANSLATABLE_TEXT in the context
// FileMessage::Context; a translated template must keep every placeholder.
struct FileMessage {
    static constexpr const char* Context = "DataFile";

    const char* Template = "";
    std::vector<std::string> Arguments;

    std::string English() const { return FillPlaceholders(Template, Arguments); }
};

// How a message shows text that a file holds, or another program wrote: as it reads, except
// that control characters and bytes that are not UTF-8 show as \xHH, characters that show as
// nothing or as a mere blank (zero-width and formatting characters, unusual spaces, a
// byte-order mark) as \uHHHH or \UHHHHHHHH, and a backslash as \\. Text that would show
// longer than `longest` characters keeps only its start, or its end, of that length (at a
// character or escape), with "..." where the rest was.
enum class TextEnd { Start, End };
std::string ShownText(std::string_view text, std::size_t longest = std::string_view::npos,
    TextEnd kept = TextEnd::Start);

// An item a file holds as a message shows it, cut after ShownItemLength characters.
inline constexpr std::size_t ShownItemLength = 40;
inline std::string ShownItem(std::string_view item) { return ShownText(item, ShownItemLength); }

// The length in bytes of the UTF-8 character at the start of `text`, or 0 when its bytes are
// not UTF-8 (overlong forms, surrogates and values beyond U+10FFFF included).
std::size_t Utf8CharacterLength(std::string_view text);
