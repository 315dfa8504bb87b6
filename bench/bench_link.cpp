// Link figures: transaction round trip on loopback (median and 99th
// percentile, 200 us poll and busy poll), against the simulator when it is
// built and against a bare echo thread; datagrams per second that take()
// drains from a full queue; the receive buffer granted for a 10 MiB request.
//
// Addresses are in 127.250.0.0/16, outside the blocks the tests use, so a
// benchmark run beside the tests never meets their devices. Run with
// ORVEX_NET_GUARD=loopback like everything else.
#include "link/sensor_device.h"
#include "link/udp_link.h"

#include <benchmark/benchmark.h>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#ifdef ORVEX_BENCH_SIM
#include "simulator.h"
#endif

using namespace orvex::k7;
namespace asio = boost::asio;
using asio::ip::udp;

namespace {

// Answers every datagram with the same bytes, from its own thread.
class echo_peer {
public:
    explicit echo_peer(const char* address)
        : socket_(io_, udp::endpoint(asio::ip::make_address_v4(address), 0))
    {
        // Blocking reads: the peer sleeps in the kernel and leaves the CPU to
        // the link being measured.
        thread_ = std::thread([this] {
            std::uint8_t buf[2048];
            while (!stop_) {
                udp::endpoint from;
                boost::system::error_code ec;
                const auto n = socket_.receive_from(asio::buffer(buf), from, 0, ec);
                if (ec || stop_)
                    continue;
                socket_.send_to(asio::buffer(buf, n), from, 0, ec);
            }
        });
    }
    ~echo_peer()
    {
        stop_ = true;
        // Wakes the blocking read.
        udp::socket waker(io_, udp::v4());
        boost::system::error_code ec;
        waker.send_to(asio::buffer("", 0), socket_.local_endpoint(), 0, ec);
        thread_.join();
    }
    std::uint16_t port() const { return socket_.local_endpoint().port(); }

private:
    asio::io_context io_;
    udp::socket socket_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void report_percentiles(benchmark::State& state, std::vector<double>& us)
{
    if (us.empty())
        return;
    std::sort(us.begin(), us.end());
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    state.counters["max_us"] = us.back();
}

void round_trips(benchmark::State& state, udp_link& link, std::uint8_t code, std::size_t reply, bool busy)
{
    std::vector<double> us;
    std::uint8_t buf[512];
    std::int64_t failed = 0;
    for (auto _ : state) {
        buf[0] = code;
        const auto t0 = std::chrono::steady_clock::now();
        const bool ok = link.transact(buf, 1, reply, code, 1000, busy);
        const auto t1 = std::chrono::steady_clock::now();
        failed += ok ? 0 : 1;
        us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    state.counters["failed"] = double(failed);
    report_percentiles(state, us);
}

void BM_RoundTripEchoThread(benchmark::State& state)
{
    echo_peer peer("127.250.0.2");
    udp_link link;
    link.open("127.250.0.2", peer.port());
    round_trips(state, link, 0x50, 1, state.range(0) != 0);
}
BENCHMARK(BM_RoundTripEchoThread)->Arg(0)->Arg(1)->ArgName("busy")->Iterations(3000)->UseRealTime();

#ifdef ORVEX_BENCH_SIM
void BM_RoundTripSimulator(benchmark::State& state)
{
    orvex::sim::simulator_options o;
    o.sensors = {"127.250.0.3,serial=BENCH,fw=49m,type=S2D"};
    o.search_bind = "127.250.0.1";
    orvex::sim::simulator sim(o);
    sim.start();
    udp_link link;
    link.open("127.250.0.3", sensor_port);
    // Flash identification: 1 byte out, 3 back.
    round_trips(state, link, 0x50, 3, state.range(0) != 0);
}
BENCHMARK(BM_RoundTripSimulator)->Arg(0)->Arg(1)->ArgName("busy")->Iterations(3000)->UseRealTime();
#endif

// take() on a queue filled with 1280-byte datagrams (an image line each).
void BM_TakeDrainsFullQueue(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    asio::io_context io;
    udp::socket sender(io, udp::endpoint(asio::ip::make_address_v4("127.250.0.4"), 0));
    udp_link link;
    link.open("127.250.0.4", sender.local_endpoint().port());
    link.set_receive_buffer(0xA00000);
    const udp::endpoint to(asio::ip::make_address_v4("127.0.0.1"), link.local_port());
    std::vector<std::uint8_t> line(1280, 0x21);
    std::vector<std::uint8_t> buf(1280);
    std::int64_t taken = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < count; ++i)
            sender.send_to(asio::buffer(line), to);
        state.ResumeTiming();
        while (link.take(buf.data(), buf.size(), 0x21))
            ++taken;
    }
    state.SetItemsProcessed(taken);
    state.counters["taken_per_fill"] = double(taken) / double(state.iterations());
    state.counters["datagrams_per_s"] = benchmark::Counter(double(taken), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TakeDrainsFullQueue)->Arg(1000)->Iterations(200)->UseRealTime();

void BM_ReceiveBufferGranted(benchmark::State& state)
{
    udp_link link;
    link.open("127.250.0.5", sensor_port);
    for (auto _ : state)
        link.set_receive_buffer(static_cast<std::size_t>(state.range(0)));
    state.counters["requested_bytes"] = double(link.receive_buffer_requested());
    state.counters["granted_bytes"] = double(link.receive_buffer_granted());
}
BENCHMARK(BM_ReceiveBufferGranted)->Arg(0xA00000)->Arg(0x100000)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
