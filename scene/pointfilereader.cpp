#include "scene/pointfilereader.h"

#include "scene/carefulreader.h"
#include "scene/pointfile.h"
#include "scene/quickreader.h"
#include "scene/quicksort.h"
#include "scene/radixsort.h"
#include "scene/stoprequest.h"

#include <algorithm>
#include <cstddef>
#include <exception>
#include <limits>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr std::int32_t VerticesBetweenStopChecks = 1 << 16;

} // namespace

void ReadPointsCarefully(PointArray& points, std::int32_t& count, const std::filesystem::path& file,
                         const std::string& displayName, std::stop_token stop)
{
    ReadPointsCarefully(
        points, count, *AnyDataFile().Open(file, displayName), displayName, std::move(stop));
}

void ReadPointsCarefully(PointArray& points, std::int32_t& count, const DataFile& file,
                         const std::string& displayName, std::stop_token stop)
{
    InputChannel channel;
    channel.Open(file, displayName);
    count = ReadVertexCount(channel);
    ReadVertices(channel, count, [&](std::int32_t k) -> PointD& {
        if (k % VerticesBetweenStopChecks == 0)
            ThrowIfStopRequested(stop);
        return points(k);
    });
    channel.Close();
    QuickSort(points, 1, count, stop);
}

namespace {

// Runs `other` on a second thread while `own` runs on this one, or after it where no thread
// can be had; rethrows a failure of either, this thread's first, once both have ended.
template <class Own, class Other>
void OnTwoCores(Own&& own, Other&& other)
{
    std::exception_ptr otherFailure;
    std::thread second;
    try {
        second = std::thread([&] {
            try {
                other();
            } catch (...) {
                otherFailure = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        own();
        other();
        return;
    }
    try {
        own();
    } catch (...) {
        second.join();
        throw;
    }
    second.join();
    if (otherFailure)
        std::rethrow_exception(otherFailure);
}

// Where the second core takes over the text: past the first line end from `from` on, so that
// both parts start at an item. None where no line ends there.
std::optional<std::size_t> SplitAfterLineEnd(std::string_view text, std::size_t from)
{
    const std::size_t lineEnd = text.find_first_of("\r\n", from);
    if (lineEnd == std::string_view::npos)
        return std::nullopt;
    return lineEnd + 1;
}

// Whether X values taken evenly over both parts include two equal ones: a file with equal X
// needs the exact ordering, whose order among them no other way reproduces.
bool SampleHasEqualX(const PointD* first, std::size_t firstCount, const PointD* second, std::size_t total)
{
    constexpr std::size_t SampleSize = 4096;
    const std::size_t taken = std::min(total, SampleSize);
    std::vector<double> xs(taken);
    for (std::size_t s = 0; s < taken; ++s) {
        const std::size_t k = s * total / taken;
        xs[s] = k < firstCount ? first[k].X : second[k - firstCount].X;
    }
    std::sort(xs.begin(), xs.end());
    return std::adjacent_find(xs.begin(), xs.end()) != xs.end();
}

// Merges ascending runs a and b into out; false when the output does not strictly ascend, as
// where two X are equal.
bool MergedDistinct(const PointD* a, std::size_t aCount, const PointD* b, std::size_t bCount, PointD* out)
{
    const PointD* const aEnd = a + aCount;
    const PointD* const bEnd = b + bCount;
    bool distinct = true;
    double last = -std::numeric_limits<double>::infinity();
    const auto emit = [&](const PointD& record) {
        distinct &= last < record.X;
        last = record.X;
        *out++ = record;
    };
    while (a != aEnd && b != bEnd)
        emit(b->X < a->X ? *b++ : *a++);
    while (a != aEnd)
        emit(*a++);
    while (b != bEnd)
        emit(*b++);
    return distinct;
}

// How many of the `k` smallest records of the merge come from a.
std::size_t TakenFromFirst(const PointD* a, std::size_t aCount, const PointD* b, std::size_t bCount, std::size_t k)
{
    std::size_t lo = k > bCount ? k - bCount : 0;
    std::size_t hi = std::min(k, aCount);
    while (lo < hi) {
        const std::size_t i = lo + (hi - lo) / 2;
        if (a[i].X < b[k - i - 1].X)
            lo = i + 1;
        else
            hi = i;
    }
    return lo;
}

} // namespace

// Raw storage, kept from one read to the next: fresh pages would cost more than the copying
// they hold. Growing frees the old block first, so the two never add up; a failed allocation
// leaves the storage empty, and a later read allocates again.
struct PointFileReader::Scratch {
    std::unique_ptr<char[]> text;
    std::size_t textBytes = 0;
    std::unique_ptr<std::byte[]> records;
    std::size_t recordBytes = 0;

    template <class Item>
    static void Grow(std::unique_ptr<Item[]>& storage, std::size_t& capacity, std::size_t items)
    {
        if (items <= capacity)
            return;
        storage.reset();
        capacity = 0;
        storage = std::make_unique_for_overwrite<Item[]>(items);
        capacity = items;
    }
    char* Text(std::size_t bytes)
    {
        Grow(text, textBytes, bytes);
        return text.get();
    }
    PointD* Records(std::size_t count)
    {
        Grow(records, recordBytes, count * sizeof(PointD));
        return reinterpret_cast<PointD*>(records.get());
    }
};

// How PointFileReader is quicker than the careful reader:
//
// - it reads the whole file into memory and its text straight (scene/quickreader.h); with two
//   cores the second half of the text is read at once on the other core, into a buffer of its
//   own, joined to the first half at the seam and moved behind it. Anything irregular (an item
//   that is not a plain number, a stray comma, too few vertices) hands the file to
//   ReadPointsCarefully, which alone words messages.
// - it leaves a file whose X strictly ascend as it is; orders distinct X, the only case where
//   every order by X is the same, with radix sorts (the halves on their two cores, then
//   merged); and hands any file with equal X, -0 and +0 included, to QuickSort, on two cores
//   where it has them.

namespace {

// The numbers of whole vertices land in records as they are read (scene/quickreader.h).
static_assert(sizeof(PointD) == 2 * sizeof(double) && offsetof(PointD, Y) == sizeof(double));

// One quick read of a point file's text: the count, then the vertices. With two cores the text
// is split in two halves at the first line end from its middle on, or from the count's end
// where that comes later; the first half is read straight into points(1..), the second into a
// buffer of its own, at once. The ordering then leaves every vertex in points(1..count).
//
// Which of the second half's numbers are x shows only once the first half is read: where that
// ends on an x (an odd count of numbers), the split parted a vertex. The second half's first
// number is then that vertex's y, and the second half's own vertices start one number later;
// joining the halves at the seam completes the parted vertex and moves the second half's
// numbers down by one, so that both halves hold whole records.
class QuickRead {
public:
    QuickRead(PointArray& points, std::string_view text, bool twoCores, std::stop_token stop)
        : m_points(points)
        , m_first(&points(1))
        , m_text(text)
        , m_twoCores(twoCores)
        , m_stop(std::move(stop))
    {
    }

    // Reads the count into `count`; false when the careful reader must take the file.
    bool ReadCount(std::int32_t& count)
    {
        const std::optional<QuickCount> quick = ReadQuickCount(m_text);
        if (!quick)
            return false;
        count = m_count = quick->count;
        m_countEnd = quick->end;
        if (m_twoCores)
            m_split = SplitAfterLineEnd(m_text, std::max(m_text.size() / 2, m_countEnd));
        return true;
    }

    // The scratch a read needs, in records: the second half's buffer, and the radix sorts'
    // room for both halves.
    static std::size_t ScratchRecords(std::int32_t count)
    {
        return 3 * static_cast<std::size_t>(count);
    }

    // Reads the vertices, with room for ScratchRecords in `scratch`; false when the careful
    // reader must take the file.
    bool ReadNumbers(PointD* scratch)
    {
        m_second = scratch;
        ReadBothHalves();
        const std::size_t firstNumbers = m_firstRead.numbers;
        if (firstNumbers < Wanted()
            && (!m_firstRead.regular || !m_split || m_secondRead.numbers < Wanted() - firstNumbers))
            return false;
        m_firstCount = (firstNumbers + 1) / 2;
        m_secondCount = static_cast<std::size_t>(m_count) - m_firstCount;
        JoinAtSeam();
        Survey();
        return true;
    }

    const VertexExtents& Extents() const { return m_extents; }

    void Order()
    {
        if (m_ascending) {
            MoveSecondHalf();
            return;
        }
        if (!SampleHasEqualX(m_first, m_firstCount, m_second, Total()) && OrderedDistinct())
            return;
        // Equal X, or -0 and +0: the exact ordering decides their order, from the file's.
        // A radix sort that met them has scrambled the records; the text still holds them.
        if (m_scrambled) {
            ReadBothHalves();
            JoinAtSeam();
        }
        MoveSecondHalf();
        if (m_twoCores)
            QuickSortOnTwoCores(m_points, 1, m_count, m_stop);
        else
            QuickSort(m_points, 1, m_count, m_stop);
    }

private:
    std::size_t Total() const { return m_firstCount + m_secondCount; }
    // The numbers of `count` vertices.
    std::size_t Wanted() const { return 2 * static_cast<std::size_t>(m_count); }
    // Whether the first half ends on the x of a vertex whose y begins the second.
    bool Parted() const { return m_firstRead.numbers % 2 == 1; }

    void ReadBothHalves()
    {
        const std::size_t firstEnd = m_split.value_or(m_text.size());
        const auto readFirst = [&] {
            m_firstRead = ReadQuickNumbers(m_text.substr(m_countEnd, firstEnd - m_countEnd), true,
                                           firstEnd == m_text.size(), &m_first->X, Wanted(), m_stop);
        };
        const auto readSecond = [&] {
            m_secondRead = ReadQuickNumbers(m_text.substr(*m_split), false, true, &m_second->X,
                                            Wanted(), m_stop);
        };
        if (!m_split)
            readFirst();
        else if (m_twoCores)
            OnTwoCores(readFirst, readSecond);
        else {
            readFirst();
            readSecond();
        }
        m_scrambled = false;
    }

    // Completes a parted vertex with the second half's first number and moves the rest down
    // by one number, into whole records. The second half holds that many numbers: the count
    // asks for them.
    void JoinAtSeam()
    {
        if (!Parted())
            return;
        m_first[m_firstCount - 1].Y = m_second[0].X;
        for (std::size_t k = 0; k < m_secondCount; ++k)
            m_second[k] = {m_second[k].Y, m_second[k + 1].X};
    }

    // The extents of the vertices, and whether their X strictly ascend, mostly from what the
    // reads of the halves noted on the way.
    void Survey()
    {
        const std::size_t firstNumbers = m_firstRead.numbers;
        m_extents = {};
        m_extents.Include(PointD{m_firstRead.largest[0], m_firstRead.largest[1]});
        m_ascending = m_firstRead.ascending[0];
        if (firstNumbers == Wanted())
            return;
        if (m_secondRead.numbers == Wanted() - firstNumbers) {
            // The second half's x are at its odd places after a parted vertex's y.
            const int xPlace = Parted() ? 1 : 0;
            m_extents.Include(PointD{m_secondRead.largest[xPlace], m_secondRead.largest[1 - xPlace]});
            m_ascending = m_ascending && m_secondRead.ascending[xPlace];
        } else {
            // The second half read on past the last vertex the count asks for.
            if (Parted())
                m_extents.Include(m_first[m_firstCount - 1]);
            std::for_each(m_second, m_second + m_secondCount,
                          [&](const PointD& vertex) { m_extents.Include(vertex); });
            m_ascending = m_ascending && DistinctAndAscending(m_second, m_secondCount);
        }
        m_ascending = m_ascending
                      && (m_firstCount == 0 || m_secondCount == 0 || m_first[m_firstCount - 1].X < m_second[0].X);
    }

    void MoveSecondHalf() { std::copy(m_second, m_second + m_secondCount, m_first + m_firstCount); }

    // Radix sorts of both halves, each on its core, merged into points(1..count). False when
    // two X turned out equal.
    bool OrderedDistinct()
    {
        // Behind the second half's buffer: room for it to alternate with, and the first half's
        // two alternating copies, kept out of points, where the merge writes.
        PointD* const secondSpare = m_second + m_count;
        PointD* const firstOnce = secondSpare + m_secondCount;
        PointD* const firstTwice = firstOnce + m_firstCount;
        const PointD* first = nullptr;
        const PointD* second = nullptr;
        const auto orderFirst = [&] {
            first = RadixSortByX(m_first, firstOnce, firstTwice, m_firstCount, m_stop);
            if (first == m_first) {
                std::copy(m_first, m_first + m_firstCount, firstOnce);
                first = firstOnce;
            }
        };
        const auto orderSecond = [&] {
            second = RadixSortByX(m_second, secondSpare, m_second, m_secondCount, m_stop);
        };
        m_scrambled = true;
        if (!m_twoCores) {
            orderFirst();
            orderSecond();
            return MergedDistinct(first, m_firstCount, second, m_secondCount, m_first);
        }
        OnTwoCores(orderFirst, orderSecond);
        return MergedOnTwoCores(first, second);
    }

    // The merge of the sorted halves into points(1..count), its lower and upper halves each on
    // its core. False when two X are equal.
    bool MergedOnTwoCores(const PointD* first, const PointD* second)
    {
        const std::size_t half = Total() / 2;
        const std::size_t fromFirst = TakenFromFirst(first, m_firstCount, second, m_secondCount, half);
        const std::size_t fromSecond = half - fromFirst;
        bool lowerDistinct = true;
        bool upperDistinct = true;
        OnTwoCores(
            [&] { lowerDistinct = MergedDistinct(first, fromFirst, second, fromSecond, m_first); },
            [&] {
                upperDistinct = MergedDistinct(first + fromFirst, m_firstCount - fromFirst, second + fromSecond,
                                               m_secondCount - fromSecond, m_first + half);
            });
        return lowerDistinct && upperDistinct && (half == 0 || m_first[half - 1].X < m_first[half].X);
    }

    PointArray& m_points;
    PointD* const m_first; // points(1), where the first half goes
    PointD* m_second = nullptr; // scratch, where the second half goes
    std::string_view m_text;
    std::optional<std::size_t> m_split;
    bool m_twoCores;
    std::stop_token m_stop;
    std::int32_t m_count = 0;
    std::size_t m_countEnd = 0;
    QuickNumbers m_firstRead;
    QuickNumbers m_secondRead;
    std::size_t m_firstCount = 0; // the parted vertex included
    std::size_t m_secondCount = 0;
    VertexExtents m_extents;
    bool m_ascending = false;
    bool m_scrambled = false; // the records no longer hold the file's order
};

} // namespace

PointFileReader::PointFileReader()
    : m_scratch(std::make_unique<Scratch>())
{
}

PointFileReader::~PointFileReader() = default;

VertexExtents PointFileReader::Read(PointArray& points, std::int32_t& count, const std::filesystem::path& file,
                                    const std::string& displayName, Cores cores, std::stop_token stop)
{
    return Read(
        points, count, *AnyDataFile().Open(file, displayName), displayName, cores, std::move(stop));
}

VertexExtents PointFileReader::Read(PointArray& points, std::int32_t& count, const DataFile& file,
    const std::string& displayName, Cores cores, std::stop_token stop)
{
    m_lastReadWasCareful = false;
    if (const std::optional<VertexExtents> extents = ReadQuickly(points, count, file, cores, stop))
        return *extents;
    m_lastReadWasCareful = true;
    ReadPointsCarefully(points, count, file, displayName, stop);
    VertexExtents extents;
    for (std::int32_t k = 1; k <= count; ++k)
        extents.Include(points(k));
    return extents;
}

std::optional<VertexExtents> PointFileReader::ReadQuickly(PointArray& points, std::int32_t& count,
                                                          const DataFile& file, Cores cores,
                                                          const std::stop_token& stop)
{
    // Far more than a million vertices take: mostly what the count leaves unread, which the
    // careful reader never looks at.
    constexpr std::uintmax_t LargestQuickFile = std::uintmax_t{256} << 20;
    const std::uintmax_t size = file.Stamp().Size;
    if (size == 0 || size > LargestQuickFile)
        return std::nullopt;
    const auto bytes = static_cast<std::size_t>(size);
    const bool twoCores = cores == Cores::Two && bytes >= m_smallestSplitFile;
    try {
        char* const text = m_scratch->Text(bytes);
        const std::size_t middle = bytes / 2;
        std::size_t received = 0;
        if (twoCores) {
            std::size_t secondReceived = 0;
            OnTwoCores([&] { received = file.ReadAt(0, text, middle); },
                [&] { secondReceived = file.ReadAt(middle, text + middle, bytes - middle); });
            if (received == middle)
                received += secondReceived;
        } else {
            received = file.ReadAt(0, text, bytes);
        }
        // A file that changed size meanwhile is left to the careful reader.
        if (received != bytes)
            return std::nullopt;
        const std::string_view content(text, bytes);
        QuickRead quick(points, content, twoCores, stop);
        if (!quick.ReadCount(count) || !quick.ReadNumbers(m_scratch->Records(QuickRead::ScratchRecords(count))))
            return std::nullopt;
        quick.Order();
        return quick.Extents();
    } catch (const std::bad_alloc&) {
        // The careful reader needs no room beyond the records.
        return std::nullopt;
    }
}
