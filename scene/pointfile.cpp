#include "scene/pointfile.h"

std::int32_t ReadVertexCount(InputChannel& channel)
{
    std::int32_t count = 0;
    try {
        channel.Input(count);
    } catch (const EndOfData&) {
        throw DataFileError(channel.Name()
                            + ": the file is empty; it must start with the vertex count");
    }
    if (count < 1) {
        throw DataFileError(channel.Name() + ": the vertex count is "
                            + std::to_string(count) + "; a profile needs at least one vertex");
    }
    if (count > MaxPoints) {
        throw DataFileError(channel.Name() + ": the vertex count "
                            + std::to_string(count) + " is more than the "
                            + std::to_string(MaxPoints) + " vertices the viewer can hold");
    }
    return count;
}
