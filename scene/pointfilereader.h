#pragma once

#include "scene/datafile.h"
#include "scene/profile.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

// The reference way to read a point file: through InputChannel, vertex by vertex into
// points(1..count), then ordered by QuickSort. `count` is set to the declared vertex count as
// soon as it has been read, also when a vertex fails later; the records from the failing
// vertex on are never written (but for its x, when only its y fails), and none are ordered.
// Throws DataFileError as ReadVertexCount and ReadVertices do, and StopRequested once `stop`
// asks. The path is opened as AnyDataFile opens it.
void ReadPointsCarefully(PointArray& points, std::int32_t& count, const std::filesystem::path& file,
                         const std::string& displayName, std::stop_token stop = {});
void ReadPointsCarefully(PointArray& points, std::int32_t& count, const DataFile& file,
                         const std::string& displayName, std::stop_token stop = {});

// Reads and orders a point file like ReadPointsCarefully, with the identical outcome (the
// same records in points(1..count), in the same order, none beyond count touched; the same
// exception with the same message and the same records written before it), only sooner, on
// one core or two.
//
// Keeps its scratch (the file's text and room for three times its records) from one read to
// the next, so a reader serves one read at a time.
class PointFileReader {
public:
    enum class Cores { One, Two };

    PointFileReader();
    ~PointFileReader();
    PointFileReader(const PointFileReader&) = delete;
    PointFileReader& operator=(const PointFileReader&) = delete;

    // Returns the extents of the vertices read. The path is opened as AnyDataFile opens it.
    VertexExtents Read(PointArray& points, std::int32_t& count, const std::filesystem::path& file,
                       const std::string& displayName, Cores cores, std::stop_token stop = {});
    VertexExtents Read(PointArray& points, std::int32_t& count, const DataFile& file,
                       const std::string& displayName, Cores cores, std::stop_token stop = {});

    // Whether the last Read handed the file to ReadPointsCarefully.
    bool LastReadWasCareful() const { return m_lastReadWasCareful; }

    // Files up to this size are read on one core whatever is asked: a thread costs more than
    // it saves. Tests lower it to split small files.
    void SetSmallestSplitFile(std::size_t bytes) { m_smallestSplitFile = bytes; }

private:
    struct Scratch;

    std::optional<VertexExtents> ReadQuickly(PointArray& points, std::int32_t& count,
        const DataFile& file, Cores cores, const std::stop_token& stop);

    std::unique_ptr<Scratch> m_scratch;
    std::size_t m_smallestSplitFile = 256 * 1024;
    bool m_lastReadWasCareful = false;
};
