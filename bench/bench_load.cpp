// Times LoadResults on a 1,000,000-vertex point file against two references measured in the
// same run: the floor (std::from_chars over the same bytes plus std::sort of the same
// records) and a straightforward loader (std::ifstream >> per item, then QuickSort).
//
//   build/bin/bench_load [repetitions]
#include "scene/loadresults.h"
#include "scene/quicksort.h"

#include <sys/resource.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <vector>

namespace {

double MedianSeconds(int repetitions, const std::function<void()>& run)
{
    std::vector<double> seconds;
    for (int r = 0; r < repetitions; ++r) {
        const auto start = std::chrono::steady_clock::now();
        run();
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(seconds.begin(), seconds.begin() + repetitions / 2, seconds.end());
    return seconds[static_cast<std::size_t>(repetitions / 2)];
}

void WriteProfile(const std::filesystem::path& folder)
{
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> coordinate(0.0, 1.0e6);
    std::string text = std::to_string(MaxPoints) + "\n";
    char number[32];
    for (int k = 0; k < MaxPoints; ++k) {
        for (const char separator : {' ', '\n'}) {
            const auto end = std::to_chars(number, number + sizeof number, coordinate(random),
                                           std::chars_format::general, 15).ptr;
            text.append(number, end).push_back(separator);
        }
    }
    std::ofstream(folder / PointFileName, std::ios::binary) << text;
    std::ofstream(folder / ResultFileName, std::ios::binary) << "1 2 3 4\n";
}

// from_chars over every item of the file's bytes, then std::sort: what any loader that
// parses and orders the same numbers has to spend.
void Floor(const std::string& bytes, std::vector<PointD>& records)
{
    records.clear();
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    std::int32_t count = 0;
    at = std::from_chars(at, end, count).ptr;
    while (records.size() < static_cast<std::size_t>(count)) {
        PointD vertex;
        at = std::from_chars(at + 1, end, vertex.X).ptr;
        at = std::from_chars(at + 1, end, vertex.Y).ptr;
        records.push_back(vertex);
    }
    std::sort(records.begin(), records.end(), [](const PointD& a, const PointD& b) { return a.X < b.X; });
}

void StreamLoader(const std::filesystem::path& folder, SceneState& scene)
{
    std::ifstream in(folder / PointFileName);
    in >> scene.PointCount;
    for (std::int32_t k = 1; k <= scene.PointCount; ++k)
        in >> scene.Points(k).X >> scene.Points(k).Y;
    QuickSort(scene.Points, 1, scene.PointCount);
}

} // namespace

int main(int argc, char* argv[])
{
    const int repetitions = std::max(5, argc > 1 ? std::atoi(argv[1]) : 5);
    const auto folder = std::filesystem::temp_directory_path() / "morvadine_bench_load";
    std::filesystem::create_directories(folder);
    WriteProfile(folder);
    std::ifstream file(folder / PointFileName, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};

    auto scene = std::make_unique<SceneState>();
    std::vector<PointD> records;
    records.reserve(MaxPoints);
    const double load = MedianSeconds(repetitions, [&] { LoadResults(*scene, folder); });
    const double floor = MedianSeconds(repetitions, [&] { Floor(bytes, records); });
    const double baseline = MedianSeconds(repetitions, [&] { StreamLoader(folder, *scene); });
    std::filesystem::remove_all(folder);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("1,000,000 vertices, %.1f MB point file, medians of %d runs\n", bytes.size() / 1e6, repetitions);
    std::printf("  LoadResults            %8.1f ms\n", load * 1e3);
    std::printf("  floor (from_chars+sort)%8.1f ms\n", floor * 1e3);
    std::printf("  baseline (ifstream >>) %8.1f ms\n", baseline * 1e3);
    std::printf("  load / floor           %8.2f   (target <= 1.30)\n", load / floor);
    std::printf("  baseline / load        %8.2f\n", baseline / load);
    std::printf("  peak memory            %8.1f MB (includes the file text and the floor's records)\n",
                usage.ru_maxrss / 1024.0);
    return 0;
}
