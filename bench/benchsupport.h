#pragma once

// What the benchmarks share: timing, and the rugged 1,000,000-vertex profile they solve and
// load.

#include "scene/profile.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

// How many times to run each measurement: the command line's first argument, `usual` without
// one, never fewer than `fewest`, below which a median says little.
inline int Repetitions(int argc, char* argv[], int usual, int fewest = 5)
{
    return std::max(fewest, argc > 1 ? std::atoi(argv[1]) : usual);
}

// Seconds that `run` takes.
inline double Seconds(const std::function<void()>& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The best of some times, and their median: the best shows what the code can do, the median
// what a busy machine lets it do.
struct Timing {
    double Best;
    double Median;
};

inline Timing BestAndMedian(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return {samples.front(), samples[samples.size() / 2]};
}

// The best and the median of `repetitions` runs of each of `runs`, in seconds. The runs take
// turns, so that a spell in which the machine is slower (other work, a neighbour on the host
// drawing on the memory bus) slows each of them alike and leaves their ratios fair.
inline std::vector<Timing> SecondsOfRunsInTurns(int repetitions,
                                                const std::vector<std::function<void()>>& runs)
{
    std::vector<std::vector<double>> samples(runs.size());
    for (int r = 0; r < repetitions; ++r) {
        for (std::size_t k = 0; k < runs.size(); ++k)
            samples[k].push_back(Seconds(runs[k]));
    }
    std::vector<Timing> timings;
    for (std::vector<double>& times : samples)
        timings.push_back(BestAndMedian(std::move(times)));
    return timings;
}

inline Timing SecondsOfRuns(int repetitions, const std::function<void()>& run)
{
    return SecondsOfRunsInTurns(repetitions, {run}).front();
}

// A rugged profile: x drawn at random over a wide range (so the file is unordered), y a
// random walk, so that the envelope keeps many lines.
inline std::vector<PointD> RandomProfile()
{
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> x(0.0, 1.0e6);
    std::normal_distribution<double> step(0.0, 10.0);
    std::vector<PointD> vertices(MaxPoints);
    double y = 0;
    for (PointD& vertex : vertices)
        vertex = { x(random), y += step(random) };
    return vertices;
}

// The numbers in their shortest exact form, `perLine` of them on a line.
inline void WriteNumbers(const std::string& path, std::string text,
    const std::vector<double>& numbers, std::size_t perLine)
{
    char number[32];
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        text.append(number, std::to_chars(number, number + sizeof number, numbers[k]).ptr);
        text.push_back((k + 1) % perLine == 0 ? '\n' : ' ');
    }
    std::ofstream(path, std::ios::binary) << text;
}

inline void WritePointFile(const std::string& path, const std::vector<PointD>& vertices)
{
    std::vector<double> numbers;
    numbers.reserve(2 * vertices.size());
    for (const PointD& vertex : vertices)
        numbers.insert(numbers.end(), { vertex.X, vertex.Y });
    WriteNumbers(path, std::to_string(vertices.size()) + "\n", numbers, 2);
}
