#include "standin/profilefiles.h"

#include "scene/pointfile.h"
#include "scene/pointfilereader.h"

#include <charconv>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <system_error>

ProfileAnswer SolvePointFile(const std::filesystem::path& path)
{
    const auto points = std::make_unique<PointArray>();
    std::int32_t count = 0;
    // One core: the viewer reads the same file on the other while the solver runs.
    PointFileReader().Read(*points, count, path, PointFileName, PointFileReader::Cores::One);
    return ProfileSolution(std::span<const PointD>(&(*points)(1), static_cast<std::size_t>(count))).Answer();
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

    // Whatever holds the temporary name is a leftover or a trap: a link there would lead the
    // answer into its target. A link or a file is replaced; the new file is created
    // exclusively, which never follows a link that appears meanwhile.
    std::error_code ignored;
    const auto leftover = std::filesystem::symlink_status(temporary, ignored).type();
    if (leftover == std::filesystem::file_type::symlink
        || leftover == std::filesystem::file_type::regular)
        std::filesystem::remove(temporary, ignored);
    bool written = false;
    std::error_code error;
    if (std::FILE* file = std::fopen(temporary.string().c_str(), "wbx")) {
        written = std::fwrite(text, 1, static_cast<std::size_t>(end - text), file)
                == static_cast<std::size_t>(end - text)
            && std::fflush(file) == 0;
        written = std::fclose(file) == 0 && written;
        if (written)
            std::filesystem::rename(temporary, path, error);
        if (!written || error)
            std::filesystem::remove(temporary, ignored);
    }
    if (!written || error)
        throw std::runtime_error(path.filename().string() + ": the answer cannot be written");
}
