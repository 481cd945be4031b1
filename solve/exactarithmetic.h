#pragma once

// Exact decisions about numbers derived from double coordinates. Every quantity is first
// computed in extended precision together with a bound on its distance from the exact value
// (Approx); only when that bound cannot settle a sign, an order or a rounding is the quantity
// recomputed as an exact rational (mpq_class). Doubles are dyadic rationals, so the exact
// values of differences, products and quotients of coordinates are always at hand.

#include <gmpxx.h>

#include <cmath>
#include <limits>
#include <optional>
#include <type_traits>

namespace exact {

// x86's extended type: its 64-bit significand keeps nearly equal slopes apart, and its
// exponent range holds every product of up to eight coordinate differences, so no value
// computed here overflows or underflows and every rounding is relative.
using Wide = long double;
static_assert(std::numeric_limits<Wide>::digits >= 64
        && std::numeric_limits<Wide>::max_exponent >= 16384
        && std::numeric_limits<Wide>::min_exponent <= -16381,
    "the error bounds assume an extended type with the range of x87's");

// The unit roundoff of `Float`: the largest relative error of one rounding to it. Every error
// bound here and in the solution counts in these units.
template <class Float>
inline constexpr Float UnitRoundoff = std::numeric_limits<Float>::epsilon() / 2;

// A number known to lie within Error of Value. Error is 0 only when Value is exact.
struct Approx {
    Wide Value = 0;
    Wide Error = 0;

    explicit Approx(Wide value = 0, Wide error = 0)
        : Value(value)
        , Error(error)
    {
    }
};

// Computing a bound rounds too, by a few units at most; this factor, applied to every bound,
// is far larger than those roundings, so a bound never comes out smaller than it should.
inline constexpr Wide Margin = 1 + 0x1p-48L;

// Each result's bound covers the operands' bounds and the operation's own rounding. A sum of
// two exact values keeps the exact error of its rounding (Knuth's two-sum), so exact heights
// and coordinates that cancel stay recognisably exact.
inline Approx operator+(const Approx& a, const Approx& b)
{
    const Wide sum = a.Value + b.Value;
    if (a.Error == 0 && b.Error == 0) {
        const Wide bPart = sum - a.Value;
        return Approx(sum, std::fabs((a.Value - (sum - bPart)) + (b.Value - bPart)));
    }
    return Approx(sum, (a.Error + b.Error + UnitRoundoff<Wide> * std::fabs(sum)) * Margin);
}

inline Approx operator-(const Approx& a, const Approx& b) { return a + Approx(-b.Value, b.Error); }

inline Approx operator*(const Approx& a, const Approx& b)
{
    const Wide product = a.Value * b.Value;
    const Wide error = std::fabs(a.Value) * b.Error + std::fabs(b.Value) * a.Error
        + a.Error * b.Error + UnitRoundoff<Wide> * std::fabs(product);
    return Approx(product, error * Margin);
}

// Infinitely uncertain when the divisor's bound does not exclude 0.
inline Approx operator/(const Approx& a, const Approx& b)
{
    const Wide divisor = std::fabs(b.Value) - b.Error;
    if (!(divisor > 0))
        return Approx(0, std::numeric_limits<Wide>::infinity());
    const Wide quotient = a.Value / b.Value;
    const Wide error
        = (a.Error + std::fabs(quotient) * b.Error) / divisor + UnitRoundoff<Wide> * std::fabs(quotient);
    return Approx(quotient, error * Margin);
}

inline Approx Difference(double a, double b) { return Approx(a) - Approx(b); }

// -1, 0 or 1 when the bound settles the sign of the exact value, nothing when it does not.
inline std::optional<int> Sign(const Approx& a)
{
    if (a.Value > a.Error)
        return 1;
    if (a.Value < -a.Error)
        return -1;
    if (a.Value == 0 && a.Error == 0)
        return 0;
    return std::nullopt;
}

// The double nearest the exact value (ties to even), or the smallest double at or above it,
// when the bound settles it; nothing when it does not or the value is beyond every double.
std::optional<double> Nearest(const Approx& a);
std::optional<double> AtOrAbove(const Approx& a);

using Rational = mpq_class;

inline int Sign(const Rational& a) { return sgn(a); }

// The same roundings of an exact value; both throw std::range_error beyond every double.
double Nearest(const Rational& value);
double AtOrAbove(const Rational& value);
// The nearest double, or an infinity of the value's sign beyond every double.
double NearestOrInfinity(const Rational& value);
// The value in extended precision, within a unit of its nearest: its range holds every
// quantity derived from a few double coordinates, so that it can be shown in digits.
Wide ToWide(const Rational& value);

// The filtered decision every choice of the solution takes: `decide` on `approx`, the value in
// extended precision within its bound, and only where that bound leaves the decision open,
// `decide` on the exact value, which `exactValue` works out then. `decide` is one of the
// decisions below or a callable like them: on an Approx it answers nothing when the bound
// cannot settle it, on a Rational it always answers.
template <class ExactValue, class Decision>
auto Decide(const Approx& approx, ExactValue exactValue, Decision decide)
{
    // A gmpxx expression returned by `exactValue` would refer to its spent temporaries.
    static_assert(std::is_same_v<std::invoke_result_t<ExactValue>, Rational>,
        "the exact value must be a Rational, not an expression");
    if (const auto decided = decide(approx))
        return *decided;
    return decide(exactValue());
}

inline constexpr auto SignDecision = [](const auto& value) { return Sign(value); };
inline constexpr auto NearestDecision = [](const auto& value) { return Nearest(value); };
inline constexpr auto AtOrAboveDecision = [](const auto& value) { return AtOrAbove(value); };

// The sign of (a1 - a0)(b1 - b0) - (c1 - c0)(d1 - d0), exactly: by the extended-precision
// filter, then by error-free double products where the four differences are exact doubles
// (whole-number coordinates, close neighbours), and by rationals only where both fail.
int SignOfProductDifference(
    double a1, double a0, double b1, double b0, double c1, double c0, double d1, double d0);

} // namespace exact
