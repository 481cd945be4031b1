// Times the two-core load (LoadResultsOnTwoCores) and the reference LoadResults on four
// 1,000,000-vertex point files, each against its floor measured in the same run: std::from_chars
// over the same bytes plus std::sort of the same records, on one core.
//
//   random       x uniform in 0..1e6, 15 significant digits (distinct)
//   many equal   x one of 1,000 whole values
//   organ pipe   x = 0, 1, .., 499999, 500000, 499999, .., 1 (pairs of equal x)
//   one a line   random, with x and y on lines of their own; the middle of the file falls
//                between the x and the y of a vertex
//
//   build/bin/bench_load [repetitions]
#include "benchsupport.h"
#include "scene/loadresults.h"

#include <sys/resource.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>
#include <vector>

namespace {

enum class Pattern { Random, ManyEqual, OrganPipe, OneNumberALine };

std::string Profile(Pattern pattern)
{
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> coordinate(0.0, 1.0e6);
    std::string text = std::to_string(MaxPoints) + "\n";
    char number[32];
    const auto append = [&](double value, char separator) {
        const auto end = std::to_chars(number, number + sizeof number, value,
                                       std::chars_format::general, 15).ptr;
        text.append(number, end).push_back(separator);
    };
    for (int k = 0; k < MaxPoints; ++k) {
        switch (pattern) {
        case Pattern::Random:
            append(coordinate(random), ' ');
            break;
        case Pattern::OneNumberALine:
            append(coordinate(random), '\n');
            break;
        case Pattern::ManyEqual:
            append(static_cast<double>(random() % 1000), ' ');
            break;
        case Pattern::OrganPipe:
            append(k < MaxPoints / 2 ? k : MaxPoints - k, ' ');
            break;
        }
        append(coordinate(random), '\n');
    }
    return text;
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

// How many cores two threads find free: 2 on a quiet machine, 1 when another program holds
// one, as it would the two-core load's second thread.
double CoresFree()
{
    const auto work = [] {
        volatile double sum = 0;
        for (int k = 0; k < 50'000'000; ++k)
            sum = sum + k * 1e-9;
    };
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto alone = std::chrono::steady_clock::now() - start;
    std::thread other(work);
    work();
    other.join();
    const auto together = std::chrono::steady_clock::now() - start - alone;
    return 2.0 * std::chrono::duration<double>(alone).count() / std::chrono::duration<double>(together).count();
}

bool SameRecords(const LoadedProfile& a, const LoadedProfile& b)
{
    return a.PointCount == b.PointCount && a.Extents.MaxX == b.Extents.MaxX
        && a.Extents.MaxY == b.Extents.MaxY
        && std::memcmp(&a.Points(1), &b.Points(1), sizeof(PointD) * MaxPoints) == 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const int repetitions = Repetitions(argc, argv, 7);
    const auto folder = std::filesystem::temp_directory_path() / "morvadine_bench_load";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / ResultFileName, std::ios::binary) << "1 2 3 4\n";

    std::unique_ptr<LoadedProfile> reference;
    std::unique_ptr<LoadedProfile> twoCores;
    PointFileReader reader;
    std::vector<PointD> records;
    records.reserve(MaxPoints);
    bool allMet = true;
    std::printf("1,000,000 vertices; best and median of %d runs, ms; ratios of medians to the floor\n",
                repetitions);
    std::printf("  %-11s %6s %15s %15s %15s %7s %7s %7s\n", "file", "MB", "floor", "LoadResults",
                "two cores", "ref/fl", "two/fl", "target");
    const struct {
        Pattern pattern;
        const char* name;
        double target;
    } files[] = {{Pattern::Random, "random", 0.45}, {Pattern::ManyEqual, "many equal", 0.8},
                 {Pattern::OrganPipe, "organ pipe", 1.0}, {Pattern::OneNumberALine, "one a line", 0.45}};
    for (const auto& file : files) {
        const std::string bytes = Profile(file.pattern);
        std::ofstream(folder / PointFileName, std::ios::binary) << bytes;
        const std::vector<Timing> timings = SecondsOfRunsInTurns(repetitions,
            { [&] { Floor(bytes, records); },
                [&] {
                    reference.reset();
                    reference = LoadResults(folder);
                },
                [&] {
                    twoCores.reset();
                    twoCores = LoadResultsOnTwoCores(folder, PointFileName, reader, AnyDataFile());
                } });
        const Timing floor = timings[0];
        const Timing load = timings[1];
        const Timing fast = timings[2];
        const double ratio = fast.Median / floor.Median;
        const bool met = ratio <= file.target && SameRecords(*reference, *twoCores);
        allMet = allMet && met;
        std::printf("  %-11s %6.1f %6.1f / %6.1f %6.1f / %6.1f %6.1f / %6.1f %7.2f %7.2f %5s %.2f%s\n",
                    file.name, bytes.size() / 1e6, floor.Best * 1e3, floor.Median * 1e3, load.Best * 1e3,
                    load.Median * 1e3, fast.Best * 1e3, fast.Median * 1e3, load.Median / floor.Median, ratio,
                    "<=", file.target, SameRecords(*reference, *twoCores) ? "" : "  RECORDS DIFFER");
    }
    std::filesystem::remove_all(folder);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("  peak memory %.1f MB (both profiles, the reader's scratch, the floor's text and "
                "records)\n",
                usage.ru_maxrss / 1024.0);
    std::printf("  cores free to two threads: %.1f of 2 (with fewer, the two-core ratios mean little)\n",
                CoresFree());
    std::printf("targets %s\n", allMet ? "met" : "NOT met");
    return 0;
}
