// Streaming end to end on loopback: profiles from a separate k7sim process at
// a fixed rate into the acquisition engine stepped every millisecond, and
// frames from the image stream of an in-process simulator.
//
// Profiles: for each rate, received/sent (sent = the span of header word 1,
// which the simulator advances by one per profile), the receiving thread's
// CPU time per wall second, and the simulator process's CPU. With
// --raise-rmem (root) the run is repeated with net.core.rmem_max raised to
// 16 MiB, and the old value is put back afterwards.
// Frames: complete frames per second and the image lines that did not end up
// in a complete frame (lost on the way or dropped while the engine waited
// for a frame's line 0 again).
//
//   bench_stream [--seconds S] [--rates 5000,10000,20000,30000] [--raise-rmem]
//                [--rmem-max BYTES] [--profiles-only | --frames-only] [--k7sim PATH]
//
// --rmem-max runs everything with net.core.rmem_max set to BYTES (root; the
// old value is put back at the end), e.g. 212992, the kernel's own default.
//
// Addresses are in 127.250.0.0/16, apart from the tests' blocks.
#include "link/sensor_device.h"
#include "simulator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace orvex::k7;
using clock_type = std::chrono::steady_clock;

#ifdef _WIN32
int main()
{
    std::puts("bench_stream needs a POSIX system (process start, thread CPU time, /proc)");
    return 0;
}
#else

namespace {

constexpr const char* profile_address = "127.250.1.2";
constexpr const char* frame_address = "127.250.2.2";

double thread_cpu_seconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// User + system CPU of another process, in seconds (0 when unreadable).
double process_cpu_seconds(pid_t pid)
{
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const auto close = all.rfind(')');
    if (close == std::string::npos)
        return 0.0;
    std::istringstream rest(all.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

long read_rmem_max()
{
    std::ifstream f("/proc/sys/net/core/rmem_max");
    long v = -1;
    f >> v;
    return v;
}

bool write_rmem_max(long v)
{
    std::ofstream f("/proc/sys/net/core/rmem_max");
    f << v << "\n";
    f.flush();
    return bool(f) && read_rmem_max() == v;
}

class sim_process {
public:
    sim_process(const std::string& exe, double rate)
    {
        const std::string r = std::to_string(rate);
        const std::string sensor = std::string(profile_address) + ",scene=teeth";
        std::fflush(stdout); // or the child would print the parent's buffered text again
        pid_ = fork();
        if (pid_ == 0) {
            std::freopen("/dev/null", "w", stdout);
            execl(exe.c_str(), exe.c_str(), "--sensor", sensor.c_str(), "--search-bind", "127.250.1.254",
                  "--profile-rate", r.c_str(), static_cast<char*>(nullptr));
            std::_Exit(127);
        }
    }
    ~sim_process()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

bool connect_soon(sensor_device& d, const char* address)
{
    const auto until = clock_type::now() + std::chrono::seconds(5);
    while (clock_type::now() < until) {
        if (d.connect(address))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// Steps `e` once per millisecond for `seconds`; returns the wall time taken.
double step_for(acquisition_engine& e, double seconds)
{
    const auto start = clock_type::now();
    auto next = start;
    const auto end =
        start + std::chrono::duration_cast<clock_type::duration>(std::chrono::duration<double>(seconds));
    while (clock_type::now() < end) {
        e.step();
        next += std::chrono::milliseconds(1);
        std::this_thread::sleep_until(next);
    }
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

void profile_run(const std::string& exe, double rate, double seconds)
{
    sim_process sim(exe, rate);
    sensor_device dev;
    if (!connect_soon(dev, profile_address)) {
        std::printf("%8.0f  k7sim did not answer\n", rate);
        return;
    }
    auto& e = dev.engine();
    unsigned long long received = 0, gaps = 0;
    std::uint32_t first = 0, last = 0;
    e.set_profile_observer([&](const decoded_profile& p) {
        if (received == 0)
            first = p.header.word1;
        else
            gaps += orvex::k7::profiles_missing(last, p.header.word1);
        last = p.header.word1;
        ++received;
    });
    const double sim_cpu0 = process_cpu_seconds(sim.pid());
    const double cpu0 = thread_cpu_seconds();
    e.set_profile_stream(true);
    const double wall = step_for(e, seconds);
    const double cpu = thread_cpu_seconds() - cpu0;
    const double sim_cpu = process_cpu_seconds(sim.pid()) - sim_cpu0;
    e.set_profile_stream(false);
    step_for(e, 0.05);
    const double sent = received ? double(last - first) + 1.0 : 0.0;
    std::printf("%8.0f  %9llu  %9.0f  %8.5f  %6llu  %7.1f %%  %7.1f %%  %9zu\n", rate, received, sent,
                sent > 0 ? double(received) / sent : 0.0, gaps, 100.0 * cpu / wall, 100.0 * sim_cpu / wall,
                dev.link(link_profile).receive_buffer_granted());
    dev.disconnect();
}

void profile_table(const std::string& exe, const std::vector<double>& rates, double seconds)
{
    std::printf("net.core.rmem_max = %ld\n", read_rmem_max());
    std::printf("    rate   received       sent  recv/sent    lost  recv CPU   sim CPU   rcvbuf\n");
    for (double r : rates)
        profile_run(exe, r, seconds);
}

void frame_run(double fps, unsigned lines_per_ms, double seconds)
{
    orvex::sim::simulator_options o;
    o.sensors = {std::string(frame_address) + ",scene=teeth"};
    o.search_bind = "127.250.2.254";
    o.frame_rate = fps;
    o.lines_per_ms = lines_per_ms;
    orvex::sim::simulator sim(o);
    sim.start();
    sensor_device dev;
    if (!connect_soon(dev, frame_address)) {
        std::printf("frames: the simulator did not answer\n");
        return;
    }
    auto& e = dev.engine();
    unsigned long long complete = 0, lines_in_frames = 0;
    e.set_image_handler([&] {
        if (e.frame_complete()) {
            ++complete;
            lines_in_frames += e.line_count();
        }
    });
    const auto sent0 = sim.lines_sent(0);
    e.set_image_stream(true);
    const double wall = step_for(e, seconds);
    // Sent up to the last step; the lines of the frame still being collected
    // are not counted as lost (the figure is good to a few lines in flight).
    const double sent = double(sim.lines_sent(0) - sent0);
    const double pending = e.line_count();
    e.set_image_stream(false);
    std::printf("%7.0f  %6u  %9.1f  %10.0f  %10.0f  %7.0f\n", fps, lines_per_ms, complete / wall, sent,
                double(lines_in_frames), std::max(0.0, sent - double(lines_in_frames) - pending));
    dev.disconnect();
}

} // namespace

int main(int argc, char** argv)
{
    setenv("ORVEX_NET_GUARD", "loopback", 0);
    double seconds = 10.0;
    std::vector<double> rates{5000, 10000, 20000, 30000};
    bool raise = false, profiles = true, frames = true;
    long rmem = 0;
    std::string exe = K7SIM_EXE;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (a == "--rates" && i + 1 < argc) {
            rates.clear();
            std::stringstream s(argv[++i]);
            std::string r;
            while (std::getline(s, r, ','))
                rates.push_back(std::atof(r.c_str()));
        } else if (a == "--rmem-max" && i + 1 < argc) {
            rmem = std::atol(argv[++i]);
        } else if (a == "--raise-rmem") {
            raise = true;
        } else if (a == "--profiles-only") {
            frames = false;
        } else if (a == "--frames-only") {
            profiles = false;
        } else if (a == "--k7sim" && i + 1 < argc) {
            exe = argv[++i];
        } else {
            std::fprintf(stderr, "unknown argument %s\n", a.c_str());
            return 2;
        }
    }
    const long original_rmem = read_rmem_max();
    if (rmem > 0 && !write_rmem_max(rmem)) {
        std::printf("net.core.rmem_max could not be set to %ld (not permitted here)\n", rmem);
        return 1;
    }
    if (profiles) {
        profile_table(exe, rates, seconds);
        if (raise) {
            const long old = read_rmem_max();
            if (write_rmem_max(16777216)) {
                profile_table(exe, rates, seconds);
                if (!write_rmem_max(old))
                    std::printf("could not restore net.core.rmem_max to %ld\n", old);
            } else {
                std::printf("net.core.rmem_max could not be raised (not permitted here)\n");
            }
        }
    }
    if (frames) {
        std::printf("\nimage stream, 1280 x 1024 frames\n");
        std::printf("    fps  l/ms  complete/s  lines sent  in frames     lost\n");
        frame_run(25, 32, seconds);
        frame_run(50, 128, seconds);
        frame_run(100, 256, seconds);
    }
    if (rmem > 0 && !write_rmem_max(original_rmem))
        std::printf("could not restore net.core.rmem_max to %ld\n", original_rmem);
    return 0;
}

#endif
