#include "crawler/crawler_device.h"
#include "crawler/crawler_export.h"
#include "simulator.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace orvex::crawler;
using clk = std::chrono::steady_clock;

namespace {

std::unique_ptr<orvex::sim::simulator> start_sim(const std::string& sensor, double loss)
{
    orvex::sim::simulator_options o;
    o.sensors = {sensor};
    o.search_bind = orvex::test::loopback_address(254);
    o.loss = loss;
    o.seed = 7;
    auto s = std::make_unique<orvex::sim::simulator>(o);
    s->start();
    return s;
}

template <class Pred>
bool wait_until(Pred done, std::chrono::seconds limit)
{
    const auto end = clk::now() + limit;
    while (!done()) {
        if (clk::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace

// Four of the 64 frames hold the log; the whole 64 MiB read is left to the benchmark.
TEST(CrawlerSim, MemoryReadUnderLineLoss)
{
    const std::string addr = orvex::test::loopback_address(2);
    auto sim = start_sim(addr + ",board=80,records=1234", 0.05);
    CrawlerDevice dev(4);
    dev.connect(addr);
    std::vector<task_state> seen;
    std::mutex seen_mutex;
    ASSERT_TRUE(dev.read_memory([&](const task_state& s) {
        std::lock_guard<std::mutex> l(seen_mutex);
        seen.push_back(s);
    }));
    EXPECT_FALSE(dev.read_memory()); // one read at a time
    ASSERT_TRUE(wait_until([&] { return !dev.memory_read_state().busy; }, std::chrono::seconds(90)));
    const task_state end = dev.memory_read_state();
    EXPECT_TRUE(end.success);
    EXPECT_EQ(end.done, 4u);
    EXPECT_GT(dev.memory_repeats(), 0u);
    {
        std::lock_guard<std::mutex> l(seen_mutex);
        ASSERT_EQ(seen.size(), 5u); // waiting for frames 0..3 (0..3 landed), then the end
        EXPECT_EQ(seen[3].done, 3u);
        EXPECT_FALSE(seen.back().busy);
    }
    const auto truth = sim->crawler_memory(0, 0, dev.memory_size());
    dev.with_memory([&](const std::uint8_t* m, std::size_t n) {
        ASSERT_EQ(n, truth.size());
        EXPECT_TRUE(std::equal(truth.begin(), truth.end(), m));
    });
    ASSERT_TRUE(dev.decode_results());
    EXPECT_EQ(dev.result_count(), sim->crawler_records(0));
    EXPECT_EQ(dev.results_raw()[49].sensor[2], reading_absent); // record 50 lacks sensor 2
    EXPECT_EQ(dev.results_raw()[1233].enc_1, 12340);
    EXPECT_NE(dev.action_status().find("Измерений: 1234"), std::string::npos);

    // Leaving during a read joins the worker at once.
    auto other = std::make_unique<CrawlerDevice>(4);
    other->connect(addr);
    ASSERT_TRUE(other->read_memory());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto t = clk::now();
    other.reset();
    EXPECT_LT(clk::now() - t, std::chrono::seconds(1));
}

TEST(CrawlerSim, MeasurementTaskReadsAnEmptyLog)
{
    const std::string addr = orvex::test::loopback_address(3);
    auto sim = start_sim(addr + ",board=80,records=0,measure=0.2", 0.0);
    CrawlerDevice dev(3);
    dev.connect(addr);
    ASSERT_TRUE(dev.delayed_start(0));
    EXPECT_EQ(dev.get_state(), std::make_pair(std::uint8_t(1), true));
    ASSERT_TRUE(wait_until([&] { return dev.status().rfind("Измерение завершено. ", 0) == 0; },
                           std::chrono::seconds(60)))
        << dev.status();
    EXPECT_EQ(dev.state(), measure_state::idle);
    EXPECT_TRUE(dev.connected());
    EXPECT_EQ(dev.result_count(), 0u);
    EXPECT_EQ(data_text(dev.results_phys()), "");

    // A crawler that stops answering ends a frame read with failure after the deadline.
    sim->set_answering(0, false);
    ASSERT_TRUE(dev.read_frame(1));
    ASSERT_TRUE(wait_until([&] { return !dev.frame_read_state().busy; }, std::chrono::seconds(30)));
    EXPECT_FALSE(dev.frame_read_state().success);
}
