#include "scene/inputchannel.h"

#include "scene/dataitems.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

namespace {

constexpr std::size_t BufferSize = 64 * 1024;
// Bytes kept ahead of an item, so that an ordinary number never straddles the buffer's end.
constexpr std::size_t Lookahead = 512;
constexpr std::size_t QuotedLength = 40;

// An item as the messages show it: cut to a readable length at a character boundary, with
// control bytes made visible, so a binary file gives a message that still prints.
std::string Quoted(std::string_view text)
{
    std::size_t length = text.size();
    const bool cut = length > QuotedLength;
    if (cut) {
        length = QuotedLength;
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    }
    std::string shown = "'";
    for (const char c : text.substr(0, length)) {
        const auto byte = static_cast<unsigned char>(c);
        shown += (byte < 0x20 || byte == 0x7F) ? '?' : c;
    }
    shown += cut ? "...'" : "'";
    return shown;
}

} // namespace

InputChannel::InputChannel() = default;
InputChannel::~InputChannel() = default;

void InputChannel::Open(const std::filesystem::path& path, std::string displayName)
{
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored))
        throw DataFileError(displayName + ": is a folder, not a file");
    auto file = std::make_unique<std::ifstream>(path, std::ios::binary);
    if (!file->is_open()) {
        throw DataFileError(displayName
                            + (std::filesystem::exists(path, ignored)
                                   ? ": the file cannot be opened for reading"
                                   : ": the file does not exist"));
    }
    Open(std::move(file), std::move(displayName));
}

void InputChannel::Open(std::unique_ptr<std::istream> stream, std::string displayName)
{
    if (IsOpen())
        throw DataFileError(displayName + ": cannot be opened while " + m_name + " is open");
    if (!m_buffer)
        m_buffer = std::make_unique<char[]>(BufferSize);
    m_stream = std::move(stream);
    m_name = std::move(displayName);
    m_begin = m_end = 0;
    m_bufferOffset = 0;
    m_atEnd = false;
    m_commaAllowed = false;
    m_afterCarriageReturn = false;
    m_line = 1;
    m_lineOffset = 0;
}

void InputChannel::Close()
{
    m_stream.reset();
}

void InputChannel::ReadItem(double& target)
{
    SkipSeparators();
    if (!TryQuickNumber(target))
        target = ParseNumber(DelimitToken(), "a number");
}

void InputChannel::ReadItem(std::int32_t& target)
{
    SkipSeparators();
    const Token token = DelimitToken();
    const double value = ParseNumber(token, "a whole number");
    if (value != std::trunc(value))
        Fail(token, "expected a whole number, found " + Quoted(token.text));
    if (value < std::numeric_limits<std::int32_t>::min()
        || value > std::numeric_limits<std::int32_t>::max()) {
        Fail(token, "expected a whole number from -2147483648 to 2147483647, found "
                        + Quoted(token.text));
    }
    target = static_cast<std::int32_t>(value);
}

double InputChannel::ParseNumber(const Token& token, std::string_view expected)
{
    const LeadingNumber item = ReadNumberItem(token.text);
    if (item.reading == ItemReading::BeyondRange)
        Fail(token, "the number " + Quoted(token.text) + " is beyond the range of a double");
    if (item.reading != ItemReading::Number)
        Fail(token, "expected " + std::string(expected) + ", found " + Quoted(token.text));
    m_commaAllowed = true;
    return item.value;
}

// Reads the number at the current position straight from the buffer when it is a plain one,
// ended by a separator or the end of the file within what is buffered. Anything else is left
// for DelimitToken and ParseNumber, which read it or say what is wrong.
bool InputChannel::TryQuickNumber(double& value)
{
    if (m_end - m_begin < Lookahead)
        Refill();
    const std::string_view buffered(m_buffer.get() + m_begin, m_end - m_begin);
    const std::size_t taken = ReadLeadingNumber(buffered, m_atEnd, value);
    if (taken == 0)
        return false;
    m_begin += taken;
    m_commaAllowed = true;
    return true;
}

void InputChannel::SkipSeparators()
{
    if (!IsOpen())
        throw DataFileError("no data file is open");
    for (;;) {
        if (m_begin == m_end && !Refill())
            throw EndOfData(m_name + ": the file ends");
        const char c = m_buffer[m_begin];
        if (c == '\n') {
            if (!m_afterCarriageReturn)
                ++m_line;
            m_lineOffset = m_bufferOffset + static_cast<std::int64_t>(m_begin) + 1;
        } else if (c == '\r') {
            ++m_line;
            m_lineOffset = m_bufferOffset + static_cast<std::int64_t>(m_begin) + 1;
        } else if (c == ',') {
            if (!m_commaAllowed) {
                Fail(Token{",", m_bufferOffset + static_cast<std::int64_t>(m_begin)},
                     "expected a number, found an empty item before ','");
            }
            m_commaAllowed = false;
        } else if (c != ' ' && c != '\t') {
            break;
        }
        m_afterCarriageReturn = c == '\r';
        ++m_begin;
    }
    m_afterCarriageReturn = false;
}

// The item at the current position, up to the next separator, read in whole.
InputChannel::Token InputChannel::DelimitToken()
{
    std::size_t end = m_begin;
    for (;;) {
        while (end < m_end && !IsItemSeparator(m_buffer[end]))
            ++end;
        if (end < m_end)
            break;
        const std::size_t scanned = end - m_begin;
        if (m_begin == 0 && m_end == BufferSize) {
            Fail(Token{{m_buffer.get(), m_end}, m_bufferOffset},
                 "expected a number, found " + Quoted({m_buffer.get(), m_end}));
        }
        if (!Refill())
            break;
        end = m_begin + scanned;
    }
    const Token token{{m_buffer.get() + m_begin, end - m_begin},
                      m_bufferOffset + static_cast<std::int64_t>(m_begin)};
    m_begin = end;
    return token;
}

// Keeps the unread bytes, moved to the front, and appends what the stream has next.
// Returns false when nothing more came.
bool InputChannel::Refill()
{
    if (m_atEnd)
        return false;
    const std::size_t unread = m_end - m_begin;
    std::memmove(m_buffer.get(), m_buffer.get() + m_begin, unread);
    m_bufferOffset += static_cast<std::int64_t>(m_begin);
    m_begin = 0;
    m_end = unread;
    m_stream->read(m_buffer.get() + m_end, static_cast<std::streamsize>(BufferSize - m_end));
    const auto received = static_cast<std::size_t>(m_stream->gcount());
    if (m_stream->bad())
        throw DataFileError(m_name + ": the file could not be read");
    m_end += received;
    m_atEnd = received == 0 || m_stream->eof();
    return received > 0;
}

void InputChannel::Fail(const Token& token, std::string_view problem)
{
    throw DataFileError(m_name + ": line " + std::to_string(m_line) + ", column "
                        + std::to_string(token.offset - m_lineOffset + 1) + ": "
                        + std::string(problem));
}
