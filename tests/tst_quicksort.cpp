#include "scene/quicksort.h"

#include <QtTest>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

// The ordering in its plain recursive form: a partition, then both sides by recursion, the
// lower one first. Its depth grows with unfavourable input, so it only serves small ranges,
// as the oracle QuickSort with its depth bound and shortcuts must match record for record.
void PlainQuickSort(std::vector<PointD>& pts, int lo, int hi)
{
    int i = lo;
    int j = hi;
    const double pivot = pts[static_cast<std::size_t>(MiddleIndex(lo, hi))].X;
    do {
        while (pts[i].X < pivot)
            ++i;
        while (pts[j].X > pivot)
            --j;
        if (i <= j)
            std::swap(pts[i++], pts[j--]);
    } while (i <= j);
    if (lo < j)
        PlainQuickSort(pts, lo, j);
    if (i < hi)
        PlainQuickSort(pts, i, hi);
}

// Xs go into pts(1..n); each record's Y is its original position, so the order of equal
// Xs can be read back.
void Fill(PointArray& pts, const std::vector<double>& xs)
{
    for (std::size_t k = 0; k < xs.size(); ++k)
        pts(static_cast<std::int64_t>(k) + 1) = {xs[k], static_cast<double>(k + 1)};
}

std::vector<int> OriginalPositions(const PointArray& pts, int count)
{
    std::vector<int> positions;
    for (int k = 1; k <= count; ++k)
        positions.push_back(static_cast<int>(pts(k).Y));
    return positions;
}

std::vector<double> Pattern(const QByteArray& name, int n)
{
    std::mt19937 random(12345);
    std::vector<double> xs(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        double& x = xs[static_cast<std::size_t>(k)];
        if (name == "ascending")
            x = k;
        else if (name == "descending")
            x = n - k;
        else if (name == "all equal")
            x = 7;
        else if (name == "organ pipe")
            x = k < n / 2 ? k : n - k;
        else if (name == "sawtooth")
            x = k % 1000;
        else if (name == "many duplicates")
            x = static_cast<double>(random() % 16);
        else
            x = static_cast<double>(random());
    }
    return xs;
}

} // namespace

class TestQuickSort : public QObject {
    Q_OBJECT

private slots:
    void middleIndexRoundsHalvesToEven_data();
    void middleIndexRoundsHalvesToEven();
    void ordersEqualKeysAsThePartitionDoes_data();
    void ordersEqualKeysAsThePartitionDoes();
    void matchesThePlainRecursiveOrder_data();
    void matchesThePlainRecursiveOrder();
    void ordersAFullArray_data();
    void ordersAFullArray();
    void refusesIndicesOutsideTheArray();
    void leavesEmptyRangesAlone();
};

void TestQuickSort::middleIndexRoundsHalvesToEven_data()
{
    QTest::addColumn<int>("lo");
    QTest::addColumn<int>("hi");
    QTest::addColumn<int>("middle");
    QTest::newRow("1,2") << 1 << 2 << 2;
    QTest::newRow("2,3") << 2 << 3 << 2;
    QTest::newRow("1,4") << 1 << 4 << 2;
    QTest::newRow("3,4") << 3 << 4 << 4;
    QTest::newRow("1,5") << 1 << 5 << 3;
    QTest::newRow("1,1000000") << 1 << 1000000 << 500000;
    QTest::newRow("1,0") << 1 << 0 << 0;
    QTest::newRow("1,-2") << 1 << -2 << 0;
    QTest::newRow("1,-4") << 1 << -4 << -2;
}

void TestQuickSort::middleIndexRoundsHalvesToEven()
{
    QFETCH(int, lo);
    QFETCH(int, hi);
    QFETCH(int, middle);
    QCOMPARE(MiddleIndex(lo, hi), middle);
}

void TestQuickSort::ordersEqualKeysAsThePartitionDoes_data()
{
    QTest::addColumn<std::vector<double>>("xs");
    QTest::addColumn<std::vector<int>>("order"); // original positions, after ordering
    QTest::newRow("two pairs around a single") << std::vector<double>{2, 0, 1, 0, 2} << std::vector<int>{2, 4, 3, 5, 1};
    QTest::newRow("one record") << std::vector<double>{4} << std::vector<int>{1};
    QTest::newRow("two descending") << std::vector<double>{2, 1} << std::vector<int>{2, 1};
    QTest::newRow("two equal") << std::vector<double>{3, 3} << std::vector<int>{2, 1};
    QTest::newRow("three equal") << std::vector<double>{3, 3, 3} << std::vector<int>{3, 2, 1};
    QTest::newRow("four equal") << std::vector<double>{3, 3, 3, 3} << std::vector<int>{3, 4, 1, 2};
    QTest::newRow("distinct ascending") << std::vector<double>{-1, 0, 2, 9} << std::vector<int>{1, 2, 3, 4};
}

void TestQuickSort::ordersEqualKeysAsThePartitionDoes()
{
    QFETCH(std::vector<double>, xs);
    QFETCH(std::vector<int>, order);
    PointArray pts;
    Fill(pts, xs);
    QuickSort(pts, 1, static_cast<std::int32_t>(xs.size()));
    QCOMPARE(OriginalPositions(pts, static_cast<int>(xs.size())), order);
}

void TestQuickSort::matchesThePlainRecursiveOrder_data()
{
    constexpr int never = std::numeric_limits<int>::max();
    QTest::addColumn<int>("partitions"); // before a range counts as deep
    QTest::addColumn<int>("lopsidedInARow");
    QTest::newRow("walking scans only") << never << never;
    QTest::newRow("deep throughout") << 0 << never;
    QTest::newRow("switching midway") << 3 << never;
    QTest::newRow("deep after one lopsided partition") << never << 1;
}

// Many small ranges heavy with duplicates, and organ pipes that drive the partition deep:
// the depth bound, insertion of short distinct runs, the exchanges made ahead and the indexed
// scans must not move a single record elsewhere.
void TestQuickSort::matchesThePlainRecursiveOrder()
{
    QFETCH(int, partitions);
    QFETCH(int, lopsidedInARow);
    std::mt19937 random(2024);
    PointArray pts;
    for (int round = 0; round < 600; ++round) {
        // Some ranges long enough for several blocks of exchanges made ahead.
        const int n = 1 + static_cast<int>(random() % (round % 25 == 1 ? 3000 : 300));
        std::vector<double> xs;
        if (round % 10 == 0) {
            xs = Pattern("organ pipe", n);
        } else {
            const auto distinct = 1 + random() % 12;
            for (int k = 0; k < n; ++k)
                xs.push_back(static_cast<double>(random() % distinct));
        }
        Fill(pts, xs);
        std::vector<PointD> plain(1, PointD{});
        for (int k = 1; k <= n; ++k)
            plain.push_back(pts(k));
        PlainQuickSort(plain, 1, n);
        detail::QuickSortDeepAfter(pts, 1, n, {partitions, lopsidedInARow});
        for (int k = 1; k <= n; ++k)
            QCOMPARE(pts(k).Y, plain[static_cast<std::size_t>(k)].Y);
    }
}

void TestQuickSort::ordersAFullArray_data()
{
    QTest::addColumn<QByteArray>("pattern");
    for (const char* name : {"ascending", "descending", "all equal", "organ pipe", "sawtooth",
                             "many duplicates", "random"})
        QTest::newRow(name) << QByteArray(name);
}

// The largest data set on inputs that drive a middle-pivot partition deep: it must come out
// ordered and a permutation of the input, without overflowing the stack, and the same on two
// cores, and over a plain run of records, as on one.
void TestQuickSort::ordersAFullArray()
{
    QFETCH(QByteArray, pattern);
    const std::vector<double> xs = Pattern(pattern, MaxPoints);
    PointArray pts;
    Fill(pts, xs);
    QuickSort(pts, 1, MaxPoints);
    auto onTwoCores = std::make_unique<PointArray>();
    Fill(*onTwoCores, xs);
    QuickSortOnTwoCores(*onTwoCores, 1, MaxPoints);
    QVERIFY(std::memcmp(&pts(1), &(*onTwoCores)(1), sizeof(PointD) * MaxPoints) == 0);
    Fill(*onTwoCores, xs);
    QuickSort(std::span<PointD>(&(*onTwoCores)(1), MaxPoints));
    QVERIFY(std::memcmp(&pts(1), &(*onTwoCores)(1), sizeof(PointD) * MaxPoints) == 0);

    std::vector<bool> seen(static_cast<std::size_t>(MaxPoints) + 1, false);
    for (int k = 1; k <= MaxPoints; ++k) {
        const auto origin = static_cast<std::size_t>(pts(k).Y);
        QVERIFY(origin >= 1 && origin <= static_cast<std::size_t>(MaxPoints) && !seen[origin]);
        seen[origin] = true;
        QCOMPARE(pts(k).X, xs[origin - 1]);
        if (k > 1)
            QVERIFY(pts(k - 1).X <= pts(k).X);
    }
}

void TestQuickSort::refusesIndicesOutsideTheArray()
{
    PointArray pts;
    QVERIFY_THROWS_EXCEPTION(SubscriptOutOfRange, QuickSort(pts, 0, 0));
    QVERIFY_THROWS_EXCEPTION(SubscriptOutOfRange, QuickSort(pts, MaxPoints, MaxPoints + 1));
    QVERIFY_THROWS_EXCEPTION(SubscriptOutOfRange, pts(0));
    QVERIFY_THROWS_EXCEPTION(SubscriptOutOfRange, pts(MaxPoints + 1));
}

void TestQuickSort::leavesEmptyRangesAlone()
{
    PointArray pts;
    Fill(pts, {3, 2, 1});
    QuickSort(pts, 3, 1);
    QCOMPARE(OriginalPositions(pts, 3), (std::vector<int>{1, 2, 3}));
}

QTEST_APPLESS_MAIN(TestQuickSort)
#include "tst_quicksort.moc"
