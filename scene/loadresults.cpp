#include "scene/loadresults.h"

#include "scene/inputchannel.h"
#include "scene/numbertext.h"
#include "scene/stoprequest.h"

#include <array>

namespace {

// The answer's four numbers, tower first, each point as x then y.
std::array<double, 4> ReadAnswer(const std::filesystem::path& path, const DataFileOpener& files)
{
    InputChannel channel;
    std::array<double, 4> answer{};
    int numbersRead = 0;
    try {
        const std::unique_ptr<DataFile> file = files.Open(path, ResultFileName);
        channel.Open(*file, ResultFileName);
        for (double& number : answer) {
            channel.Input(number);
            ++numbersRead;
        }
        channel.Close();
    } catch (const EndOfData&) {
        throw ResultFileError({ TRANSLATABLE_TEXT("DataFile",
                                    "%1: the file ends after %2 of its 4 numbers (where the tower "
                                    "stands, then where the island floats, each as x y)"),
            { ResultFileName, std::to_string(numbersRead) } });
    } catch (const DataFileError& error) {
        throw ResultFileError(error.Message());
    }
    return answer;
}

// The steps after the point file: the answer, then the extents of the vertices read.
CoordinateCaptions ReadAnswerAndFinish(SceneState& scene, const VertexExtents& extents,
    const std::filesystem::path& folder, const DataFileOpener& files)
{
    const std::array<double, 4> answer = ReadAnswer(folder / ResultFileName, files);
    scene.Tower = {answer[0], answer[1]};
    scene.Island = {answer[2], answer[3]};
    scene.MaxX = extents.MaxX;
    scene.MaxY = extents.MaxY;
    scene.MountainMaxY = scene.MaxY;
    return {PointText(scene.Tower), PointText(scene.Island)};
}

} // namespace

CoordinateCaptions LoadResults(SceneState& scene, const std::filesystem::path& folder,
                               const std::string& pointFileName)
{
    ReadPointsCarefully(scene.Points, scene.PointCount, folder / PointFileName, pointFileName);
    VertexExtents extents;
    for (std::int32_t i = 1; i <= scene.PointCount; ++i)
        extents.Include(scene.Points(i));
    return ReadAnswerAndFinish(scene, extents, folder, AnyDataFile());
}

namespace {

CoordinateCaptions LoadOpenPointFile(SceneState& scene, const DataFile& pointFile,
    const std::filesystem::path& folder, const std::string& pointFileName, PointFileReader& reader,
    const DataFileOpener& files)
{
    const VertexExtents extents = reader.Read(
        scene.Points, scene.PointCount, pointFile, pointFileName, PointFileReader::Cores::Two);
    return ReadAnswerAndFinish(scene, extents, folder, files);
}

} // namespace

CoordinateCaptions LoadResultsOnTwoCores(SceneState& scene, const std::filesystem::path& folder,
                                         const std::string& pointFileName, PointFileReader& reader,
                                         const DataFileOpener& files)
{
    const std::unique_ptr<DataFile> pointFile = files.Open(folder / PointFileName, pointFileName);
    return LoadOpenPointFile(scene, *pointFile, folder, pointFileName, reader, files);
}

PointsReadAhead ReadPointsAhead(PointArray& points, const std::filesystem::path& folder,
                                const std::string& pointFileName, PointFileReader& reader,
                                std::stop_token stop, const DataFileOpener& files)
{
    PointsReadAhead ahead;
    try {
        const std::unique_ptr<DataFile> file = files.Open(folder / PointFileName, pointFileName);
        ahead.Stamp = file->Stamp();
        ahead.Extents = reader.Read(points, ahead.Count, *file, pointFileName,
                                    PointFileReader::Cores::One, std::move(stop));
    } catch (const StopRequested&) {
        throw;
    } catch (...) {
        ahead.Failure = std::current_exception();
    }
    return ahead;
}

CoordinateCaptions CompleteLoad(SceneState& scene, const PointsReadAhead& ahead,
                                const std::filesystem::path& folder,
                                const std::string& pointFileName, PointFileReader& reader,
                                const DataFileOpener& files)
{
    const std::unique_ptr<DataFile> pointFile = files.Open(folder / PointFileName, pointFileName);
    if (pointFile->Stamp() != ahead.Stamp)
        return LoadOpenPointFile(scene, *pointFile, folder, pointFileName, reader, files);
    if (ahead.Count > 0)
        scene.PointCount = ahead.Count;
    if (ahead.Failure)
        std::rethrow_exception(ahead.Failure);
    return ReadAnswerAndFinish(scene, ahead.Extents, folder, files);
}
