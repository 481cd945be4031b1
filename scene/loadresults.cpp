#include "scene/loadresults.h"

#include "scene/inputchannel.h"
#include "scene/numbertext.h"
#include "scene/quicksort.h"

namespace {

std::string PairText(const PointD& point)
{
    return "(" + NumberText(point.X) + "," + NumberText(point.Y) + ")";
}

std::int32_t ReadVertexCount(InputChannel& channel)
{
    std::int32_t count = 0;
    try {
        channel.Input(count);
    } catch (const EndOfData&) {
        throw DataFileError(std::string(PointFileName)
                            + ": the file is empty; it must start with the vertex count");
    }
    if (count < 1) {
        throw DataFileError(std::string(PointFileName) + ": the vertex count is "
                            + std::to_string(count) + "; a profile needs at least one vertex");
    }
    if (count > MaxPoints) {
        throw DataFileError(std::string(PointFileName) + ": the vertex count "
                            + std::to_string(count) + " is more than the "
                            + std::to_string(MaxPoints) + " vertices the viewer can hold");
    }
    return count;
}

} // namespace

CoordinateCaptions LoadResults(SceneState& scene, const std::filesystem::path& folder)
{
    InputChannel channel;
    channel.Open(folder / PointFileName, PointFileName);
    const std::int32_t count = ReadVertexCount(channel);
    scene.PointCount = count;
    std::int32_t k = 1;
    try {
        for (; k <= count; ++k) {
            PointD& vertex = scene.Points(k);
            channel.Input(vertex.X, vertex.Y);
        }
    } catch (const EndOfData&) {
        throw DataFileError(std::string(PointFileName) + ": the file ends after "
                            + std::to_string(k - 1) + " of " + std::to_string(count)
                            + " vertices");
    }
    channel.Close();

    QuickSort(scene.Points, 1, scene.PointCount);

    channel.Open(folder / ResultFileName, ResultFileName);
    double answer[4];
    int numbersRead = 0;
    try {
        for (double& number : answer) {
            channel.Input(number);
            ++numbersRead;
        }
    } catch (const EndOfData&) {
        throw DataFileError(std::string(ResultFileName) + ": the file ends after "
                            + std::to_string(numbersRead)
                            + " of the 4 numbers tower x, tower y, island x, island y");
    }
    channel.Close();
    scene.Tower = {answer[0], answer[1]};
    scene.Island = {answer[2], answer[3]};

    scene.MaxX = 0.0;
    scene.MaxY = 0.1;
    for (std::int32_t i = 1; i <= scene.PointCount; ++i) {
        const PointD& vertex = scene.Points(i);
        if (vertex.X > scene.MaxX)
            scene.MaxX = vertex.X;
        if (vertex.Y > scene.MaxY)
            scene.MaxY = vertex.Y;
    }
    scene.MountainMaxY = scene.MaxY;

    return {PairText(scene.Tower), PairText(scene.Island)};
}
