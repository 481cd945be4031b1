#pragma once

#include "scene/carefulreader.h"
#include "scene/profile.h"

#include <string>

inline constexpr const char* PointFileName = "morvadine.in";

// The point file as the viewer and the stand-in solver both read it: a vertex count, then
// that many x y pairs. Both must accept and refuse exactly the same files.

// Both throw DataFileError with messages that give the file the channel's name for it.

// Reads the vertex count that opens the point file on `channel`. Throws DataFileError when
// the file is empty, and refuses a count below 1 or above MaxPoints before any vertex is read.
std::int32_t ReadVertexCount(InputChannel& channel);

// Reads `count` vertices in file order, each into the record `vertexAt(k)` returns for
// k = 1..count. Throws DataFileError when the file ends first, saying how many were read.
template <class VertexAt>
void ReadVertices(InputChannel& channel, std::int32_t count, VertexAt vertexAt)
{
    std::int32_t k = 1;
    try {
        for (; k <= count; ++k) {
            PointD& vertex = vertexAt(k);
            channel.Input(vertex.X, vertex.Y);
        }
    } catch (const EndOfData&) {
        throw DataFileError(
            { TRANSLATABLE_TEXT("DataFile", "%1: the file ends after %2 of %3 vertices"),
                { channel.Name(), std::to_string(k - 1), std::to_string(count) } });
    }
}
