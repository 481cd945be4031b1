#include "runsolver/readingahead.h"

#include "scene/stoprequest.h"

ReadingAhead::ReadingAhead(
    std::filesystem::path folder, std::string pointFileName, const DataFileOpener& files)
    : m_thread([this, folder = std::move(folder), name = std::move(pointFileName), &files](
                   std::stop_token stop) {
        try {
            PointFileReader reader;
            m_read = ReadPointsAhead(folder, name, reader, std::move(stop), files);
        } catch (const StopRequested&) {
            // Let go: nothing will look at what was read.
        }
    })
{
}

PointsReadAhead ReadingAhead::Finish()
{
    m_thread.join();
    return std::move(m_read);
}
