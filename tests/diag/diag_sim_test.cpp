// The latch cycle and the register dump against the simulator, and the
// latch datagram rules against a raw peer that answers what a test needs.
#include "diag/latch_cycle.h"
#include "diag/register_dump.h"
#include "link/raw_peer.h"
#include "link/sensor_device.h"
#include "simulator.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <thread>

using namespace orvex;
using event = diag::latch_cycle::event;

namespace {

class DiagSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::simulator_options o;
        o.sensors = {test::loopback_address(2) + ",serial=00042"};
        o.search_bind = test::loopback_address(254);
        sim_ = std::make_unique<sim::simulator>(o);
        sim_->start();
        ASSERT_TRUE(device_.connect(test::loopback_address(2)));
    }

    // Steps the cycle until `until` or the limit of steps.
    event run(diag::latch_cycle& cycle, event until, int limit = 2000)
    {
        event e = event::latch_sent;
        for (int i = 0; i < limit; ++i) {
            e = cycle.step(device_);
            if (e == until || e == event::failed)
                return e;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return e;
    }

    std::unique_ptr<sim::simulator> sim_;
    k7::sensor_device device_;
};

// Sends every datagram of `replies` to the service link when it sends 0xD2;
// answers 0xD0 with `status`.
std::vector<test::bytes_t> latch_answers(const test::bytes_t& rq, std::uint8_t status,
                                         const std::vector<test::bytes_t>& chunks)
{
    if (rq.empty())
        return {};
    if (rq[0] == 0xD0)
        return {{0xD0, status}};
    if (rq[0] == 0xD2)
        return chunks;
    return {};
}

test::bytes_t chunk(std::uint8_t fill, bool last, std::size_t size = 4097, std::uint8_t first = 0xD2)
{
    test::bytes_t d(size, fill);
    d[0] = first;
    if (size > 1)
        d[1] = last ? 1 : 0;
    return d;
}

} // namespace

TEST_F(DiagSim, LatchCycleLatchesWaitsWhileBusyAndAssemblesTheRecord)
{
    diag::latch_cycle cycle;
    EXPECT_EQ(cycle.step(device_), event::latch_sent);
    EXPECT_EQ(cycle.step(device_), event::status_busy) << "0x40 right after a latch";
    EXPECT_EQ(cycle.state(), 1);
    EXPECT_EQ(cycle.step(device_), event::status_ready);
    EXPECT_EQ(cycle.step(device_), event::read_requested);
    ASSERT_EQ(run(cycle, event::completed), event::completed);
    EXPECT_EQ(cycle.state(), 0);
    // The simulator latches a sine around 128; every one of the 4096 samples arrived.
    const auto& r = cycle.record();
    EXPECT_EQ(*std::min_element(r.begin(), r.end()), 32);
    EXPECT_EQ(*std::max_element(r.begin(), r.end()), 224);
    EXPECT_NE(r[4095], 0);

    diag::latch_record manual{};
    EXPECT_EQ(diag::read_latch_once(device_, manual), 4u);
    EXPECT_EQ(manual, r);
}

TEST_F(DiagSim, DumpWritesAllRegistersInTheFileFormat)
{
    test::TempDir dir;
    const auto file = dir / "Registers.txt";
    auto& flash = device_.flash();
    ASSERT_TRUE(flash.write_register(3, 0xBEEF));
    ASSERT_EQ(diag::dump_registers(
                  file, [&](std::uint16_t a, std::uint16_t& v) { return flash.read_register(a, v); }),
              diag::dump_result::done);
    std::istringstream in(test::read_file(file));
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    ASSERT_EQ(lines.size(), 512u);
    EXPECT_EQ(lines[3], "003   BEEF   48879");
    EXPECT_EQ(lines[0].substr(0, 3), "  0");
    EXPECT_EQ(lines[511].substr(0, 3), "511");
}

TEST(LatchRules, StatusBitsForeignDatagramsShortReadsAndExtraChunks)
{
    const std::string address = test::loopback_address(3);
    std::uint8_t status = 0x20;
    std::vector<test::bytes_t> chunks;
    std::mutex m;
    test::raw_peer peer(address, 0, [&](const test::bytes_t& rq) {
        std::lock_guard<std::mutex> lock(m);
        return latch_answers(rq, status, chunks);
    });
    k7::sensor_device device;
    device.link(k7::link_service).open(address, peer.port());

    diag::latch_cycle cycle;
    cycle.step(device);
    EXPECT_EQ(cycle.step(device), event::status_busy);
    EXPECT_EQ(cycle.step(device), event::status_busy) << "0x20 keeps the cycle waiting";
    EXPECT_EQ(cycle.status(), 0x20);
    {
        std::lock_guard<std::mutex> lock(m);
        status = 0x80; // other bits do not matter
        chunks = {chunk(1, false, 4096), chunk(9, false, 4098), chunk(2, false, 4097, 0xD3), chunk(3, false),
                  chunk(4, true)};
    }
    EXPECT_EQ(cycle.step(device), event::status_ready);
    EXPECT_EQ(cycle.step(device), event::read_requested);
    event e = event::waiting;
    for (int i = 0; i < 1000 && e == event::waiting; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        e = cycle.step(device);
    }
    ASSERT_EQ(e, event::completed);
    EXPECT_EQ(cycle.record()[0], 3) << "only accepted chunks are stored";
    EXPECT_EQ(cycle.record()[1024], 4);
    EXPECT_EQ(cycle.record()[2048], 0);

    // Two chunks without the last flag: the cycle times out, the manual read plots them.
    {
        std::lock_guard<std::mutex> lock(m);
        status = 0;
        chunks = {chunk(5, false), chunk(6, false)};
    }
    diag::latch_record manual;
    manual.fill(0xEE);
    EXPECT_EQ(diag::read_latch_once(device, manual), 2u);
    EXPECT_EQ(manual[1023], 5);
    EXPECT_EQ(manual[2047], 6);
    EXPECT_EQ(manual[2048], 0);
    cycle.step(device);
    cycle.step(device);
    cycle.step(device);
    const auto start = std::chrono::steady_clock::now();
    e = event::waiting;
    while (e == event::waiting)
        e = cycle.step(device);
    EXPECT_EQ(e, event::failed);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(190));
    EXPECT_EQ(cycle.state(), 0);

    // A fifth chunk without the last flag ends the read instead of overrunning the record.
    {
        std::lock_guard<std::mutex> lock(m);
        chunks = {chunk(1, false), chunk(2, false), chunk(3, false), chunk(4, false), chunk(5, false)};
    }
    EXPECT_EQ(diag::read_latch_once(device, manual), 4u);
    EXPECT_EQ(manual[4095], 4);
}
