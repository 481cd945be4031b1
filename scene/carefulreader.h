#pragma once

#include "scene/datafile.h"
#include "scene/filemessage.h"

#include <cstdint>
#include <filesystem>
#include <istream>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

// Every failure to read a data file. Its message is a whole sentence that starts with the
// file's name, and for a bad item gives its line and column: "morvadine.in: line 4, column
// 7: expected a number, found 'abc'". what() gives it in English; Message() keeps its
// template and arguments for a translation.
class DataFileError : public std::runtime_error {
public:
    explicit DataFileError(FileMessage message)
        : std::runtime_error(message.English())
        , m_message(std::move(message))
    {
    }
    const FileMessage& Message() const { return m_message; }

private:
    FileMessage m_message;
};

// The input ended before the item asked for. Only the caller knows what it was reading, so
// it turns this into a message of its own ("the file ends after 2 of 5 vertices").
class EndOfData : public DataFileError {
public:
    using DataFileError::DataFileError;
};

// Sequential numeric input from one text file at a time: open, read typed items, close.
//
// Items are separated by blanks, tabs, line ends (CR, LF or both) and at most one comma
// between two items; an empty item (",," or a comma before the first item) is an error. A
// UTF-8 byte-order mark that opens the file is skipped; anywhere else it is an error.
// Each item must be a number as scene/dataitems.h defines it, "." the decimal point whatever
// the process locale; anything else ("abc", "inf", "0x10", "1e400") is a DataFileError. An
// item read as a 32-bit integer must in addition be whole and within range.
//
// The file is read once, front to back, through a fixed buffer; reading allocates nothing per
// item. Most numbers are read straight from the buffer; any item that is not a plain number
// ended within the buffer is cut out whole and read, or refused with a message, by the careful
// way.
class InputChannel {
public:
    InputChannel();
    ~InputChannel();
    InputChannel(const InputChannel&) = delete;
    InputChannel& operator=(const InputChannel&) = delete;

    // Opens `path` as AnyDataFile does; `displayName` is the name the messages give the file.
    // Throws DataFileError when the file cannot be opened, or when the channel is already open.
    void Open(const std::filesystem::path& path, std::string displayName);
    // The same over a file opened already, which must stay open until Close.
    void Open(const DataFile& file, std::string displayName);
    // The same over any stream, so tests can read from memory.
    void Open(std::unique_ptr<std::istream> stream, std::string displayName);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }
    // The name the messages give the open file.
    const std::string& Name() const { return m_name; }

    // Reads one item into each target, in order, each continuing where the last one ended;
    // items may span lines and a line may hold items of several calls. Throws EndOfData when
    // the input ends first and DataFileError for a malformed item.
    template <class... Targets>
    void Input(Targets&... targets)
    {
        (ReadItem(targets), ...);
    }

private:
    struct Token {
        std::string_view text;
        std::int64_t offset; // of its first byte in the file
    };

    void ReadItem(double& target);
    void ReadItem(std::int32_t& target);
    void SkipSeparators();
    bool TryQuickNumber(double& value);
    Token DelimitToken();
    double ParseNumber(const Token& token, const char* notANumber);
    bool Refill();
    void SkipByteOrderMark();
    // `problem`: a template with the file's name (%1), line (%2), column (%3) and the item as
    // shown (%4).
    [[noreturn]] void Fail(const Token& token, const char* problem);

    // Reads `ownFile`, which the channel keeps until Close, or else `file`.
    void Begin(std::unique_ptr<DataFile> ownFile, const DataFile* file, std::string displayName);

    std::unique_ptr<DataFile> m_ownFile; // when the channel opened the file itself
    const DataFile* m_file = nullptr;
    std::uint64_t m_fileOffset = 0;   // of the next byte to read from the file
    std::string m_name;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_begin = 0;          // next unread byte in m_buffer
    std::size_t m_end = 0;            // end of the valid bytes in m_buffer
    std::int64_t m_bufferOffset = 0;  // file offset of m_buffer[0]
    bool m_atEnd = false;             // the stream has no more bytes
    bool m_commaAllowed = false;      // an item has been read since the last comma
    bool m_afterCarriageReturn = false;
    std::int64_t m_line = 1;
    std::int64_t m_lineOffset = 0;    // file offset of the current line's first byte
};
