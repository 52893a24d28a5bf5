#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

// The middle figure of a benchmark's rounds (the upper of the two middle ones for an even count).
inline double benchMedian(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Google Benchmark's main with a Qt application object around it. Windows are drawn
// offscreen unless the caller chose a platform.
#define BANKFILE_BENCH_MAIN(AppType)                                                               \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        setenv("QT_QPA_PLATFORM", "offscreen", 0);                                                 \
        AppType app(argc, argv);                                                                   \
        benchmark::Initialize(&argc, argv);                                                        \
        if (benchmark::ReportUnrecognizedArguments(argc, argv))                                    \
            return 1;                                                                              \
        benchmark::RunSpecifiedBenchmarks();                                                       \
        benchmark::Shutdown();                                                                     \
        return 0;                                                                                  \
    }
