#include "solve/exactarithmetic.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace exact {

namespace {

    constexpr double Largest = std::numeric_limits<double>::max();

    // The smallest double at or above `value`, infinite beyond the largest.
    double CeilToDouble(Wide value)
    {
        const double nearest = static_cast<double>(value);
        return static_cast<Wide>(nearest) < value
            ? std::nextafter(nearest, std::numeric_limits<double>::infinity())
            : nearest;
    }

    // The exact (a1 - a0) when it is a double, else nothing.
    std::optional<double> ExactDifference(double a1, double a0)
    {
        const double difference = a1 - a0;
        if (!std::isfinite(difference))
            return std::nullopt;
        // Knuth's two-sum of a1 and -a0.
        const double a0Part = difference - a1;
        const double error = (a1 - (difference - a0Part)) + (-a0 - a0Part);
        if (error != 0)
            return std::nullopt;
        return difference;
    }

    // The product a * b as an unevaluated sum High + Low of two doubles, exactly, when neither
    // overflows nor underflows.
    struct ExactProduct {
        double High;
        double Low;
    };

    std::optional<ExactProduct> MultiplyExactly(double a, double b)
    {
        const double high = a * b;
        if (a == 0 || b == 0)
            return ExactProduct { 0, 0 };
        // Below this the error of the product may be lost to underflow.
        if (!std::isfinite(high) || std::fabs(high) < 0x1p-960)
            return std::nullopt;
        return ExactProduct { high, std::fma(a, b, -high) };
    }

    int SignOf(double value) { return (value > 0) - (value < 0); }

} // namespace

// The ends of the range widen by twice the bound: the first covers the exact value, the
// second the rounding of the ends themselves (a bound is never below a unit of its value's
// rounding unless it is 0 and the value exact).
std::optional<double> Nearest(const Approx& a)
{
    const double low = static_cast<double>(a.Value - 2 * a.Error);
    const double high = static_cast<double>(a.Value + 2 * a.Error);
    if (low != high || std::fabs(low) > Largest)
        return std::nullopt;
    return low;
}

std::optional<double> AtOrAbove(const Approx& a)
{
    const double low = CeilToDouble(a.Value - 2 * a.Error);
    const double high = CeilToDouble(a.Value + 2 * a.Error);
    if (low != high || std::fabs(low) > Largest)
        return std::nullopt;
    return low;
}

namespace {

    // The largest double at or below `value`, which must lie within the doubles' range.
    double FloorToDouble(const Rational& value)
    {
        // Rounds toward zero.
        const double truncated = value.get_d();
        if (value >= 0 || Rational(truncated) == value)
            return truncated;
        return std::nextafter(truncated, -std::numeric_limits<double>::infinity());
    }

    void RequireInRange(const Rational& value)
    {
        if (abs(value) > Rational(Largest))
            throw std::range_error("an answer lies beyond the range of a double");
    }

} // namespace

double Nearest(const Rational& value)
{
    RequireInRange(value);
    const double below = FloorToDouble(value);
    if (Rational(below) == value)
        return below;
    const double above = std::nextafter(below, std::numeric_limits<double>::infinity());
    const int side = cmp(value - Rational(below), Rational(above) - value);
    if (side != 0)
        return side < 0 ? below : above;
    // A tie goes to the double whose last significand bit is 0.
    return (std::bit_cast<std::uint64_t>(below) & 1) == 0 ? below : above;
}

double NearestOrInfinity(const Rational& value)
{
    if (abs(value) > Rational(Largest))
        return sgn(value) * std::numeric_limits<double>::infinity();
    return Nearest(value);
}

Wide ToWide(const Rational& value)
{
    if (sgn(value) == 0)
        return 0;
    const mpz_class numerator = abs(value.get_num());
    const mpz_class& denominator = value.get_den();
    // Scaled by a power of two to an integer of 66 or 67 bits, so that truncating it errs by
    // less than a third of a unit of Wide's 64; its conversion then rounds once.
    const long shift = 66
        - (static_cast<long>(mpz_sizeinbase(numerator.get_mpz_t(), 2))
            - static_cast<long>(mpz_sizeinbase(denominator.get_mpz_t(), 2)));
    const mpz_class scaled = shift >= 0 ? mpz_class((numerator << shift) / denominator)
                                        : mpz_class(numerator / (denominator << -shift));
    Wide magnitude = 0;
    for (int chunk = 2; chunk >= 0; --chunk) {
        const mpz_class bits = (scaled >> (32 * chunk)) & mpz_class(0xFFFFFFFFu);
        magnitude = magnitude * 0x1p32L + static_cast<Wide>(bits.get_ui());
    }
    return sgn(value) * std::ldexp(magnitude, static_cast<int>(-shift));
}

double AtOrAbove(const Rational& value)
{
    RequireInRange(value);
    const double below = FloorToDouble(value);
    return Rational(below) == value
        ? below
        : std::nextafter(below, std::numeric_limits<double>::infinity());
}

int SignOfProductDifference(
    double a1, double a0, double b1, double b0, double c1, double c0, double d1, double d0)
{
    const Wide left = (Wide(a1) - a0) * (Wide(b1) - b0);
    const Wide right = (Wide(c1) - c0) * (Wide(d1) - d0);
    // Each product is within 3.01 units of its exact value; their difference rounds once more.
    const Wide bound = 8 * UnitRoundoff<Wide> * (std::fabs(left) + std::fabs(right));
    const Wide difference = left - right;
    if (std::fabs(difference) > bound)
        return difference > 0 ? 1 : -1;
    // Two products of exactly zero.
    if (bound == 0)
        return 0;

    const auto a = ExactDifference(a1, a0);
    const auto b = ExactDifference(b1, b0);
    const auto c = ExactDifference(c1, c0);
    const auto d = ExactDifference(d1, d0);
    if (a && b && c && d) {
        const auto first = MultiplyExactly(*a, *b);
        const auto second = MultiplyExactly(*c, *d);
        if (first && second) {
            // Rounding is monotonic: different rounded products are ordered as the exact ones.
            if (first->High != second->High)
                return SignOf(first->High - second->High);
            return SignOf(first->Low - second->Low);
        }
    }
    const Rational exactValue = (Rational(a1) - Rational(a0)) * (Rational(b1) - Rational(b0))
        - (Rational(c1) - Rational(c0)) * (Rational(d1) - Rational(d0));
    return sgn(exactValue);
}

} // namespace exact
