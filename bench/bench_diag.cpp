// Laser-tuning analysis of one 1280 x 1024 frame (a laser line a few pixels
// wide in every row on a dim, noisy background), and the sandbox's outlier
// filter over a 1024-point profile at window 15.
#include "diag/laser_tuning.h"
#include "profiles/sandbox_filter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

std::vector<std::uint8_t> laser_frame()
{
    std::vector<std::uint8_t> frame(1280 * 1024);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> noise(0, 12);
    for (int r = 0; r < 1024; ++r) {
        const double centre = 640 + 300 * std::sin(r / 150.0);
        for (int c = 0; c < 1280; ++c) {
            const double d = (c - centre) / 2.5;
            const double v = 230 * std::exp(-d * d) + noise(rng);
            frame[static_cast<std::size_t>(r) * 1280 + static_cast<std::size_t>(c)] =
                static_cast<std::uint8_t>(std::min(255.0, v));
        }
    }
    return frame;
}

void laser_tuning_frame(benchmark::State& state)
{
    const auto frame = laser_frame();
    std::vector<orvex::diag::laser_row> rows;
    for (auto _ : state) {
        orvex::diag::analyse_laser_rows(frame.data(), 1024, 1280, rows);
        benchmark::DoNotOptimize(rows.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(laser_tuning_frame)->Unit(benchmark::kMillisecond);

void outlier_filter_1024(benchmark::State& state)
{
    std::vector<orvex::math::Point2d> points;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> jitter(-0.2, 0.2);
    for (int i = 0; i < 1024; ++i)
        points.push_back({50.0 + i * 0.05 + jitter(rng), 10.0 + (i % 97 == 0 ? 5.0 : jitter(rng))});
    for (auto _ : state) {
        auto rejected = orvex::outlier_rejects(points, 15, 0.5, 4);
        benchmark::DoNotOptimize(rejected);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(outlier_filter_1024)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
