#include "calc/profilefiles.h"

#include "scene/inputchannel.h"
#include "scene/loadresults.h"

#include <charconv>
#include <fstream>
#include <string>
#include <system_error>

std::vector<PointD> ReadProfile(const std::filesystem::path& path)
{
    const std::string name = PointFileName;
    InputChannel channel;
    channel.Open(path, name);
    std::int32_t count = 0;
    try {
        channel.Input(count);
    } catch (const EndOfData&) {
        throw DataFileError(name + ": the file is empty; it must start with the vertex count");
    }
    if (count < 1 || count > MaxPoints) {
        throw DataFileError(name + ": the vertex count is " + std::to_string(count)
            + "; it must be from 1 to " + std::to_string(MaxPoints));
    }
    std::vector<PointD> vertices(static_cast<std::size_t>(count));
    std::size_t read = 0;
    try {
        for (PointD& vertex : vertices) {
            channel.Input(vertex.X, vertex.Y);
            ++read;
        }
    } catch (const EndOfData&) {
        throw DataFileError(name + ": the file ends after " + std::to_string(read) + " of "
            + std::to_string(count) + " vertices");
    }
    return vertices;
}

void WriteAnswer(const std::filesystem::path& path, const ProfileAnswer& answer)
{
    // 17 significant digits, sign, point and exponent fit in 25 characters.
    char text[4 * 25];
    char* end = text;
    for (const double number :
        { answer.Tower.X, answer.Tower.Y, answer.Island.X, answer.Island.Y }) {
        if (end != text)
            *end++ = ' ';
        end = std::to_chars(end, text + sizeof text, number, std::chars_format::general, 17).ptr;
    }
    *end++ = '\n';

    std::filesystem::path temporary = path;
    temporary += ".tmp";
    bool written = false;
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        written = file.write(text, end - text).flush().good();
    }
    std::error_code error;
    if (written)
        std::filesystem::rename(temporary, path, error);
    if (!written || error) {
        std::filesystem::remove(temporary, error);
        throw std::runtime_error(path.filename().string() + ": the answer cannot be written");
    }
}
