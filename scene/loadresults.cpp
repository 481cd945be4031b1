#include "scene/loadresults.h"

#include "scene/inputchannel.h"
#include "scene/pointfile.h"
#include "scene/numbertext.h"
#include "scene/quicksort.h"

namespace {

std::string PairText(const PointD& point)
{
    return "(" + NumberText(point.X) + "," + NumberText(point.Y) + ")";
}

} // namespace

CoordinateCaptions LoadResults(SceneState& scene, const std::filesystem::path& folder)
{
    InputChannel channel;
    channel.Open(folder / PointFileName, PointFileName);
    scene.PointCount = ReadVertexCount(channel);
    ReadVertices(channel, scene.PointCount,
                 [&](std::int32_t k) -> PointD& { return scene.Points(k); });
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
