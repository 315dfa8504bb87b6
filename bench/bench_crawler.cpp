// Rate harness: the crawler's whole memory read (64 MiB, 65 536 lines)
// against an in-process simulated crawler at 0 %, 1 % and 5 % line loss.
// Prints seconds, repeated line requests and the ratio to the protocol's
// bound (65 536 lines at 3000 line requests per second = 21.85 s).
//
//   bench_crawler [loss...]      e.g. bench_crawler 0 0.05
#include "crawler/crawler_device.h"
#include "simulator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<double> losses;
    for (int i = 1; i < argc; ++i)
        losses.push_back(std::atof(argv[i]));
    if (losses.empty())
        losses = {0.0, 0.01, 0.05};
    const double bound_s = 65536.0 / 3000.0;
    const std::string addr = "127.0.91.2";
    std::printf("%-6s %10s %10s %8s %8s\n", "loss", "seconds", "repeats", "ratio", "ok");
    for (double loss : losses) {
        orvex::sim::simulator_options o;
        o.sensors = {addr + ",board=80,records=100000"};
        o.search_bind = "127.0.91.254";
        o.loss = loss;
        o.seed = 11;
        orvex::sim::simulator sim(o);
        sim.start();
        orvex::crawler::CrawlerDevice dev;
        dev.connect(addr);
        const auto t0 = std::chrono::steady_clock::now();
        dev.read_memory();
        while (dev.memory_read_state().busy)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const bool ok =
            dev.memory_read_state().success && dev.decode_results() && dev.result_count() == 100000;
        std::printf("%-6.2f %10.2f %10lu %8.2f %8s\n", loss, s, dev.memory_repeats(), s / bound_s,
                    ok ? "yes" : "NO");
        std::fflush(stdout);
    }
    return 0;
}
