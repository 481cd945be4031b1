#include "scene/carefulreader.h"

#include "scene/dataitems.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t BufferSize = 64 * 1024;
// Bytes kept ahead of an item, so that an ordinary number never straddles the buffer's end.
constexpr std::size_t Lookahead = 512;
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr const char* NotANumber
    = TRANSLATABLE_TEXT("DataFile", "%1: line %2, column %3: expected a number, found '%4'");
constexpr const char* MarkInside = TRANSLATABLE_TEXT("DataFile",
    "%1: line %2, column %3: '%4' holds a byte-order mark, which only the very start of the file "
    "may hold");

} // namespace

InputChannel::InputChannel() = default;
InputChannel::~InputChannel() = default;

namespace {

// A stream read front to back, as a file; a test's text in memory.
class StreamFile : public DataFile {
public:
    StreamFile(std::unique_ptr<std::istream> stream, std::string displayName)
        : m_stream(std::move(stream))
        , m_name(std::move(displayName))
    {
    }

    const FileStamp& Stamp() const override { return m_stamp; }

    // Reads on from where the last read ended, whatever `offset` says.
    std::size_t ReadAt(std::uint64_t, char* into, std::size_t length) const override
    {
        m_stream->read(into, static_cast<std::streamsize>(length));
        if (m_stream->bad())
            throw DataFileError(
                { TRANSLATABLE_TEXT("DataFile", "%1: the file could not be read"), { m_name } });
        return static_cast<std::size_t>(m_stream->gcount());
    }

private:
    std::unique_ptr<std::istream> m_stream;
    std::string m_name;
    FileStamp m_stamp;
};

} // namespace

void InputChannel::Open(const std::filesystem::path& path, std::string displayName)
{
    std::unique_ptr<DataFile> file = AnyDataFile().Open(path, displayName);
    Begin(std::move(file), nullptr, std::move(displayName));
}

void InputChannel::Open(const DataFile& file, std::string displayName)
{
    Begin(nullptr, &file, std::move(displayName));
}

void InputChannel::Open(std::unique_ptr<std::istream> stream, std::string displayName)
{
    Begin(std::make_unique<StreamFile>(std::move(stream), displayName), nullptr,
        std::move(displayName));
}

void InputChannel::Begin(
    std::unique_ptr<DataFile> ownFile, const DataFile* file, std::string displayName)
{
    if (IsOpen())
        throw DataFileError(
            { TRANSLATABLE_TEXT("DataFile", "%1: cannot be opened while %2 is open"),
                { displayName, m_name } });
    if (!m_buffer)
        m_buffer = std::make_unique<char[]>(BufferSize);
    m_ownFile = std::move(ownFile);
    m_file = m_ownFile ? m_ownFile.get() : file;
    m_fileOffset = 0;
    m_name = std::move(displayName);
    m_begin = m_end = 0;
    m_bufferOffset = 0;
    m_atEnd = false;
    m_commaAllowed = false;
    m_afterCarriageReturn = false;
    m_line = 1;
    m_lineOffset = 0;
    try {
        SkipByteOrderMark();
    } catch (...) {
        Close();
        throw;
    }
}

// Some editors open every UTF-8 file with a byte-order mark: it is no part of the data, and
// the columns count from what follows it.
void InputChannel::SkipByteOrderMark()
{
    Refill();
    if (std::string_view(m_buffer.get(), m_end).starts_with(ByteOrderMark)) {
        m_begin = ByteOrderMark.size();
        m_lineOffset = static_cast<std::int64_t>(ByteOrderMark.size());
    }
}

void InputChannel::Close()
{
    m_file = nullptr;
    m_ownFile.reset();
}

void InputChannel::ReadItem(double& target)
{
    SkipSeparators();
    if (!TryQuickNumber(target))
        target = ParseNumber(DelimitToken(), NotANumber);
}

void InputChannel::ReadItem(std::int32_t& target)
{
    SkipSeparators();
    const Token token = DelimitToken();
    const char* const notWhole = TRANSLATABLE_TEXT(
        "DataFile", "%1: line %2, column %3: expected a whole number, found '%4'");
    const double value = ParseNumber(token, notWhole);
    if (value != std::trunc(value))
        Fail(token, notWhole);
    if (value < std::numeric_limits<std::int32_t>::min()
        || value > std::numeric_limits<std::int32_t>::max()) {
        Fail(token,
            TRANSLATABLE_TEXT("DataFile",
                "%1: line %2, column %3: expected a whole number from -2147483648 to "
                "2147483647, found '%4'"));
    }
    target = static_cast<std::int32_t>(value);
}

double InputChannel::ParseNumber(const Token& token, const char* notANumber)
{
    const LeadingNumber item = ReadNumberItem(token.text);
    if (item.reading == ItemReading::BeyondRange) {
        Fail(token,
            TRANSLATABLE_TEXT("DataFile",
                "%1: line %2, column %3: the number '%4' is beyond the range of a double"));
    }
    if (item.reading != ItemReading::Number) {
        // Invisible in the item as an editor shows it, so it is named.
        const bool holdsMark = token.text.find(ByteOrderMark) != std::string_view::npos;
        Fail(token, holdsMark ? MarkInside : notANumber);
    }
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
        throw DataFileError({ TRANSLATABLE_TEXT("DataFile", "no data file is open"), {} });
    for (;;) {
        if (m_begin == m_end && !Refill())
            throw EndOfData({ TRANSLATABLE_TEXT("DataFile", "%1: the file ends"), { m_name } });
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
                Fail(Token { ",", m_bufferOffset + static_cast<std::int64_t>(m_begin) },
                    TRANSLATABLE_TEXT("DataFile",
                        "%1: line %2, column %3: expected a number, found an empty item "
                        "before ','"));
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
            Fail(Token { { m_buffer.get(), m_end }, m_bufferOffset }, NotANumber);
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
    const std::size_t wanted = BufferSize - m_end;
    const std::size_t received = m_file->ReadAt(m_fileOffset, m_buffer.get() + m_end, wanted);
    m_fileOffset += received;
    m_end += received;
    m_atEnd = received < wanted;
    return received > 0;
}

void InputChannel::Fail(const Token& token, const char* problem)
{
    throw DataFileError({ problem,
        { m_name, std::to_string(m_line), std::to_string(token.offset - m_lineOffset + 1),
            ShownItem(token.text) } });
}
