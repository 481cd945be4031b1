#include "scene/loadresults.h"

#include "scene/inputchannel.h"
#include "scene/pointfile.h"
#include "scene/numbertext.h"
#include "scene/quicksort.h"

#include <array>

namespace {

std::string PairText(const PointD& point)
{
    return "(" + NumberText(point.X) + "," + NumberText(point.Y) + ")";
}

// The four numbers of the result file: tower x, tower y, island x, island y.
std::array<double, 4> ReadAnswer(InputChannel& channel, const std::filesystem::path& path)
{
    std::array<double, 4> answer{};
    int numbersRead = 0;
    try {
        channel.Open(path, ResultFileName);
        for (double& number : answer) {
            channel.Input(number);
            ++numbersRead;
        }
        channel.Close();
    } catch (const EndOfData&) {
        throw ResultFileError({ TRANSLATABLE_TEXT("DataFile",
                                    "%1: the file ends after %2 of the 4 numbers tower x, "
                                    "tower y, island x, island y"),
            { ResultFileName, std::to_string(numbersRead) } });
    } catch (const DataFileError& error) {
        throw ResultFileError(error.Message());
    }
    return answer;
}

} // namespace

CoordinateCaptions LoadResults(SceneState& scene, const std::filesystem::path& folder,
                               const std::string& pointFileName)
{
    InputChannel channel;
    channel.Open(folder / PointFileName, pointFileName);
    scene.PointCount = ReadVertexCount(channel);
    ReadVertices(channel, scene.PointCount,
                 [&](std::int32_t k) -> PointD& { return scene.Points(k); });
    channel.Close();

    QuickSort(scene.Points, 1, scene.PointCount);

    const std::array<double, 4> answer = ReadAnswer(channel, folder / ResultFileName);
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
