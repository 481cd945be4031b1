#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

// How the loads reach the bytes of a data file. A load opens each file once, through an
// opener its caller chooses, and reads the open file; what an opener accepts, and what it
// can tell of a file, is the opener's business.

// What tells one version of a file from another, as far as its opener sees: a reading of the
// file holds as long as the file keeps its stamp. Fields an opener cannot see stay 0.
struct FileStamp {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::uintmax_t Size = 0;
    std::int64_t ModifiedNs = 0; // since the epoch
    std::int64_t ChangedNs = 0; // the status change time, which no program can set back
    bool operator==(const FileStamp&) const = default;
};

// A data file open for reading.
class DataFile {
public:
    virtual ~DataFile() = default;

    // The file as it was when opened.
    virtual const FileStamp& Stamp() const = 0;

    // Reads up to `length` bytes from `offset` on into `into`; returns how many came, fewer
    // only where the file ends. May be called from several threads at once. Throws
    // DataFileError, naming the file as its opener was told, when the reading fails.
    virtual std::size_t ReadAt(std::uint64_t offset, char* into, std::size_t length) const = 0;
};

class DataFileOpener {
public:
    virtual ~DataFileOpener() = default;

    // Opens `file`, which messages call `displayName`. Throws DataFileError when it is
    // missing, a folder, or cannot be opened; an opener may refuse more, with an exception
    // of its own.
    virtual std::unique_ptr<DataFile> Open(
        const std::filesystem::path& file, const std::string& displayName) const = 0;
};

// Opens whatever the path leads to, as the standard library does, and opens it anew for each
// read. Its stamps hold the size and the modification time.
const DataFileOpener& AnyDataFile();
