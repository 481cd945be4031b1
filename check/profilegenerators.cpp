#include "check/profilegenerators.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace {

// SplitMix64: small, fast, and the same everywhere, unlike the standard distributions.
std::uint64_t Mix(std::uint64_t value)
{
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

class Draws {
public:
    explicit Draws(std::uint64_t seed)
        : m_state(seed)
    {
    }

    std::uint64_t Next() { return Mix(m_state++); }
    // From `low` to `high`, both included; the slight bias of the modulo does not matter here.
    std::int64_t Between(std::int64_t low, std::int64_t high)
    {
        const auto span = static_cast<std::uint64_t>(high - low) + 1;
        return low + static_cast<std::int64_t>(span == 0 ? Next() : Next() % span);
    }
    bool OneIn(int chances) { return Between(1, chances) == 1; }
    template <class Item, std::size_t Count>
    const Item& Pick(const std::array<Item, Count>& items)
    {
        return items[static_cast<std::size_t>(Between(0, Count - 1))];
    }

private:
    std::uint64_t m_state;
};

double Whole(std::int64_t value) { return static_cast<double>(value); }

// The double nearest to mantissa x 10^exponent, as the reader would read it.
double Decimal(std::int64_t mantissa, int exponent)
{
    const std::string text = std::to_string(mantissa) + 'e' + std::to_string(exponent);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::vector<PointD> SmallIntegers(Draws& draws, int count)
{
    std::vector<PointD> vertices;
    for (int k = 0; k < count; ++k)
        vertices.push_back({ Whole(draws.Between(-10, 10)), Whole(draws.Between(-10, 10)) });
    return vertices;
}

std::vector<PointD> VerticalSteps(Draws& draws, int count)
{
    // Few x for many vertices, so that x repeats; now and then a vertex twice.
    const std::int64_t columns = std::max<std::int64_t>(1, count / 2);
    std::vector<PointD> vertices;
    for (int k = 0; k < count; ++k) {
        if (k > 0 && draws.OneIn(4))
            vertices.push_back(vertices[static_cast<std::size_t>(draws.Between(0, k - 1))]);
        else
            vertices.push_back(
                { Whole(draws.Between(0, columns - 1)), Whole(draws.Between(-10, 10)) });
    }
    // At least one vertical step, whatever the draws.
    if (count >= 2)
        vertices[1].X = vertices[0].X;
    return vertices;
}

std::vector<PointD> EqualX(Draws& draws, int count)
{
    const double x = Whole(draws.Between(-1000, 1000));
    std::vector<PointD> vertices;
    for (int k = 0; k < count; ++k)
        vertices.push_back({ x, Whole(draws.Between(-1000, 1000)) });
    return vertices;
}

std::vector<PointD> NearlyCollinear(Draws& draws, int count)
{
    // y = (rise x + offset) / run, rounded once; then a unit in the last place either way.
    const std::int64_t rise = draws.Between(-9, 9);
    const std::int64_t offset = draws.Between(-100, 100);
    const double run = Whole(draws.Pick(std::array<std::int64_t, 4> { 3, 7, 10, 1000 }));
    std::vector<PointD> vertices;
    for (int k = 0; k < count; ++k) {
        const std::int64_t x = draws.Between(-1000, 1000);
        double y = Whole(rise * x + offset) / run;
        if (draws.OneIn(3))
            y = std::nextafter(y, draws.OneIn(2) ? HUGE_VAL : -HUGE_VAL);
        vertices.push_back({ Whole(x), y });
    }
    return vertices;
}

std::vector<PointD> SteepClusters(Draws& draws, int count)
{
    // Half the vertices within a millionth in x and a million apart in y; the rest up to 1e9
    // away.
    const double centre = Whole(draws.Between(-1000, 1000));
    std::vector<PointD> vertices;
    for (int k = 0; k < count; ++k) {
        if (k % 2 == 0) {
            vertices.push_back({ centre + Decimal(draws.Between(0, 1000), -9),
                Whole(draws.Between(-1000000, 1000000)) });
        } else {
            vertices.push_back({ Whole(draws.Between(-1000000000, 1000000000)),
                Whole(draws.Between(-1000, 1000)) });
        }
    }
    return vertices;
}

std::vector<PointD> ContestIntegers(Draws& draws, int count)
{
    const std::int64_t first = draws.Between(-1000000000, 1000000000 - count);
    std::vector<PointD> vertices;
    for (int k = 0; k < count; ++k)
        vertices.push_back({ Whole(first + k), Whole(draws.Between(0, 1000000000)) });
    return vertices;
}

std::vector<PointD> Magnitudes(Draws& draws, int count)
{
    const auto number = [&draws] {
        const std::int64_t mantissa = draws.Between(1, 9999) * (draws.OneIn(2) ? 1 : -1);
        return Decimal(mantissa, static_cast<int>(draws.Between(-300, 296)));
    };
    std::vector<PointD> vertices;
    for (int k = 0; k < count; ++k) {
        const double x = number();
        vertices.push_back({ x, number() });
    }
    return vertices;
}

std::vector<PointD> SingleSlope(Draws& draws, int count)
{
    const int direction = draws.OneIn(2) ? 1 : -1;
    std::int64_t x = draws.Between(-100, 100);
    std::int64_t y = draws.Between(-100, 100);
    std::vector<PointD> vertices;
    for (int k = 0; k < count; ++k) {
        vertices.push_back({ Whole(x), Whole(y) });
        x += draws.Between(1, 10);
        y += direction * draws.Between(1, 10);
    }
    return vertices;
}

std::vector<PointD> FlatRuns(Draws& draws, int count)
{
    std::int64_t x = draws.Between(-100, 100);
    std::vector<PointD> vertices;
    while (static_cast<int>(vertices.size()) < count) {
        const double level = Whole(draws.Between(-5, 5));
        for (std::int64_t run = draws.Between(2, 4);
             run > 0 && static_cast<int>(vertices.size()) < count; --run) {
            vertices.push_back({ Whole(x), level });
            x += draws.Between(1, 3);
        }
    }
    return vertices;
}

std::vector<PointD> Generate(ProfileShape shape, Draws& draws, int count)
{
    switch (shape) {
    case ProfileShape::SmallIntegers:
        return SmallIntegers(draws, count);
    case ProfileShape::VerticalSteps:
        return VerticalSteps(draws, count);
    case ProfileShape::EqualX:
        return EqualX(draws, count);
    case ProfileShape::NearlyCollinear:
        return NearlyCollinear(draws, count);
    case ProfileShape::SteepClusters:
        return SteepClusters(draws, count);
    case ProfileShape::ContestIntegers:
        return ContestIntegers(draws, count);
    case ProfileShape::Magnitudes:
        return Magnitudes(draws, count);
    case ProfileShape::SingleSlope:
        return SingleSlope(draws, count);
    case ProfileShape::FlatRuns:
        break;
    }
    return FlatRuns(draws, count);
}

} // namespace

std::string_view OrderName(VertexOrder order)
{
    switch (order) {
    case VertexOrder::Shuffled:
        return "shuffled";
    case VertexOrder::Sorted:
        return "sorted";
    case VertexOrder::Reversed:
        break;
    }
    return "reversed";
}

StressCase GenerateCase(std::uint64_t seed, const CaseLimits& limits)
{
    Draws draws(seed);
    StressCase stressCase;
    stressCase.Seed = seed;
    stressCase.Shape = limits.Shapes.at(
        static_cast<std::size_t>(draws.Between(0, std::ssize(limits.Shapes) - 1)));
    stressCase.Order = static_cast<VertexOrder>(draws.Between(0, 2));
    const int count = static_cast<int>(draws.Between(limits.MinVertices, limits.MaxVertices));
    std::vector<PointD>& vertices = stressCase.Vertices;
    vertices = Generate(stressCase.Shape, draws, count);
    // Sorted by x, then y, so that the order is the same whatever the sort's own choices.
    std::sort(vertices.begin(), vertices.end(),
        [](const PointD& a, const PointD& b) { return a.X != b.X ? a.X < b.X : a.Y < b.Y; });
    if (stressCase.Order == VertexOrder::Reversed)
        std::reverse(vertices.begin(), vertices.end());
    else if (stressCase.Order == VertexOrder::Shuffled) {
        // Fisher-Yates with our own draws.
        for (std::size_t k = vertices.size(); k > 1; --k)
            std::swap(vertices[k - 1], vertices[static_cast<std::size_t>(draws.Between(0, k - 1))]);
    }
    return stressCase;
}

std::uint64_t NextCaseSeed(std::uint64_t seed) { return Mix(seed); }

std::string ProfileText(const std::vector<PointD>& vertices)
{
    std::string text = std::to_string(vertices.size()) + '\n';
    char number[32];
    for (const PointD& vertex : vertices) {
        text.append(number, std::to_chars(number, number + sizeof number, vertex.X).ptr);
        text += ' ';
        text.append(number, std::to_chars(number, number + sizeof number, vertex.Y).ptr);
        text += '\n';
    }
    return text;
}
