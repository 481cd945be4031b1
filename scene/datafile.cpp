#include "scene/datafile.h"

#include "scene/carefulreader.h"

#include <chrono>
#include <fstream>

namespace {

class PathFile : public DataFile {
public:
    PathFile(std::filesystem::path path, std::string displayName)
        : m_path(std::move(path))
        , m_name(std::move(displayName))
    {
        std::error_code error;
        m_stamp.Size = std::filesystem::file_size(m_path, error);
        if (error)
            m_stamp.Size = 0;
        const auto modified = std::filesystem::last_write_time(m_path, error);
        if (!error) {
            m_stamp.ModifiedNs
                = std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch())
                      .count();
        }
    }

    const FileStamp& Stamp() const override { return m_stamp; }

    std::size_t ReadAt(std::uint64_t offset, char* into, std::size_t length) const override
    {
        // A stream of its own for each read, so that reads on two threads never meet.
        std::ifstream stream(m_path, std::ios::binary);
        if (!stream.seekg(static_cast<std::streamoff>(offset)))
            Fail();
        stream.read(into, static_cast<std::streamsize>(length));
        if (stream.bad())
            Fail();
        return static_cast<std::size_t>(stream.gcount());
    }

private:
    [[noreturn]] void Fail() const
    {
        throw DataFileError(
            { TRANSLATABLE_TEXT("DataFile", "%1: the file could not be read"), { m_name } });
    }

    std::filesystem::path m_path;
    std::string m_name;
    FileStamp m_stamp;
};

class AnyPath : public DataFileOpener {
public:
    std::unique_ptr<DataFile> Open(
        const std::filesystem::path& file, const std::string& displayName) const override
    {
        std::error_code ignored;
        if (std::filesystem::is_directory(file, ignored))
            throw DataFileError(
                { TRANSLATABLE_TEXT("DataFile", "%1: is a folder, not a file"), { displayName } });
        if (!std::ifstream(file, std::ios::binary).is_open()) {
            throw DataFileError({ std::filesystem::exists(file, ignored)
                    ? TRANSLATABLE_TEXT("DataFile", "%1: the file cannot be opened for reading")
                    : TRANSLATABLE_TEXT("DataFile", "%1: the file does not exist"),
                { displayName } });
        }
        return std::make_unique<PathFile>(file, displayName);
    }
};

} // namespace

const DataFileOpener& AnyDataFile()
{
    static const AnyPath opener;
    return opener;
}
