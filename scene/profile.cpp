#include "scene/profile.h"

#include <algorithm>
#include <mutex>
#include <string>

SubscriptOutOfRange::SubscriptOutOfRange(std::int64_t index)
    : std::out_of_range("vertex index " + std::to_string(index) + " is outside 1.."
                        + std::to_string(MaxPoints))
{
}

namespace {

std::mutex SpareStorageMutex;
std::unique_ptr<PointD[]> SpareStorage; // guarded by SpareStorageMutex

} // namespace

PointArray::PointArray()
{
    {
        const std::lock_guard lock(SpareStorageMutex);
        m_records = std::move(SpareStorage);
    }
    if (m_records)
        std::fill_n(m_records.get(), MaxPoints, PointD {});
    else
        m_records.reset(new PointD[MaxPoints]());
}

PointArray::~PointArray()
{
    const std::lock_guard lock(SpareStorageMutex);
    if (!SpareStorage)
        SpareStorage = std::move(m_records);
}
