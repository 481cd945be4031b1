#include "scene/pointfile.h"

std::int32_t ReadVertexCount(InputChannel& channel)
{
    std::int32_t count = 0;
    try {
        channel.Input(count);
    } catch (const EndOfData&) {
        throw DataFileError({ TRANSLATABLE_TEXT("DataFile",
                                  "%1: the file is empty; it must start with the vertex count"),
            { channel.Name() } });
    }
    if (count < 1) {
        throw DataFileError({ TRANSLATABLE_TEXT("DataFile",
                                  "%1: the vertex count is %2; a profile needs at least one "
                                  "vertex"),
            { channel.Name(), std::to_string(count) } });
    }
    if (count > MaxPoints) {
        throw DataFileError({ TRANSLATABLE_TEXT("DataFile",
                                  "%1: the vertex count %2 is more than the %3 vertices the "
                                  "viewer can hold"),
            { channel.Name(), std::to_string(count), std::to_string(MaxPoints) } });
    }
    return count;
}
