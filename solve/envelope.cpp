#include "solve/envelope.h"

#include "solve/linesbyslope.h"

namespace solving {

namespace {

    using exact::Approx;
    using exact::Rational;
    using exact::UnitRoundoff;
    using exact::Wide;

    // Whether a difference of coordinates keeps every product of up to four of them, and the
    // differences of such products, clear of overflow and underflow in doubles.
    bool Moderate(double difference)
    {
        const double magnitude = std::fabs(difference);
        return magnitude == 0 || (magnitude >= 0x1p-200 && magnitude <= 0x1p200);
    }

    // Three lines as the coefficients of w y = a x + b, taken about the left vertex of the
    // middle one, where its b is 0: the differences of coordinates they are made of.
    template <class Float>
    struct ThreeLines {
        Float A1, W1, Y1, X1, A2, W2, A3, W3, Y3, X3;

        ThreeLines(const Line& flatter, const Line& middle, const Line& steeper)
            : A1(Float(flatter.Right.Y) - flatter.Left.Y)
            , W1(Float(flatter.Right.X) - flatter.Left.X)
            , Y1(Float(flatter.Left.Y) - middle.Left.Y)
            , X1(Float(flatter.Left.X) - middle.Left.X)
            , A2(Float(middle.Right.Y) - middle.Left.Y)
            , W2(Float(middle.Right.X) - middle.Left.X)
            , A3(Float(steeper.Right.Y) - steeper.Left.Y)
            , W3(Float(steeper.Right.X) - steeper.Left.X)
            , Y3(Float(steeper.Left.Y) - middle.Left.Y)
            , X3(Float(steeper.Left.X) - middle.Left.X)
        {
        }

        bool Moderate() const
        {
            for (const Float difference : { A1, W1, Y1, X1, A2, W2, A3, W3, Y3, X3 }) {
                if (!solving::Moderate(difference))
                    return false;
            }
            return true;
        }

        // The determinant whose sign Shows takes, within its bound.
        Approx Determinant() const
        {
            const Float b1 = W1 * Y1 - A1 * X1;
            const Float b3 = W3 * Y3 - A3 * X3;
            const Float b1Magnitude = std::fabs(W1 * Y1) + std::fabs(A1 * X1);
            const Float b3Magnitude = std::fabs(W3 * Y3) + std::fabs(A3 * X3);
            const Float determinant = A2 * (b1 * W3 - W1 * b3) + W2 * (A1 * b3 - b1 * A3);
            // Each b is within 4.1 units of its magnitude, the determinant within about 11 units
            // of the sum of its terms' magnitudes.
            constexpr Float Unit = UnitRoundoff<Float>;
            const Float bound = 32 * Unit
                * (std::fabs(A2) * (b1Magnitude * W3 + W1 * b3Magnitude)
                    + W2 * (std::fabs(A1) * b3Magnitude + b1Magnitude * std::fabs(A3)));
            return Approx(determinant, bound);
        }
    };

    // For lines of strictly increasing slope: whether `middle` rises above the other two where
    // they cross, and so shows on their envelope: the sign of ThreeLines' determinant. Doubles
    // settle it where their range allows, cheaper than the filtered decision that follows.
    bool Shows(const Line& flatter, const Line& middle, const Line& steeper)
    {
        if (const ThreeLines<double> inDoubles(flatter, middle, steeper); inDoubles.Moderate()) {
            if (const auto sign = exact::Sign(inDoubles.Determinant()))
                return *sign > 0;
        }
        const auto exactDeterminant = [&]() -> Rational {
            const Rational originX(middle.Left.X);
            const Rational originY(middle.Left.Y);
            struct Coefficients {
                Rational A, W, B;
            };
            const auto coefficients = [&](const Line& line) {
                Coefficients c { Rational(line.Right.Y) - Rational(line.Left.Y),
                    Rational(line.Right.X) - Rational(line.Left.X), 0 };
                c.B = c.W * (Rational(line.Left.Y) - originY)
                    - c.A * (Rational(line.Left.X) - originX);
                return c;
            };
            const Coefficients e1 = coefficients(flatter);
            const Coefficients e2 = coefficients(middle);
            const Coefficients e3 = coefficients(steeper);
            return e2.A * (e1.B * e3.W - e1.W * e3.B) + e2.W * (e1.A * e3.B - e1.B * e3.A);
        };
        return exact::Decide(ThreeLines<Wide>(flatter, middle, steeper).Determinant(),
                   exactDeterminant, exact::SignDecision)
            > 0;
    }

    // The lines that show on V over the range, in order of increasing slope, hence from left to
    // right; consecutive ones change places at strictly increasing x. Beyond the range some of
    // V's lines may be missing. Built in the storage of the lines by slope, then trimmed, since
    // the envelope is kept for as long as answers are judged.
    std::vector<Line> UpperEnvelope(std::span<const PointD> vertices)
    {
        std::vector<Line> lines = LinesBySlope(vertices);
        std::size_t size = 0; // lines[0, size) is the envelope of the lines before `line`
        for (std::size_t k = 0; k < lines.size(); ++k) {
            const Line line = lines[k];
            if (size > 0 && lines[size - 1].SlopeGroup == line.SlopeGroup
                && CompareSlopes(lines[size - 1], line) == 0) {
                // Of parallel lines only the highest can show.
                if (!StrictlyAbove(line.Left, lines[size - 1]))
                    continue;
                --size;
            }
            while (size >= 2 && !Shows(lines[size - 2], lines[size - 1], line))
                --size;
            lines[size++] = line;
        }
        lines.resize(size);
        lines.shrink_to_fit();
        return lines;
    }

} // namespace

Envelope::Envelope(std::span<const PointD> vertices)
    : Vertices(vertices)
    , OnTop(UpperEnvelope(vertices))
{
    if (OnTop.empty()) {
        HighestY = std::max_element(
            vertices.begin(), vertices.end(), [](const PointD& a, const PointD& b) {
                return a.Y < b.Y;
            })->Y;
        return;
    }
    Slopes.reserve(OnTop.size());
    for (const Line& line : OnTop)
        Slopes.push_back(Slope(line));
    Crossings.reserve(OnTop.size() - 1);
    for (std::size_t j = 0; j + 1 < OnTop.size(); ++j)
        Crossings.push_back(Crossing(OnTop[j], OnTop[j + 1]));
}

Rational Envelope::ExactCrossing(std::size_t j) const
{
    return solving::ExactCrossing(OnTop[j], OnTop[j + 1]);
}

double Envelope::NearestCrossing(std::size_t j) const
{
    return exact::Decide(
        Crossings[j], [&] { return ExactCrossing(j); }, exact::NearestDecision);
}

std::size_t Envelope::LineOnTopAt(double x) const
{
    std::size_t low = 0;
    std::size_t high = Crossings.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (CompareCrossing(middle, x) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

Rational Envelope::ExactTopAt(double x) const
{
    return OnTop.empty() ? Rational(HighestY) : ExactLineAt(OnTop[LineOnTopAt(x)], Rational(x));
}

double Envelope::TopAtOrAbove(double x) const
{
    if (OnTop.empty())
        return HighestY;
    const std::size_t line = LineOnTopAt(x);
    return exact::Decide(
        TopAt(line, x), [&] { return ExactLineAt(OnTop[line], Rational(x)); },
        exact::AtOrAboveDecision);
}

Rational Envelope::ExactGroundAt(double x) const
{
    const auto at = std::lower_bound(Vertices.begin(), Vertices.end(), x,
        [](const PointD& vertex, double x) { return vertex.X < x; });
    const auto k = static_cast<std::size_t>(at - Vertices.begin());
    if (at != Vertices.end() && at->X == x) {
        std::size_t end = 0;
        return Rational(GroundAtVertex(k, end));
    }
    return ExactLineAt({ Vertices[k - 1], Vertices[k], Segment(k - 1) }, Rational(x));
}

} // namespace solving
