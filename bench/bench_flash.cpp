// Flash figures: writing an 8 MiB table image with read-back verification
// against the simulator, with the jobs resumed back to back and with one
// resumption per 1 ms tick as the main window's timer does (bound: two pages
// per tick, 2 000 pages/s); and the time and peak memory of the range
// analysis of a full 1024 x 1280 table pair.
//
// A rate harness rather than Google Benchmark: each figure is one long run.
// Address 127.251.0.2, outside the blocks the tests use. Run with
// ORVEX_NET_GUARD=loopback.
#include "flash/flash_programming.h"
#include "link/flash_commands.h"
#include "link/sensor_device.h"
#include "profiles/calibration_range.h"
#include "profiles/calibration_tables.h"
#include "simulator.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

using namespace orvex::k7;
using clock_type = std::chrono::steady_clock;

namespace {

// Peak resident set of the process in MiB (0 where unknown).
double peak_mib()
{
#ifndef _WIN32
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
#else
    return 0;
#endif
}

std::string table_text(bool x)
{
    std::string out;
    out.reserve(1024 * 1280 * 9);
    char cell[32];
    for (int r = 0; r < 1024; ++r) {
        for (int c = 0; c < 1280; ++c) {
            const bool inside = r > 100 && r < 900 && c > 50 && c < 1200;
            const double v = !inside ? 65535.0 : x ? 5.0 + c * 0.117 : (r - 500) * 0.071;
            out += std::string(cell, static_cast<std::size_t>(std::snprintf(cell, sizeof cell, "%.3f ", v)));
        }
        out += "eol\n";
    }
    return out;
}

void range_figures()
{
    const std::string x = table_text(true), y = table_text(false);
    const double before = peak_mib();
    const auto t0 = clock_type::now();
    CalibrationRange range;
    range.load_text(x, y, 8);
    range.encode_block();
    const double seconds = std::chrono::duration<double>(clock_type::now() - t0).count();
    std::printf(
        "range analysis: %.2f s to parse and analyse, peak memory +%.1f MiB (texts %.1f MiB held before)\n",
        seconds, peak_mib() - before, double(x.size() + y.size()) / (1 << 20));
}

// Writes the 8 MiB image; `tick` 0 resumes back to back.
void write_figure(sensor_device& device, const std::vector<std::uint8_t>& image,
                  std::chrono::microseconds tick)
{
    flash_status final_status;
    const auto t0 = clock_type::now();
    if (!start_programming(device.flash(), table_address, image.data(), image.size(),
                           [&](const flash_status& s) {
                               if (s.finished)
                                   final_status = s;
                           }))
        return;
    auto next = t0 + tick;
    while (device.flash().jobs().busy()) {
        if (tick.count() > 0) {
            std::this_thread::sleep_until(next);
            next += tick;
        }
        device.flash().jobs().resume_flash_jobs();
    }
    const double seconds = std::chrono::duration<double>(clock_type::now() - t0).count();
    const double pages = double(image.size()) / 256.0;
    std::printf("8 MiB table write with verification, %s: %s, %.1f s, %.0f pages/s = %.2f of 2000 pages/s\n",
                tick.count() > 0 ? "1 ms timer" : "back to back", final_status.text.c_str(), seconds,
                pages / seconds, pages / seconds / 2000.0);
}

} // namespace

int main()
{
    range_figures();

    orvex::sim::simulator_options o;
    o.sensors = {"127.251.0.2,serial=B0001"};
    o.search_bind = "127.251.0.254";
    orvex::sim::simulator sim(o);
    sim.start();
    sensor_device device;
    if (!device.connect("127.251.0.2")) {
        std::puts("no connection to the simulator");
        return 1;
    }
    std::vector<std::uint8_t> image(0x800000);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 31 + i / 8192);
    write_figure(device, image, std::chrono::microseconds(0));
    write_figure(device, image, std::chrono::microseconds(1000));
    return 0;
}
