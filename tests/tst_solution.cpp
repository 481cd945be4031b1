#include "scene/quicksort.h"
#include "solve/solveprofile.h"
#include "solve/verdict.h"

#include <QtTest>

#include <gmpxx.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <random>

Q_DECLARE_METATYPE(std::vector<PointD>)
Q_DECLARE_METATYPE(ProfileAnswer)

namespace {

using Wide = long double;

std::vector<PointD> Profile(std::initializer_list<double> coordinates)
{
    std::vector<PointD> vertices;
    for (auto at = coordinates.begin(); at != coordinates.end(); at += 2)
        vertices.push_back({ at[0], at[1] });
    return vertices;
}

// The profile ordered by X as the viewer orders it.
std::vector<PointD> SortedProfile(std::initializer_list<double> coordinates)
{
    std::vector<PointD> vertices = Profile(coordinates);
    QuickSort(vertices);
    return vertices;
}

QString Describe(const std::vector<PointD>& vertices)
{
    QStringList pairs;
    for (const PointD& vertex : vertices)
        pairs << QString::number(vertex.X, 'g', 17) + " " + QString::number(vertex.Y, 'g', 17);
    return pairs.join(", ");
}

// The definition taken literally, quadratic and slow: V as the largest of all segment lines,
// T from the polyline, both evaluated at every x where V - T can change slope.
class BruteForce {
public:
    explicit BruteForce(std::vector<PointD> vertices)
        : m_profile(std::move(vertices))
    {
        QuickSort(m_profile);
        for (std::size_t k = 1; k < m_profile.size(); ++k) {
            if (m_profile[k - 1].X != m_profile[k].X)
                m_segments.push_back({ m_profile[k - 1], m_profile[k] });
        }
        for (const PointD& vertex : m_profile)
            m_candidates.push_back(vertex.X);
        for (std::size_t i = 0; i < m_segments.size(); ++i) {
            for (std::size_t j = i + 1; j < m_segments.size(); ++j) {
                const Wide slopeI = Slope(m_segments[i]);
                const Wide slopeJ = Slope(m_segments[j]);
                if (slopeI == slopeJ)
                    continue;
                const Wide x
                    = (LineAt(m_segments[j], 0) - LineAt(m_segments[i], 0)) / (slopeI - slopeJ);
                if (x > First() && x < Last())
                    m_candidates.push_back(static_cast<double>(x));
            }
        }
        std::sort(m_candidates.begin(), m_candidates.end());
    }

    double First() const { return m_profile.front().X; }
    double Last() const { return m_profile.back().X; }

    Wide V(Wide x) const
    {
        if (m_segments.empty()) {
            return std::max_element(m_profile.begin(), m_profile.end(),
                [](const PointD& a, const PointD& b) { return a.Y < b.Y; })
                ->Y;
        }
        Wide highest = -std::numeric_limits<Wide>::infinity();
        for (const Segment& segment : m_segments)
            highest = std::max(highest, LineAt(segment, x));
        return highest;
    }

    Wide T(Wide x) const
    {
        Wide highest = -std::numeric_limits<Wide>::infinity();
        for (const PointD& vertex : m_profile) {
            if (vertex.X == x)
                highest = std::max<Wide>(highest, vertex.Y);
        }
        if (highest > -std::numeric_limits<Wide>::infinity())
            return highest;
        for (const Segment& segment : m_segments) {
            if (segment.Left.X < x && x < segment.Right.X)
                return LineAt(segment, x);
        }
        return highest;
    }

    // Empty when `x` is, within rounding, the smallest x of the range where `objective` is
    // least; else what is wrong with it.
    QString CheckLeast(double x, const std::function<Wide(Wide)>& objective) const
    {
        if (!(x >= First() && x <= Last()))
            return QString("x %1 lies outside the profile").arg(x, 0, 'g', 17);
        Wide least = std::numeric_limits<Wide>::infinity();
        for (const double candidate : m_candidates)
            least = std::min(least, objective(candidate));
        // What rounding the heights to their last digits, or x to a double, can change.
        Wide heights = 1 + std::fabs(least);
        for (const PointD& vertex : m_profile)
            heights = std::max<Wide>(heights, std::fabs(vertex.Y));
        Wide steepest = 0;
        for (const Segment& segment : m_segments)
            steepest = std::max(steepest, std::fabs(Slope(segment)));
        const Wide tolerance = 1e-12 * heights
            + 64 * std::numeric_limits<double>::epsilon() * steepest
                * std::max(std::fabs(First()), std::fabs(Last()));
        const Wide found = objective(x);
        if (found > least + tolerance)
            return QString("x %1 gives %2, but the least is %3")
                .arg(x, 0, 'g', 17)
                .arg(double(found))
                .arg(double(least));
        const double xTolerance = 1e-9 * (1 + Last() - First());
        for (const double candidate : m_candidates) {
            if (candidate < x - xTolerance && objective(candidate) <= least + tolerance)
                return QString("x %1 is least too, and smaller than %2")
                    .arg(candidate, 0, 'g', 17)
                    .arg(x, 0, 'g', 17);
        }
        return {};
    }

private:
    struct Segment {
        PointD Left;
        PointD Right;
    };

    static Wide Slope(const Segment& segment)
    {
        return (Wide(segment.Right.Y) - segment.Left.Y) / (Wide(segment.Right.X) - segment.Left.X);
    }
    static Wide LineAt(const Segment& segment, Wide x)
    {
        return segment.Left.Y + Slope(segment) * (x - segment.Left.X);
    }

    std::vector<PointD> m_profile;
    std::vector<Segment> m_segments;
    std::vector<double> m_candidates;
};

QString CheckAgainstBruteForce(const std::vector<PointD>& vertices)
{
    const ProfileAnswer answer = SolveProfile(vertices);
    const BruteForce brute(vertices);
    const auto V = [&](Wide x) { return brute.V(x); };
    if (const QString problem
        = brute.CheckLeast(answer.Tower.X, [&](Wide x) { return V(x) - brute.T(x); });
        !problem.isEmpty())
        return "tower: " + problem;
    if (const QString problem = brute.CheckLeast(answer.Island.X, V); !problem.isEmpty())
        return "island: " + problem;
    for (const PointD& top : { answer.Tower, answer.Island }) {
        const Wide expected = V(top.X);
        if (std::fabs(top.Y - expected) > 1e-9 * (1 + std::fabs(expected)))
            return QString("V(%1) is %2, not %3")
                .arg(top.X)
                .arg(double(expected), 0, 'g', 17)
                .arg(top.Y, 0, 'g', 17);
    }
    return {};
}

// The optimum taken literally in rationals: V as the largest of all segment lines, T from
// the polyline, both at every vertex X and every crossing of two lines within the range.
class ExactOptimum {
public:
    explicit ExactOptimum(std::vector<PointD> vertices)
        : m_profile(std::move(vertices))
    {
        QuickSort(m_profile);
        for (std::size_t k = 1; k < m_profile.size(); ++k) {
            if (m_profile[k - 1].X != m_profile[k].X)
                m_lines.push_back(LineThrough(m_profile[k - 1], m_profile[k]));
        }
        const mpq_class first = m_profile.front().X;
        const mpq_class last = m_profile.back().X;
        std::vector<mpq_class> candidates;
        for (const PointD& vertex : m_profile)
            candidates.push_back(vertex.X);
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            for (std::size_t j = i + 1; j < m_lines.size(); ++j) {
                if (m_lines[i].Slope == m_lines[j].Slope)
                    continue;
                const mpq_class x = (m_lines[j].Offset - m_lines[i].Offset)
                    / (m_lines[i].Slope - m_lines[j].Slope);
                if (x > first && x < last)
                    candidates.push_back(x);
            }
        }
        std::sort(candidates.begin(), candidates.end());
        TowerX = IslandX = candidates.front();
        for (const mpq_class& x : candidates) {
            if (V(x) - T(x) < V(TowerX) - T(TowerX))
                TowerX = x;
            if (V(x) < V(IslandX))
                IslandX = x;
        }
    }

    mpq_class V(const mpq_class& x) const
    {
        mpq_class highest = m_profile.front().Y;
        for (const PointD& vertex : m_profile)
            highest = std::max(highest, mpq_class(vertex.Y));
        for (std::size_t k = 0; k < m_lines.size(); ++k) {
            const mpq_class y = m_lines[k].Slope * x + m_lines[k].Offset;
            if (k == 0 || y > highest)
                highest = y;
        }
        return highest;
    }

    mpq_class T(const mpq_class& x) const
    {
        std::optional<mpq_class> highest;
        for (const PointD& vertex : m_profile) {
            if (vertex.X == x && (!highest || vertex.Y > *highest))
                highest = vertex.Y;
        }
        for (std::size_t k = 1; !highest && k < m_profile.size(); ++k) {
            if (m_profile[k - 1].X < x && x < m_profile[k].X) {
                const Line line = LineThrough(m_profile[k - 1], m_profile[k]);
                highest = line.Slope * x + line.Offset;
            }
        }
        return *highest;
    }

    mpq_class TowerX;
    mpq_class IslandX;

private:
    struct Line {
        mpq_class Slope;
        mpq_class Offset;
    };
    static Line LineThrough(const PointD& left, const PointD& right)
    {
        const mpq_class slope
            = (mpq_class(right.Y) - left.Y) / (mpq_class(right.X) - mpq_class(left.X));
        return { slope, left.Y - slope * left.X };
    }

    std::vector<PointD> m_profile;
    std::vector<Line> m_lines;
};

// Empty when `point` is the double nearest `exactX`, or the other one beside it where
// `objective` is less, and the smallest double at or above V there; else what is wrong.
QString CheckExactly(const char* name, PointD point, const mpq_class& exactX,
    const std::function<mpq_class(double)>& objective, const ExactOptimum& exact)
{
    const double infinity = std::numeric_limits<double>::infinity();
    // The two doubles around exactX: get_d rounds toward zero.
    const double toward = exactX.get_d();
    const double away
        = toward == exactX ? toward : std::nextafter(toward, exactX > 0 ? infinity : -infinity);
    const double other = point.X == toward ? away : toward;
    const bool around = point.X == toward || point.X == away;
    if (!around
        || (abs(point.X - exactX) > abs(other - exactX)
            && !(objective(point.X) < objective(other))))
        return QString("%1 x %2 is not the double nearest %3")
            .arg(name)
            .arg(point.X, 0, 'g', 17)
            .arg(exactX.get_d(), 0, 'g', 17);
    const mpq_class top = exact.V(point.X);
    if (point.Y < top || mpq_class(std::nextafter(point.Y, -infinity)) >= top)
        return QString("%1 y %2 is not the smallest double at or above %3")
            .arg(name)
            .arg(point.Y, 0, 'g', 17)
            .arg(top.get_d(), 0, 'g', 17);
    return {};
}

} // namespace

class TestSolution : public QObject {
    Q_OBJECT

private slots:
    void solvesKnownProfiles_data();
    void solvesKnownProfiles();
    void agreesWithBruteForce_data();
    void agreesWithBruteForce();
    void solvesALargeShuffledValley();
    void staysFiniteOverTheWholeRangeOfDoubles();
    void refusesProfilesWithoutAnswer();
    void givesTheExactOptimum_data();
    void givesTheExactOptimum();
    void judgesAnswers_data();
    void judgesAnswers();
};

void TestSolution::solvesKnownProfiles_data()
{
    QTest::addColumn<std::vector<PointD>>("vertices");
    QTest::addColumn<QPointF>("tower");
    QTest::addColumn<QPointF>("island");
    QTest::newRow("one peak") << Profile({ 0, 0, 1, 1, 2, 0 }) << QPointF(1, 1) << QPointF(1, 1);
    QTest::newRow("valley: the tower needs no height anywhere, leftmost wins")
        << Profile({ 0, 1, 1, 0, 2, 1 }) << QPointF(0, 1) << QPointF(1, 0);
    QTest::newRow("two peaks: equal need over [1, 3], leftmost wins")
        << Profile({ 0, 0, 1, 10, 2, 0, 3, 10, 4, 0 }) << QPointF(1, 30) << QPointF(2, 20);
    QTest::newRow("flat: leftmost wins")
        << Profile({ 0, 5, 3, 5 }) << QPointF(0, 5) << QPointF(0, 5);
    QTest::newRow("one vertex") << Profile({ 2, 3 }) << QPointF(2, 3) << QPointF(2, 3);
    QTest::newRow("all at one x: the highest")
        << Profile({ 1, 0, 1, 4, 1, 2 }) << QPointF(1, 4) << QPointF(1, 4);
    QTest::newRow("unsorted, negative")
        << Profile({ -1, -2, -3, -2, -2, -1 }) << QPointF(-2, -1) << QPointF(-2, -1);
    // Equal x come in the viewer's order, QuickSort's, not the file's: here it puts (1, 4)
    // first, so the polyline reaches 4 and drops back to 0 at x = 1 ...
    QTest::newRow("step down: (1, 4) ordered first")
        << Profile({ 2, 4, 1, 0, 0, 0, 1, 4 }) << QPointF(0, 0) << QPointF(0, 0);
    // ... and here (1, 0), so the step climbs from 0 to 4.
    QTest::newRow("step up: (1, 0) ordered first")
        << Profile({ 2, 4, 1, 4, 0, 0, 1, 0 }) << QPointF(1, 4) << QPointF(0, 4);
    QTest::newRow("spike: no line, the tower's top lies inside it")
        << Profile({ 0, 0, 1, 0, 1, 5, 1, 0, 2, 0 }) << QPointF(1, 0) << QPointF(0, 0);
    QTest::newRow("huge coordinates")
        << Profile({ -1e308, 0, 0, 1e308, 1e308, 0 }) << QPointF(0, 1e308) << QPointF(0, 1e308);
    QTest::newRow("nearly vertical segment")
        << Profile({ 0, 0, 1e-300, 1, 1, 1 }) << QPointF(1e-300, 1) << QPointF(0, 1);
}

void TestSolution::solvesKnownProfiles()
{
    QFETCH(std::vector<PointD>, vertices);
    QFETCH(QPointF, tower);
    QFETCH(QPointF, island);
    const ProfileAnswer answer = SolveProfile(vertices);
    QCOMPARE(QPointF(answer.Tower.X, answer.Tower.Y), tower);
    QCOMPARE(QPointF(answer.Island.X, answer.Island.Y), island);
}

void TestSolution::agreesWithBruteForce_data()
{
    QTest::addColumn<int>("profiles");
    QTest::addColumn<int>("maxCount");
    QTest::addColumn<int>("xRange");
    QTest::addColumn<int>("yRange");
    QTest::addColumn<bool>("fractional");
    // Small whole numbers give exact ties, duplicates, parallel segments and vertical steps.
    QTest::newRow("small whole numbers") << 3000 << 8 << 5 << 5 << false;
    QTest::newRow("few x: vertical steps and duplicates") << 2000 << 10 << 2 << 6 << false;
    QTest::newRow("all at one x") << 200 << 6 << 0 << 9 << false;
    QTest::newRow("fractions") << 1000 << 12 << 100 << 100 << true;
    QTest::newRow("steep and wide") << 1000 << 10 << 1000000 << 3 << false;
    QTest::newRow("longer profiles") << 30 << 150 << 50 << 50 << true;
}

void TestSolution::agreesWithBruteForce()
{
    QFETCH(int, profiles);
    QFETCH(int, maxCount);
    QFETCH(int, xRange);
    QFETCH(int, yRange);
    QFETCH(bool, fractional);
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> count(1, maxCount);
    const auto coordinate = [&](int range) {
        if (fractional)
            return std::uniform_real_distribution<double>(-range, range)(random);
        return double(std::uniform_int_distribution<int>(-range, range)(random));
    };
    for (int p = 0; p < profiles; ++p) {
        std::vector<PointD> vertices(static_cast<std::size_t>(count(random)));
        for (PointD& vertex : vertices) {
            vertex.X = coordinate(xRange);
            vertex.Y = coordinate(yRange);
        }
        const QString problem = CheckAgainstBruteForce(vertices);
        QVERIFY2(problem.isEmpty(), qPrintable(problem + " for " + Describe(vertices)));
    }
}

void TestSolution::solvesALargeShuffledValley()
{
    // On a convex profile every segment line lies under the profile elsewhere, so V = T:
    // the tower needs no height anywhere and stands leftmost, the island floats over the
    // lowest vertex. Large enough for the solver's ordering of large inputs.
    std::vector<PointD> vertices;
    for (int x = -100000; x < 100000; ++x)
        vertices.push_back({ double(x), (x - 1234.3) * (x - 1234.3) / 1000 });
    std::shuffle(vertices.begin(), vertices.end(), std::mt19937(3));
    const ProfileAnswer answer = SolveProfile(vertices);
    QCOMPARE(answer.Tower.X, -100000.0);
    QCOMPARE(answer.Tower.Y, (-100000 - 1234.3) * (-100000 - 1234.3) / 1000);
    QCOMPARE(answer.Island.X, 1234.0);
    QCOMPARE(answer.Island.Y, 0.3 * 0.3 / 1000);
}

void TestSolution::staysFiniteOverTheWholeRangeOfDoubles()
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> count(1, 8);
    std::uniform_int_distribution<int> exponent(-1074, 1023);
    std::uniform_real_distribution<double> mantissa(-2, 2);
    const auto coordinate = [&] { return std::ldexp(mantissa(random), exponent(random)); };
    for (int p = 0; p < 5000; ++p) {
        std::vector<PointD> vertices(static_cast<std::size_t>(count(random)));
        for (PointD& vertex : vertices)
            vertex = { coordinate(), coordinate() };
        const auto [first, last] = std::minmax_element(vertices.begin(), vertices.end(),
            [](const PointD& a, const PointD& b) { return a.X < b.X; });
        try {
            const ProfileAnswer answer = SolveProfile(vertices);
            for (const PointD& top : { answer.Tower, answer.Island }) {
                QVERIFY2(top.X >= first->X && top.X <= last->X && std::isfinite(top.Y),
                    qPrintable(Describe(vertices)));
            }
        } catch (const std::range_error&) {
            // Slopes of 1e600 do happen here; a refusal is an answer too.
        }
    }
}

void TestSolution::refusesProfilesWithoutAnswer()
{
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, SolveProfile({}));
    QVERIFY_THROWS_EXCEPTION(
        std::invalid_argument, SolveProfile(Profile({ 0, 0, std::nan(""), 1 })));
    // Climbing 1e300 within 1e-10 and falling again 2e10 further on: the least V is about
    // 2e310, beyond any double.
    QVERIFY_THROWS_EXCEPTION(
        std::range_error, SolveProfile(Profile({ 0, 0, 1e-10, 1e300, 2e10, 1e300, 2e10 + 1, 0 })));
}

void TestSolution::givesTheExactOptimum_data()
{
    QTest::addColumn<int>("profiles");
    QTest::addColumn<std::function<std::vector<PointD>(std::mt19937&)>>("generate");
    using Generator = std::function<std::vector<PointD>(std::mt19937&)>;
    const auto upTo = [](std::mt19937& random, double range) {
        return double(std::uniform_int_distribution<std::int64_t>(
            -std::int64_t(range), std::int64_t(range))(random));
    };
    const auto fixed = [](std::vector<PointD> vertices) {
        return Generator([=](std::mt19937&) { return vertices; });
    };
    // A slope 2e-10 wide, steep but not on top at the optimum, next to moderate ones.
    QTest::newRow("steep slope beside the tower")
        << 1
        << fixed(Profile({ -300000, -80000, 0.0242023536, 400000, 0.0242023538, -500000, 800000,
               200000, 900000, -500000 }));
    // The island on a vertex where a steep slope meets a gentle one.
    QTest::newRow("island at the foot of a steep slope")
        << 1 << fixed(Profile({ -1000000, 0, 1e-7, -1e6, 2e-7, 0 }));
    // Two lines that cross far from the vertices that give them.
    QTest::newRow("island where far lines cross")
        << 1
        << fixed(Profile({ -90000000, 820000, -20000000, 800000, -0.2246553985, -400000,
               -0.22465539846, 700000, -0.2, 600000 }));
    // A contest's whole numbers: up to 1e9, some neighbours one unit apart.
    QTest::newRow("whole numbers up to 1e9") << 400 << Generator([=](std::mt19937& random) {
        std::vector<PointD> vertices(std::uniform_int_distribution<std::size_t>(2, 7)(random));
        double x = upTo(random, 1e9);
        for (PointD& vertex : vertices) {
            x += std::uniform_int_distribution<int>(0, 1)(random) ? 1
                                                                  : std::fabs(upTo(random, 1e9));
            vertex = { x, upTo(random, 1e9) };
        }
        return vertices;
    });
    // Rugged and longer, so that most lines and vertices are ruled out by bounds alone.
    QTest::newRow("random walk") << 20 << Generator([=](std::mt19937& random) {
        std::vector<PointD> vertices(30);
        double y = 0;
        for (PointD& vertex : vertices)
            vertex = { std::uniform_real_distribution<double>(0, 1000)(random),
                y += std::normal_distribution<double>(0, 10)(random) };
        return vertices;
    });
    // Nearly collinear: lines that differ in their last digits.
    QTest::newRow("nearly parallel") << 400 << Generator([=](std::mt19937& random) {
        std::vector<PointD> vertices(std::uniform_int_distribution<std::size_t>(2, 7)(random));
        for (PointD& vertex : vertices) {
            vertex.X = upTo(random, 1e9);
            vertex.Y = 3 * vertex.X + upTo(random, 1);
        }
        return vertices;
    });
    // Pairs of vertices 1e-10 apart far from 0, whose lines are nearly vertical.
    QTest::newRow("nearly vertical") << 400 << Generator([=](std::mt19937& random) {
        std::vector<PointD> vertices;
        const std::size_t pairs = std::uniform_int_distribution<std::size_t>(1, 3)(random);
        for (std::size_t k = 0; k < pairs; ++k) {
            const double x = upTo(random, 1e6) / 64;
            vertices.push_back({ x, upTo(random, 1e6) });
            vertices.push_back({ x + 1e-10 * std::uniform_int_distribution<int>(1, 3)(random),
                upTo(random, 1e6) });
        }
        vertices.push_back({ upTo(random, 1e6), upTo(random, 1e6) });
        return vertices;
    });
}

void TestSolution::givesTheExactOptimum()
{
    QFETCH(int, profiles);
    QFETCH(std::function<std::vector<PointD>(std::mt19937&)>, generate);
    std::mt19937 random(20261207);
    for (int p = 0; p < profiles; ++p) {
        const std::vector<PointD> vertices = generate(random);
        const ProfileAnswer answer = SolveProfile(vertices);
        const ExactOptimum exact(vertices);
        QString problem = CheckExactly(
            "tower", answer.Tower, exact.TowerX,
            [&](double x) { return mpq_class(exact.V(x) - exact.T(x)); }, exact);
        if (problem.isEmpty()) {
            problem = CheckExactly(
                "island", answer.Island, exact.IslandX, [&](double x) { return exact.V(x); },
                exact);
        }
        // The reference passes its own judgement, with no tolerance to spare.
        std::vector<PointD> sorted = vertices;
        QuickSort(sorted);
        if (problem.isEmpty() && !CheckAnswer(ProfileSolution(sorted), answer, 0).Ok())
            problem = "the answer fails its own verdict";
        QVERIFY2(problem.isEmpty(), qPrintable(problem + " for " + Describe(vertices)));
    }
}

namespace {

// 17 significant digits, enough to tell doubles apart; values beyond every double too.
QString Digits(Wide value)
{
    char text[48];
    const auto end
        = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 17).ptr;
    return QString::fromLatin1(text, end - text);
}

QString Describe(const PlacementVerdict& verdict)
{
    const auto point = [](PointD at) { return "(" + Digits(at.X) + "," + Digits(at.Y) + ")"; };
    switch (verdict.Kind) {
    case PlacementKind::Ok:
        return "ok " + Digits(verdict.Height) + " of " + Digits(verdict.BestHeight);
    case PlacementKind::NotFinite:
        return "not finite";
    case PlacementKind::OutsideRange:
        return "outside " + Digits(verdict.First) + ".." + Digits(verdict.Last);
    case PlacementKind::MissesSlope:
        return "misses " + point(verdict.Slope.From) + "-" + point(verdict.Slope.To) + ", needs "
            + Digits(verdict.Needed);
    case PlacementKind::HigherThanNeeded:
        return "higher " + Digits(verdict.Height) + " than " + Digits(verdict.BestHeight) + " at "
            + point(verdict.Best);
    }
    return {};
}

} // namespace

void TestSolution::judgesAnswers_data()
{
    QTest::addColumn<std::vector<PointD>>("profile");
    QTest::addColumn<ProfileAnswer>("answer");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<QString>("tower");
    QTest::addColumn<QString>("island");
    // On this profile V is 15 - 4x up to x = 2.5, then 2x; V - T is 3 over [2.5, 3]; V(2.5) is
    // 5, whose unit in the last place is 2^-50.
    const std::vector<PointD> valley = Profile({ 0, 0, 1, 2, 2, 1, 3, 3, 4, -1 });
    const auto row = [&valley](const char* name, PointD tower, PointD island, double tolerance,
                         const std::vector<PointD>& profile = {}) -> QTestData& {
        return QTest::newRow(name) << (profile.empty() ? valley : profile)
                                   << ProfileAnswer { tower, island } << tolerance;
    };
    const double unit = 0x1p-50;
    row("the reference", { 2.5, 5 }, { 2.5, 5 }, 1e-6) << "ok 3 of 3"
                                                       << "ok 5 of 5";
    row("tower elsewhere on the level stretch, island within the default tolerance", { 3, 6 },
        { 2.5, 5.000005 }, 1e-6)
        << "ok 3 of 3"
        << "ok 5.0000049999999998 of 5";
    row("tower below a slope, island higher than needed", { 3, 5.5 }, { 2.5, 5.00001 }, 1e-6)
        << "misses (0,0)-(1,2), needs 6"
        << "higher 5.0000099999999996 than 5 at (2.5,5)";
    row("tower higher than needed, island below the envelope", { 1, 11.5 }, { 2, 6 }, 1e-6)
        << "higher 9.5 than 3 at (2.5,5)"
        << "misses (3,3)-(4,-1), needs 7";
    row("outside the range, not a number", { -1, 20 }, { std::nan(""), 5 }, 1e-6) << "outside 0..4"
                                                                                  << "not finite";
    // A tolerance of 1/16 makes the bounds exact doubles: the tower may stray by 3/16, the
    // island by 5/16, each plus four units of V there.
    row("higher by exactly the allowance", { 2.5, 5.1875 + 4 * unit }, { 2.5, 5.3125 + 4 * unit },
        0.0625)
        << "ok 3.1875000000000036 of 3"
        << "ok 5.3125000000000036 of 5";
    row("higher by a unit more", { 2.5, 5.1875 + 5 * unit }, { 2.5, 5.3125 + 5 * unit }, 0.0625)
        << "higher 3.1875000000000044 than 3 at (2.5,5)"
        << "higher 5.3125000000000044 than 5 at (2.5,5)";
    row("below V by exactly the allowance", { 2.5, 4.8125 - 4 * unit },
        { 2.5, 4.6875 - 4 * unit }, 0.0625)
        << "ok 2.8124999999999964 of 3"
        << "ok 4.6874999999999964 of 5";
    row("below by a unit more", { 2.5, 4.8125 - 5 * unit }, { 2.5, 4.6875 - 5 * unit }, 0.0625)
        << "misses (3,3)-(4,-1), needs 5"
        << "misses (3,3)-(4,-1), needs 5";

    // Level ground at 1e9, where a unit is 2^-23 and a tolerance of 2^-20 is eight units: the
    // least height is 0, so the tower may stray by twelve units, not by a millionth of its
    // y; the island, whose least altitude is 1e9, by about 954.
    const std::vector<PointD> plateau = Profile({ 0, 1e9, 10, 1e9 });
    const double plateauUnit = 0x1p-23;
    row("on a plateau, a tower 999 below the ground, an island 1001 too high", { 5, 999999001 },
        { 5, 1e9 + 1001 }, 1e-6, plateau)
        << "misses (0,1000000000)-(10,1000000000), needs 1000000000"
        << "higher 1000001001 than 1000000000 at (0,1000000000)";
    row("on a plateau, a tower below by the allowance, an island 900 too high",
        { 5, 1e9 - 12 * plateauUnit }, { 5, 1e9 + 900 }, 0x1p-20, plateau)
        << "ok -1.430511474609375e-06 of 0"
        << "ok 1000000900 of 1000000000";
    row("on a plateau, a tower below by a unit more", { 5, 1e9 - 13 * plateauUnit }, { 5, 1e9 },
        0x1p-20, plateau)
        << "misses (0,1000000000)-(10,1000000000), needs 1000000000"
        << "ok 1000000000 of 1000000000";
    row("on a plateau, a tower above by the allowance", { 5, 1e9 + 12 * plateauUnit }, { 0, 1e9 },
        0x1p-20, plateau)
        << "ok 1.430511474609375e-06 of 0"
        << "ok 1000000000 of 1000000000";
    row("on a plateau, a tower above by a unit more", { 5, 1e9 + 13 * plateauUnit }, { 0, 1e9 },
        0x1p-20, plateau)
        << "higher 1.5497207641601562e-06 than 0 at (0,1000000000)"
        << "ok 1000000000 of 1000000000";

    // V beyond every double: at x 1e9 the line through (0,0) and (1,1e300) stands near 1e309,
    // so no finite y there sees that slope, whatever the tolerance.
    const std::vector<PointD> cliff = Profile({ 0, 0, 1, 1e300, 1e9, 1e300 });
    for (const double tolerance : { 1e-6, 0.0 }) {
        row(tolerance > 0 ? "V beyond every double" : "V beyond every double, no tolerance",
            { 1e9, 0 }, { 1e9, -1e300 }, tolerance, cliff)
            << "misses (0,0)-(1,1.0000000000000001e+300), needs 1.0000000000000001e+309"
            << "misses (0,0)-(1,1.0000000000000001e+300), needs 1.0000000000000001e+309";
    }
    // Vertices 3e308 apart: that slope is -3.3e-18, not the 0 its run beyond every double
    // would make of it in doubles, so its line stands near 6.7e289 over the first vertex.
    const std::vector<PointD> wide = Profile({ -1.5e308, -340, -1.3e308, -956, 1.7e308, -1e291 });
    row("a run beyond every double", { -1.5e308, -340 }, { -1.5e308, -340 }, 1e-6, wide)
        << "misses (-1.3000000000000001e+308,-956)-(1.6999999999999999e+308,"
           "-9.9999999999999996e+290), needs 6.6666666666666637e+289"
        << "misses (-1.3000000000000001e+308,-956)-(1.6999999999999999e+308,"
           "-9.9999999999999996e+290), needs 6.6666666666666637e+289";
    // Heights beyond every double: the least is about 2.15e308, the tower's 20.8 % more.
    const std::vector<PointD> chasm
        = SortedProfile({ 1, -1.5e308, 5, -0.0, 6, -1.7e308, 3, 5e307, 5, -1.5e308 });
    for (const double tolerance : { 1e-6, 0.0 }) {
        row(tolerance > 0 ? "heights beyond every double"
                          : "heights beyond every double, no tolerance",
            { 4.2976, 1.7976000000000003e+308 }, { 4.0740740740740744, 1.5740740740740746e+308 },
            tolerance, chasm)
            << "higher 2.5952000000000004e+308 than 2.1481481481481485e+308 at "
               "(4.0740740740740735,1.574074074074075e+308)"
            << "ok 1.5740740740740746e+308 of 1.5740740740740744e+308";
    }
}

void TestSolution::judgesAnswers()
{
    QFETCH(std::vector<PointD>, profile);
    QFETCH(ProfileAnswer, answer);
    QFETCH(double, tolerance);
    QFETCH(QString, tower);
    QFETCH(QString, island);
    const AnswerVerdict verdict = CheckAnswer(ProfileSolution(profile), answer, tolerance);
    QCOMPARE(Describe(verdict.Tower), tower);
    QCOMPARE(Describe(verdict.Island), island);
    QCOMPARE(verdict.Ok(), tower.startsWith("ok") && island.startsWith("ok"));
}

QTEST_GUILESS_MAIN(TestSolution)
#include "tst_solution.moc"
