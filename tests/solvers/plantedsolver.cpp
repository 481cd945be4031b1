// A solver that is right but for one planted fault, chosen when it is built (PLANTED_FAULT),
// for the stress mode to find and shrink:
//   vertical-step   the tower too low whenever two vertices share an x
//   equal-heights   the island too high whenever two vertices of different x share a y
//   two-vertices    a crash on a profile of exactly two vertices
//   single          every number of the answer rounded to single precision
#include "standin/profilefiles.h"
#include "scene/loadresults.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view Fault = PLANTED_FAULT;

std::vector<PointD> ReadProfile()
{
    std::ifstream file(PointFileName, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    std::vector<double> numbers;
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    while (at < end) {
        while (at < end && std::isspace(static_cast<unsigned char>(*at)))
            ++at;
        double number = 0;
        const auto [next, error] = std::from_chars(at, end, number);
        if (next == at)
            break;
        numbers.push_back(number);
        at = next;
    }
    std::vector<PointD> vertices;
    for (std::size_t k = 1; k + 1 < numbers.size(); k += 2)
        vertices.push_back({ numbers[k], numbers[k + 1] });
    return vertices;
}

bool AnyPair(const std::vector<PointD>& vertices, bool (*match)(const PointD&, const PointD&))
{
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        for (std::size_t j = i + 1; j < vertices.size(); ++j) {
            if (match(vertices[i], vertices[j]))
                return true;
        }
    }
    return false;
}

double Away(double value) { return 1 + std::abs(value) / 100; }

} // namespace

int main()
{
    const std::vector<PointD> vertices = ReadProfile();
    if (Fault == "two-vertices" && vertices.size() == 2)
        std::abort();
    ProfileAnswer answer = SolveProfile(vertices);
    if (Fault == "vertical-step"
        && AnyPair(vertices, [](const PointD& a, const PointD& b) { return a.X == b.X; }))
        answer.Tower.Y -= Away(answer.Tower.Y);
    if (Fault == "equal-heights" && AnyPair(vertices, [](const PointD& a, const PointD& b) {
            return a.X != b.X && a.Y == b.Y;
        }))
        answer.Island.Y += Away(answer.Island.Y);
    if (Fault == "single") {
        for (double* number :
            { &answer.Tower.X, &answer.Tower.Y, &answer.Island.X, &answer.Island.Y })
            *number = static_cast<float>(*number);
    }
    WriteAnswer(ResultFileName, ResultTemporaryFileName, answer);
    return 0;
}
