// One simulated sensor in-process and a device connected to it, for the
// flash tests. Each test process has its own loopback block, so the tests
// may run in parallel.
#pragma once

#include "flash/flash_engine.h"
#include "link/sensor_device.h"
#include "simulator.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace orvex::test {

using byte_vector = std::vector<std::uint8_t>;

class SimSensor : public ::testing::Test {
protected:
    /// `extra`: further ",key=value" items of the simulated sensor.
    void start(const std::string& extra = "")
    {
        sim::simulator_options o;
        o.sensors = {loopback_address(2) + ",serial=00042" + extra};
        o.search_bind = loopback_address(254);
        sim_ = std::make_unique<sim::simulator>(o);
        sim_->start();
        ASSERT_TRUE(device_.connect(loopback_address(2)));
    }
    void SetUp() override { start(); }

    k7::flash_commands& flash() { return device_.flash(); }
    k7::flash_engine& engine() { return device_.flash().jobs(); }

    /// Resumes the device's jobs until none is left.
    void run_jobs()
    {
        while (engine().resume_flash_jobs()) {
        }
    }

    /// Requests with the given first byte logged since the last clear_log().
    std::vector<byte_vector> requests(std::uint8_t command) const
    {
        std::vector<byte_vector> out;
        for (auto& r : sim_->request_log(0))
            if (!r.empty() && r[0] == command)
                out.push_back(r);
        return out;
    }
    std::vector<byte_vector> log() const
    {
        auto all = sim_->request_log(0);
        return std::vector<byte_vector>(all.begin() + static_cast<std::ptrdiff_t>(log_mark_), all.end());
    }
    void clear_log() { log_mark_ = sim_->request_log(0).size(); }

    /// 24-bit page addresses of the page writes ('R') since clear_log().
    std::vector<std::uint32_t> page_writes() const
    {
        std::vector<std::uint32_t> out;
        for (auto& r : log())
            if (r.size() >= 4 && r[0] == 0x52)
                out.push_back((std::uint32_t(r[1]) << 16) | (std::uint32_t(r[2]) << 8));
        return out;
    }
    std::size_t count_since_mark(std::uint8_t command) const
    {
        auto l = log();
        return static_cast<std::size_t>(std::count_if(
            l.begin(), l.end(), [&](const byte_vector& r) { return !r.empty() && r[0] == command; }));
    }

    /// Waits (generously) until `done` holds. The operating-mode datagram gets
    /// no reply, so the simulator may still be on its way to it when a job ends.
    template <class F>
    static bool eventually(F done)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return done();
    }

    /// Waits until the simulator has taken an operating-mode datagram for
    /// `mode` as the last request.
    bool mode_taken(std::uint8_t mode) const
    {
        return eventually([&] {
            const auto l = log();
            return !l.empty() && l.back().size() == 9 && l.back()[0] == 0x86 && l.back()[5] == mode;
        });
    }
    /// Waits until the simulator has taken the measuring-mode datagram.
    bool back_in_measuring_mode() const { return mode_taken(0); }

    static byte_vector pattern(std::size_t n, std::uint8_t seed = 1)
    {
        byte_vector v(n);
        for (std::size_t i = 0; i < n; ++i)
            v[i] = static_cast<std::uint8_t>(i * 7 + seed + i / 256);
        return v;
    }

    std::unique_ptr<sim::simulator> sim_;
    k7::sensor_device device_;
    std::size_t log_mark_ = 0;
};

/// Collects every report of a job.
struct report_log {
    std::vector<k7::flash_status> all;
    k7::flash_callback callback()
    {
        return [this](const k7::flash_status& s) { all.push_back(s); };
    }
    std::size_t finals() const
    {
        return static_cast<std::size_t>(
            std::count_if(all.begin(), all.end(), [](const k7::flash_status& s) { return s.finished; }));
    }
    const k7::flash_status& last() const { return all.back(); }
};

} // namespace orvex::test
