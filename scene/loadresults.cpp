#include "scene/loadresults.h"

#include "scene/carefulreader.h"
#include "scene/numbertext.h"
#include "scene/stoprequest.h"

#include <array>

namespace {

// The answer's share of a load: the tower and the island of a profile whose vertices are read.
std::unique_ptr<LoadedProfile> WithAnswer(std::unique_ptr<LoadedProfile> profile,
    const std::filesystem::path& folder, const DataFileOpener& files)
{
    const std::array<double, 4> answer = ReadAnswer(folder / ResultFileName, files);
    profile->Tower = {answer[0], answer[1]};
    profile->Island = {answer[2], answer[3]};
    return profile;
}

std::unique_ptr<LoadedProfile> LoadOpenPointFile(const DataFile& pointFile,
    const std::filesystem::path& folder, const std::string& pointFileName,
    PointFileReader& reader, const DataFileOpener& files)
{
    auto profile = std::make_unique<LoadedProfile>();
    profile->Extents = reader.Read(profile->Points, profile->PointCount, pointFile, pointFileName,
        PointFileReader::Cores::Two);
    return WithAnswer(std::move(profile), folder, files);
}

} // namespace

CoordinateCaptions CaptionsOf(const LoadedProfile& profile)
{
    return {PointText(profile.Tower), PointText(profile.Island)};
}

std::unique_ptr<LoadedProfile> LoadResults(
    const std::filesystem::path& folder, const std::string& pointFileName)
{
    auto profile = std::make_unique<LoadedProfile>();
    ReadPointsCarefully(
        profile->Points, profile->PointCount, folder / PointFileName, pointFileName);
    for (std::int32_t i = 1; i <= profile->PointCount; ++i)
        profile->Extents.Include(profile->Points(i));
    return WithAnswer(std::move(profile), folder, AnyDataFile());
}

std::unique_ptr<LoadedProfile> LoadResultsOnTwoCores(const std::filesystem::path& folder,
    const std::string& pointFileName, PointFileReader& reader, const DataFileOpener& files)
{
    const std::unique_ptr<DataFile> pointFile = files.Open(folder / PointFileName, pointFileName);
    return LoadOpenPointFile(*pointFile, folder, pointFileName, reader, files);
}

PointsReadAhead ReadPointsAhead(const std::filesystem::path& folder,
    const std::string& pointFileName, PointFileReader& reader, std::stop_token stop,
    const DataFileOpener& files)
{
    PointsReadAhead ahead;
    try {
        const std::unique_ptr<DataFile> file = files.Open(folder / PointFileName, pointFileName);
        ahead.Stamp = file->Stamp();
        auto profile = std::make_unique<LoadedProfile>();
        profile->Extents = reader.Read(profile->Points, profile->PointCount, *file,
            pointFileName, PointFileReader::Cores::One, std::move(stop));
        ahead.Profile = std::move(profile);
    } catch (const StopRequested&) {
        throw;
    } catch (...) {
        ahead.Failure = std::current_exception();
    }
    return ahead;
}

std::unique_ptr<LoadedProfile> CompleteLoad(PointsReadAhead ahead,
    const std::filesystem::path& folder, const std::string& pointFileName,
    PointFileReader& reader, const DataFileOpener& files)
{
    const std::unique_ptr<DataFile> pointFile = files.Open(folder / PointFileName, pointFileName);
    if (pointFile->Stamp() != ahead.Stamp) {
        ahead.Profile.reset(); // its room goes back before the new reading takes its own
        return LoadOpenPointFile(*pointFile, folder, pointFileName, reader, files);
    }
    if (ahead.Failure)
        std::rethrow_exception(ahead.Failure);
    return WithAnswer(std::move(ahead.Profile), folder, files);
}
