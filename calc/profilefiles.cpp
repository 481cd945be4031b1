#include "calc/profilefiles.h"

#include "scene/inputchannel.h"
#include "scene/pointfile.h"

#include <charconv>
#include <fstream>
#include <string>
#include <system_error>

std::vector<PointD> ReadProfile(const std::filesystem::path& path)
{
    InputChannel channel;
    channel.Open(path, PointFileName);
    std::vector<PointD> vertices(static_cast<std::size_t>(ReadVertexCount(channel)));
    ReadVertices(channel, static_cast<std::int32_t>(vertices.size()),
        [&](std::int32_t k) -> PointD& { return vertices[static_cast<std::size_t>(k - 1)]; });
    return vertices;
}

void WriteAnswer(const std::filesystem::path& path, const std::filesystem::path& temporary,
                 const ProfileAnswer& answer)
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
