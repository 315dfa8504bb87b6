// Corner detection on one 1024-point calibration profile: a corner piece (one
// bend) and teeth (a bend every 100 points), as the Y procedures run it after
// every step.
#include "calibr/corner_detection.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

std::vector<double> profile(double period)
{
    std::vector<double> v(1024);
    for (std::size_t i = 0; i < v.size(); ++i) {
        const double phase = std::fmod(double(i) + 0.3, period) - period / 2;
        v[i] = 400.0 + 0.5 * std::fabs(phase) + 0.05 * std::sin(double(i));
    }
    return v;
}

void run(benchmark::State& state, double period)
{
    const auto v = profile(period);
    std::size_t corners = 0;
    for (auto _ : state) {
        const auto r = orvex::calibr::find_corners(v.data(), v.size(), 1, false);
        corners = r.corners.size();
        benchmark::DoNotOptimize(corners);
    }
    state.counters["corners"] = double(corners);
}

void BM_CornersOfCornerPiece(benchmark::State& state)
{
    run(state, 1024.0); // one bend, near point 512
}
void BM_CornersOfTeeth(benchmark::State& state)
{
    run(state, 100.0);
}

} // namespace

BENCHMARK(BM_CornersOfCornerPiece)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CornersOfTeeth)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
