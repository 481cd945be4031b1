#pragma once

#include "scene/loadresults.h"

#include <filesystem>
#include <string>
#include <thread>

// The staged point file read on a thread of its own while the solver runs, into a profile of
// its own: nothing else is written by the thread, and nothing it writes is looked at before
// Finish has joined it. The thread's reader, and the text and room it took, are freed as soon
// as the reading ends.
class ReadingAhead {
public:
    // Starts reading the point file of `folder`, opened by `files`, which must outlive this
    // object; messages call the file `pointFileName`.
    ReadingAhead(std::filesystem::path folder, std::string pointFileName,
        const DataFileOpener& files);
    // A reading still under way is asked to stop, and waited for.
    ~ReadingAhead() = default;
    ReadingAhead(const ReadingAhead&) = delete;
    ReadingAhead& operator=(const ReadingAhead&) = delete;

    // Waits for the reading to end and hands over what it read. Once only.
    PointsReadAhead Finish();

private:
    PointsReadAhead m_read; // the thread's until it has been joined
    std::jthread m_thread; // last: stopped and joined before m_read goes
};
