// The acquisition engine against the simulated sensor and its scene: window
// sizes, firmware rules of the frame and line-data requests, and profiles,
// polled and streamed, that decode to the scene in millimetres and pixels.
#include "link/sensor_device.h"
#include "settings/qz3p_settings.h"
#include "simulator.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

using namespace orvex::k7;
using clock_type = std::chrono::steady_clock;

namespace {

std::unique_ptr<orvex::sim::simulator> start_sim(const std::string& sensor, double profile_rate = 0.0)
{
    orvex::sim::simulator_options o;
    o.sensors = {sensor};
    o.search_bind = orvex::test::loopback_address(254);
    o.profile_rate = profile_rate;
    auto s = std::make_unique<orvex::sim::simulator>(o);
    s->start();
    return s;
}

// Steps the engine once per millisecond until `done` holds or `limit` passes.
template <class F>
bool step_until(acquisition_engine& e, F done,
                std::chrono::milliseconds limit = std::chrono::milliseconds(5000))
{
    const auto end = clock_type::now() + limit;
    while (clock_type::now() < end) {
        e.step();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

// Request codes the device received, in order.
std::vector<std::uint8_t> codes(const orvex::sim::simulator& sim)
{
    std::vector<std::uint8_t> c;
    for (const auto& d : sim.request_log(0))
        if (!d.empty())
            c.push_back(d[0]);
    return c;
}

bool has(const std::vector<std::uint8_t>& c, std::uint8_t code)
{
    return std::find(c.begin(), c.end(), code) != c.end();
}

void write_settings(sensor_device& d, void (*change)(qz3p_settings&))
{
    qz3p_settings s = d.commands().settings();
    change(s);
    ASSERT_TRUE(d.commands().write_settings_memory(s));
}

// The plane at 40 mm of the default outline (x 0..100, y1 -50..50, y2
// -80..80) lies at 40 % of the range, where the field spans -62..62 mm.
double plane_y(std::size_t row)
{
    return -62.0 + 124.0 * (double(row) + 0.5) / 1024.0;
}

} // namespace

TEST(SimAcquisition, FramesFollowTheWindowAndTheFirmwareRules)
{
    const std::string addr = orvex::test::loopback_address(2);
    auto sim = start_sim(addr + ",fw=49m,scene=corner,distance=30");
    sensor_device dev;
    ASSERT_TRUE(dev.connect(addr));
    auto& e = dev.engine();
    int images = 0;
    e.set_image_handler([&] { ++images; });

    // A 512-row window (rows 101..612): the frame completes after 512 lines,
    // and line k shows the ridge of image row 100 + k.
    write_settings(dev, [](qz3p_settings& s) {
        s.window_y_start = 100;
        s.window_y_end = 611;
    });
    e.set_image_request(true, false);
    ASSERT_TRUE(step_until(e, [&] { return images > 0; }));
    e.set_image_request(false, false);
    EXPECT_TRUE(e.frame_complete());
    EXPECT_EQ(e.line_count(), 512u);
    const auto lines = sim->line_positions(0);
    for (std::size_t k : {0u, 200u, 511u}) {
        const std::uint8_t* row = e.frame().data() + 1280 * k;
        EXPECT_NEAR(double(std::max_element(row, row + 1280) - row), lines[100 + k], 1.0) << k;
    }
    // Profile polling off on 49m: the fast request 0x2C.
    EXPECT_TRUE(has(codes(*sim), 0x2C));
    EXPECT_FALSE(has(codes(*sim), 0x29));

    // With profile polling on the frame request is 0x29, then a profile follows.
    int profiles = 0;
    e.set_profile_handler([&] { ++profiles; });
    e.set_profile_poll(true);
    e.set_image_request(true, false);
    ASSERT_TRUE(step_until(e, [&] { return images > 1 && profiles > 0; }));
    e.set_image_request(false, false);
    e.set_profile_poll(false);
    ASSERT_TRUE(step_until(e, [&] { return e.current_state() == acquisition_engine::state::idle; }));
    EXPECT_TRUE(has(codes(*sim), 0x29));

    // Result points on 49m: line data after the frame, equal to the scene's
    // line in each window row.
    e.set_result_points(true);
    e.set_image_request(true, false);
    ASSERT_TRUE(step_until(e, [&] { return e.line_data_complete(); }));
    e.set_image_request(false, false);
    for (std::size_t k : {0u, 100u, 511u})
        EXPECT_NEAR(e.line_data()[k], lines[100 + k], 1.0 / 32) << k;
    EXPECT_TRUE(has(codes(*sim), 0x2E));

    // Image streaming: whole frames of the window, numbered lines on 49m.
    const int before = images;
    ASSERT_TRUE(e.set_image_stream(true));
    bool complete = false;
    e.set_image_handler([&] {
        ++images;
        complete = e.frame_complete();
    });
    ASSERT_TRUE(step_until(e, [&] { return images > before; }));
    e.set_image_stream(false);
    EXPECT_TRUE(complete);
}

TEST(SimAcquisition, NoLineDataBeforeFirmware48d)
{
    const std::string addr = orvex::test::loopback_address(3);
    auto sim = start_sim(addr + ",fw=48c");
    sensor_device dev;
    ASSERT_TRUE(dev.connect(addr));
    auto& e = dev.engine();
    int images = 0;
    e.set_image_handler([&] { ++images; });
    e.set_result_points(true);
    e.set_image_request(true, false);
    ASSERT_TRUE(step_until(e, [&] { return images > 0; }));
    e.set_image_request(false, false);
    EXPECT_TRUE(e.frame_complete());
    EXPECT_FALSE(e.line_data_complete());
    const auto c = codes(*sim);
    EXPECT_TRUE(has(c, 0x29)); // numbered lines, and no fast request before 49m
    EXPECT_FALSE(has(c, 0x2C));
    EXPECT_FALSE(has(c, 0x2E));
}

TEST(SimAcquisition, ProfilesDecodeToTheScene)
{
    const std::string addr = orvex::test::loopback_address(4);
    auto sim = start_sim(addr + ",scene=plane,distance=40,shift=6", 1000);
    sensor_device dev;
    ASSERT_TRUE(dev.connect(addr));
    auto& e = dev.engine();
    EXPECT_DOUBLE_EQ(dev.commands().info().scale, 64.0);

    // Polled, millimetres with p = 6: x = 40, y across the field.
    int polled = 0;
    e.set_profile_handler([&] { ++polled; });
    e.set_profile_poll(true);
    ASSERT_TRUE(step_until(e, [&] { return polled >= 2; }));
    e.set_profile_poll(false);
    const auto& p = e.profile();
    ASSERT_EQ(p.header.n, 1024);
    EXPECT_TRUE(p.header.two_coordinates);
    for (std::size_t i : {0u, 300u, 1023u}) {
        EXPECT_NEAR(p.points[i].x, 40.0, 0.03) << i;
        EXPECT_NEAR(p.points[i].y, plane_y(i), 0.1) << i;
    }
    const std::uint32_t first_counter = p.header.word1;

    // Streamed, with intensities, after the target moved 10 mm away: x = 50;
    // header word 1 counts without gaps.
    sim->set_target_offset(0, 10.0, 0.0);
    ASSERT_TRUE(step_until(e, [&] { return e.current_state() == acquisition_engine::state::idle; }));
    std::vector<std::uint32_t> counters;
    double last_x = 0.0;
    e.set_profile_observer([&](const decoded_profile& d) {
        counters.push_back(d.header.word1);
        last_x = d.points[512].x;
    });
    e.set_intensities(true);
    ASSERT_TRUE(e.set_profile_stream(true));
    ASSERT_TRUE(step_until(e, [&] { return counters.size() >= 200; }));
    e.set_profile_stream(false);
    EXPECT_NEAR(last_x, 50.0, 0.03);
    EXPECT_GT(counters.front(), first_counter);
    for (std::size_t i = 1; i < counters.size(); ++i)
        ASSERT_EQ(counters[i], counters[i - 1] + 1) << i;
    EXPECT_GT(e.profile().intensities[512], 100);

    // Calibration bypass on: the line position in pixels, the row as y; a
    // 10-row window decodes 10 points.
    write_settings(dev, [](qz3p_settings& s) {
        s.calibration_bypass = 1;
        s.window_y_start = 0;
        s.window_y_end = 9;
    });
    e.set_intensities(false);
    e.set_profile_observer({});
    polled = 0;
    e.set_profile_poll(true);
    ASSERT_TRUE(step_until(e, [&] { return polled >= 1; }));
    e.set_profile_poll(false);
    const auto lines = sim->line_positions(0);
    EXPECT_EQ(e.profile().header.n, 10);
    EXPECT_FALSE(e.profile().header.two_coordinates);
    EXPECT_NEAR(e.profile().points[9].x, lines[9], 1.0 / 32);
    EXPECT_DOUBLE_EQ(e.profile().points[9].y, 9.0);
}
