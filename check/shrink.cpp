#include "check/shrink.h"

#include "check/profilegenerators.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <tuple>

namespace {

std::string ShortestText(double value)
{
    char text[32];
    return { text, std::to_chars(text, text + sizeof text, value).ptr };
}

// Lower is simpler; a total order on finite doubles in which every chain falls to 0.
std::tuple<bool, std::size_t, int, double> Complexity(double value)
{
    if (value == 0)
        return { false, 1, 0, 0.0 };
    return { value != std::trunc(value), ShortestText(value).size(), std::abs(std::ilogb(value)),
        std::abs(value) };
}

// `value` cut to `digits` significant decimal digits, towards 0.
double Truncated(double value, int digits)
{
    char buffer[40];
    const std::string text(buffer,
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 16)
            .ptr);
    const std::size_t e = text.find('e');
    std::string mantissa = text.substr(0, e);
    const std::string exponent = text.substr(e);
    const std::size_t kept = static_cast<std::size_t>(digits) + (value < 0 ? 1 : 0) + 1;
    if (mantissa.size() > kept)
        mantissa.resize(kept);
    const std::string cut = mantissa + exponent;
    double result = value;
    std::from_chars(cut.data(), cut.data() + cut.size(), result);
    return result;
}

// The leading digit of `value` at half its decimal exponent: 3e200 gives 3e100.
double HalfExponent(double value)
{
    const double leading = Truncated(value, 1);
    const int exponent = static_cast<int>(std::floor(std::log10(std::abs(leading))));
    if (exponent / 2 == exponent)
        return value;
    const double mantissa = std::round(leading / std::pow(10.0, exponent));
    std::string text = ShortestText(mantissa) + 'e' + std::to_string(exponent / 2);
    double result = value;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result;
}

} // namespace

std::vector<double> SimplerNumbers(double value)
{
    if (value == 0 || !std::isfinite(value))
        return {};
    std::vector<double> candidates { 0.0, std::copysign(1.0, value), std::trunc(value),
        std::round(value), value / 2, HalfExponent(value) };
    for (const int digits : { 1, 2, 4, 8 })
        candidates.push_back(Truncated(value, digits));
    const auto complexity = Complexity(value);
    std::erase_if(candidates, [&](double candidate) {
        return !std::isfinite(candidate) || !(Complexity(candidate) < complexity);
    });
    std::sort(candidates.begin(), candidates.end(),
        [](double a, double b) { return Complexity(a) < Complexity(b); });
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    return candidates;
}

namespace {

// One shrinking: the profile found so far, replaced by each candidate that fails the same way.
class Shrinker {
public:
    Shrinker(std::vector<PointD> failing,
        const std::function<Trial(const std::vector<PointD>&)>& trial, int maxTrials)
        : m_outcome { std::move(failing), 0, false }
        , m_trial(trial)
        , m_maxTrials(maxTrials)
        , m_asked { ProfileText(m_outcome.Vertices) }
    {
    }

    bool CanGoOn() const { return !m_outcome.Stopped && m_outcome.Trials < m_maxTrials; }
    std::size_t VertexCount() const { return m_outcome.Vertices.size(); }
    ShrinkOutcome TakeOutcome() { return std::move(m_outcome); }

    // Tries removing `chunk` vertices at a time, from the front; whether any went.
    bool RemoveChunks(std::size_t chunk)
    {
        const std::vector<PointD>& vertices = m_outcome.Vertices;
        bool removed = false;
        for (std::size_t start = 0; start < vertices.size() && vertices.size() > 1;) {
            const std::size_t end = std::min(start + chunk, vertices.size());
            if (end - start == vertices.size()) {
                start = end;
                continue;
            }
            std::vector<PointD> candidate = vertices;
            candidate.erase(candidate.begin() + static_cast<std::ptrdiff_t>(start),
                candidate.begin() + static_cast<std::ptrdiff_t>(end));
            if (TryCandidate(std::move(candidate)))
                removed = true; // the next chunk has moved to `start`
            else
                start = end;
        }
        return removed;
    }

    // Tries a simpler number for every number, recurring ones first; whether any changed.
    bool SimplifyNumbers()
    {
        bool simplified = SimplifyRecurring();
        for (std::size_t k = 0; k < m_outcome.Vertices.size(); ++k) {
            for (double PointD::*coordinate : { &PointD::X, &PointD::Y }) {
                for (const double simpler : SimplerNumbers(m_outcome.Vertices[k].*coordinate)) {
                    std::vector<PointD> candidate = m_outcome.Vertices;
                    candidate[k].*coordinate = simpler;
                    if (TryCandidate(std::move(candidate))) {
                        simplified = true;
                        break;
                    }
                }
            }
        }
        return simplified;
    }

private:
    // Whether `candidate` fails the same way; it then replaces the vertices. A profile asked
    // about before is not asked again.
    bool TryCandidate(std::vector<PointD> candidate)
    {
        if (!CanGoOn() || !m_asked.insert(ProfileText(candidate)).second)
            return false;
        ++m_outcome.Trials;
        const Trial answer = m_trial(candidate);
        m_outcome.Stopped = answer == Trial::Stopped;
        if (answer != Trial::SameFailure)
            return false;
        m_outcome.Vertices = std::move(candidate);
        return true;
    }

    // A number that recurs (the x of a vertical step, the y of a tie) may matter only as the
    // same on several vertices: it is replaced everywhere at once.
    bool SimplifyRecurring()
    {
        bool simplified = false;
        std::vector<double> numbers;
        for (const PointD& vertex : m_outcome.Vertices)
            numbers.insert(numbers.end(), { vertex.X, vertex.Y });
        std::sort(numbers.begin(), numbers.end());
        for (auto at = numbers.begin(); at != numbers.end();) {
            const auto next = std::upper_bound(at, numbers.end(), *at);
            const double number = *at;
            const bool recurs = next - at > 1;
            at = next;
            if (recurs && ReplaceEverywhere(number))
                simplified = true;
        }
        return simplified;
    }

    bool ReplaceEverywhere(double number)
    {
        for (const double simpler : SimplerNumbers(number)) {
            std::vector<PointD> candidate = m_outcome.Vertices;
            for (PointD& vertex : candidate) {
                for (double* coordinate : { &vertex.X, &vertex.Y }) {
                    if (*coordinate == number)
                        *coordinate = simpler;
                }
            }
            if (TryCandidate(std::move(candidate)))
                return true;
        }
        return false;
    }

    ShrinkOutcome m_outcome;
    const std::function<Trial(const std::vector<PointD>&)>& m_trial;
    int m_maxTrials;
    std::set<std::string> m_asked;
};

} // namespace

ShrinkOutcome Shrink(std::vector<PointD> failing,
    const std::function<Trial(const std::vector<PointD>&)>& trial, int maxTrials)
{
    Shrinker shrinker(std::move(failing), trial, maxTrials);
    bool changed = true;
    while (changed && shrinker.CanGoOn()) {
        changed = false;
        for (std::size_t chunk = shrinker.VertexCount() / 2; chunk > 1; chunk /= 2)
            changed |= shrinker.RemoveChunks(chunk);
        while (shrinker.RemoveChunks(1))
            changed = true;
        changed |= shrinker.SimplifyNumbers();
    }
    return shrinker.TakeOutcome();
}
