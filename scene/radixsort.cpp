#include "scene/radixsort.h"

const PointD* RadixSortByX(const PointD* input, PointD* first, PointD* second, std::size_t count,
                           std::stop_token stop)
{
    return RadixSort(input, first, second, count,
                     [](const PointD& record) { return OrderedBits(record.X); }, std::move(stop));
}

bool DistinctAndAscending(const PointD* records, std::size_t count)
{
    for (std::size_t k = 1; k < count; ++k) {
        if (!(records[k - 1].X < records[k].X))
            return false;
    }
    return true;
}
