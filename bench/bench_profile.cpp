// Profile decoding: nanoseconds per datagram for the three forms a profile
// arrives in (millimetres, pixels with calibration bypass, millimetres with
// intensities), all 1024 slots decoded, a tenth of them invalid.
#include "link/profile_datagram.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

using namespace orvex::k7;

namespace {

std::vector<std::uint8_t> datagram(bool intensities)
{
    std::vector<std::uint8_t> d(intensities ? profile_datagram_size_intensities : profile_datagram_size, 0);
    const std::size_t at = intensities ? 40 : 8;
    for (std::size_t i = 0; i < profile_slots; ++i) {
        const std::uint16_t x = i % 10 == 0 ? 0xFFFF : std::uint16_t(1280 + 3 * i);
        const std::uint16_t y = std::uint16_t(std::int16_t(i) - 512);
        d[at + 4 * i] = std::uint8_t(x >> 8);
        d[at + 4 * i + 1] = std::uint8_t(x);
        d[at + 4 * i + 2] = std::uint8_t(y >> 8);
        d[at + 4 * i + 3] = std::uint8_t(y);
    }
    return d;
}

void decode(benchmark::State& state, bool intensities, bool two_coordinates)
{
    const auto d = datagram(intensities);
    static decoded_profile out;
    for (auto _ : state) {
        decode_profile(d.data(), intensities, 1024, two_coordinates, 32.0, out);
        benchmark::DoNotOptimize(out.points[1023].x);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * std::int64_t(d.size()));
}

void BM_DecodeMillimetres(benchmark::State& state)
{
    decode(state, false, true);
}
void BM_DecodePixels(benchmark::State& state)
{
    decode(state, false, false);
}
void BM_DecodeWithIntensities(benchmark::State& state)
{
    decode(state, true, true);
}

} // namespace

BENCHMARK(BM_DecodeMillimetres);
BENCHMARK(BM_DecodePixels);
BENCHMARK(BM_DecodeWithIntensities);
BENCHMARK_MAIN();
