// The rules behind the settings editor and the convolution form: image window
// normalisation and limits, readout time and period checks, record and text
// conversions, the distance field's limits, and the combined set list.
#include "link/sensor_info.h"
#include "settings/convolution_list.h"
#include "settings/editor_values.h"
#include "settings/image_timing.h"

#include <gtest/gtest.h>

using namespace orvex::k7;
using orvex::ConvolutionSet;

namespace {

bool acceptable(const image_window& w)
{
    return (w.x_start - 1) % 8 == 0 && w.x_end % 8 == 0 && w.x_start >= 1 && w.x_end <= image_columns &&
           w.x_end - w.x_start >= min_window_span && w.y_start >= 1 && w.y_end <= image_rows &&
           w.y_start <= w.y_end;
}

} // namespace

TEST(ImageWindow, NormalisationGivesAWindowTheSensorAccepts)
{
    EXPECT_EQ(normalise_window({1, 200, 1, 1024}), (image_window{1, 336, 1, 1024}));
    EXPECT_EQ(normalise_window({1, 200, 1, 1024}).width(), 336);
    EXPECT_EQ(normalise_window({1, 1280, 600, 100}),
              (image_window{1, 1280, 600, 600})); // Y end takes Y start
    EXPECT_EQ(normalise_window({12, 1279, 1, 1024}),
              (image_window{9, 1272, 1, 1024})); // start down, end down
    EXPECT_EQ(normalise_window({1200, 1280, 1, 1024}), (image_window{945, 1280, 1, 1024}));
    // Too narrow in the middle of the image: the end moves out first.
    EXPECT_EQ(normalise_window({500, 600, 1, 1024}), (image_window{497, 832, 1, 1024}));
    // Too narrow at the right edge: the end stops at the edge, the start gives way.
    EXPECT_EQ(normalise_window({945, 1000, 1, 1024}).x_start, 945);
    EXPECT_EQ(normalise_window({0, 5000, -3, 9999}), (image_window{1, 1280, 1, 1024}));

    // Whatever comes in (a record from a sensor may hold anything), what comes
    // out is acceptable and stays as it is when normalised again.
    for (int xs = -20; xs <= 1300; xs += 37)
        for (int xe = -20; xe <= 2100; xe += 41)
            for (int ys : {-1, 1, 512, 1024, 1100})
                for (int ye : {0, 1, 300, 1024, 2000}) {
                    const image_window w = normalise_window({xs, xe, ys, ye});
                    ASSERT_TRUE(acceptable(w)) << xs << ' ' << xe << ' ' << ys << ' ' << ye;
                    ASSERT_EQ(normalise_window(w), w);
                }

    const image_window_limits l = window_limits({9, 1272, 100, 800});
    EXPECT_EQ(l.x_start_max, 1272 - 335);
    EXPECT_EQ(l.x_end_min, 9 + 335);
    EXPECT_EQ(l.y_start_max, 800);
    EXPECT_EQ(l.y_end_min, 100);
}

TEST(FrameTiming, ReadoutPeriodAndDelayChecks)
{
    EXPECT_EQ(readout_time_us({1, 1280, 1, 1024}), 5319); // (1024 * 324 + 648) / 62.5 rounded up
    EXPECT_EQ(readout_time_us({1, 336, 1, 1}), 12);       // 88 + 648 cycles
    EXPECT_EQ(readout_time_us({1, 336, 1, 10}), 25);      // exactly 1528 / 62.5 = 24.448

    frame_timing t = check_timing({1, 1280, 1, 1024}, 0, 0, 1, 0);
    EXPECT_EQ(t.readout_us, 5319);
    EXPECT_EQ(t.readout_period_us, 5419);
    EXPECT_EQ(t.min_period_us, 5419);
    EXPECT_EQ(t.effective_period_us, 5419);
    EXPECT_EQ(t.frames_per_second, 184);
    EXPECT_FALSE(t.period_too_short); // not fixed
    EXPECT_FALSE(t.cycle_delay_too_long);

    // A long first exposure and a second one lengthen the shortest period.
    t = check_timing({1, 1280, 1, 1024}, 8000, 500, 8000, 0);
    EXPECT_EQ(t.min_period_us, 500 + 8000 + 100);
    EXPECT_EQ(t.readout_period_us, 5419); // the exposures do not count here
    EXPECT_TRUE(t.period_too_short);
    EXPECT_EQ(t.effective_period_us, 8600);

    t = check_timing({1, 1280, 1, 1024}, 0, 0, 10000, 9999);
    EXPECT_FALSE(t.period_too_short);
    EXPECT_EQ(t.frames_per_second, 100);
    EXPECT_FALSE(t.cycle_delay_too_long);
    EXPECT_TRUE(check_timing({1, 1280, 1, 1024}, 0, 0, 10000, 10000).cycle_delay_too_long);
    EXPECT_TRUE(check_timing({1, 1280, 1, 1024}, 0, 0, 1, 5419).cycle_delay_too_long);
}

TEST(EditorValues, RecordWindowLaserAndAddressConversions)
{
    qz3p_settings s;
    s.window_x_start = 0;
    s.window_x_end = 159;
    s.window_y_start = 0;
    s.window_y_end = 1023;
    EXPECT_EQ(window_of(s), (image_window{1, 1280, 1, 1024}));
    set_window(s, {497, 832, 11, 20});
    EXPECT_EQ(s.window_x_start, 62);
    EXPECT_EQ(s.window_x_end, 103);
    EXPECT_EQ(s.window_y_start, 10);
    EXPECT_EQ(s.window_y_end, 19);
    EXPECT_EQ(window_of(s), (image_window{497, 832, 11, 20}));

    EXPECT_EQ(laser_flags_for(laser_mode::off, false), 0x00);
    EXPECT_EQ(laser_flags_for(laser_mode::on, false), 0x01);
    EXPECT_EQ(laser_flags_for(laser_mode::external_sync, false), 0x03);
    EXPECT_EQ(laser_flags_for(laser_mode::during_exposure, true), 0x85);
    for (auto mode :
         {laser_mode::off, laser_mode::on, laser_mode::external_sync, laser_mode::during_exposure})
        for (bool inverted : {false, true})
            EXPECT_EQ(laser_mode_of(laser_flags_for(mode, inverted)), mode);
    // Inverted control of a switched-off laser stays off.
    EXPECT_EQ(laser_mode_of(0x80), laser_mode::off);
    EXPECT_EQ(laser_mode_of(0x02), laser_mode::off);

    // Sync mode: 1, 2, 5; anything else shows as the internal timer.
    for (auto source :
         {sync_source::internal_timer, sync_source::external_strobe, sync_source::external_level})
        EXPECT_EQ(sync_source_of(sync_mode_for(source)), source);
    EXPECT_EQ(sync_mode_for(sync_source::internal_timer), 1);
    EXPECT_EQ(sync_mode_for(sync_source::external_strobe), 2);
    EXPECT_EQ(sync_mode_for(sync_source::external_level), 5);
    EXPECT_EQ(sync_source_of(0), sync_source::internal_timer);
    EXPECT_EQ(sync_source_of(3), sync_source::internal_timer);

    exposure_values e;
    e.dual = true;
    e.first_us = 2000;
    e.second_us = 300;
    e.reset_level = 7;
    e.gain_index = 2;
    set_exposure_fields(s, e);
    EXPECT_EQ(s.exposure1, 2000);
    EXPECT_EQ(s.dual_exposure, 1);
    EXPECT_EQ(s.exposure2, 300);
    EXPECT_EQ(s.reset_level, 7);
    EXPECT_EQ(s.gain, 1); // dual exposure runs at gain 1
    e.dual = false;
    set_exposure_fields(s, e);
    EXPECT_EQ(s.dual_exposure, 0);
    EXPECT_EQ(s.exposure2, 0);
    EXPECT_EQ(s.reset_level, 15);
    EXPECT_EQ(s.gain, 3);
    EXPECT_EQ(gain_index_of(s), 2);
    s.gain = 0; // a record never written by the editor
    EXPECT_EQ(gain_index_of(s), 0);
    s.gain = 200;
    EXPECT_EQ(gain_index_of(s), 2);

    const auto mac = parse_mac("02.AA.bb.0C.dd.Ef");
    ASSERT_TRUE(mac);
    EXPECT_EQ(*mac, (std::array<std::uint8_t, 6>{0x02, 0xAA, 0xBB, 0x0C, 0xDD, 0xEF}));
    EXPECT_EQ(mac_text(*mac), "02.AA.BB.0C.DD.EF");
    EXPECT_FALSE(parse_mac("02.AA.AA.AA.AA"));
    EXPECT_FALSE(parse_mac("02.AA.AA.AA.AA.G1"));
    EXPECT_FALSE(parse_mac("02.AA.AA.AA.AA."));
    EXPECT_FALSE(parse_mac("02.AA.AA.AA.AA.123"));

    EXPECT_EQ(parse_ip("192.168.1.147"), 0xC0A80193u);
    EXPECT_EQ(parse_ip("192.168.  1.  5"), 0xC0A80105u);
    EXPECT_EQ(ip_text(0xC0A80193u), "192.168.1.147");
    EXPECT_FALSE(parse_ip("192.168.1.256"));
    EXPECT_FALSE(parse_ip("192.168.1."));
    EXPECT_FALSE(parse_ip("192.168.1"));
    EXPECT_FALSE(parse_ip("192.168.1.1.1"));
    EXPECT_FALSE(parse_ip("192.16a.1.1"));

    EXPECT_DOUBLE_EQ(detached_distance_mm(48), 1.5);
    EXPECT_EQ(detached_distance_field(1.5), 48);
    EXPECT_EQ(detached_distance_field(0.049), 2); // nearest 1/32 mm
    EXPECT_EQ(detached_distance_field(-1.0), 0);
    EXPECT_EQ(detached_distance_field(1e9), 65535);
    for (std::uint16_t f = 0; f < 65535; f += 97)
        ASSERT_EQ(detached_distance_field(detached_distance_mm(f)), f);
}

TEST(DetachedDistance, LimitsFollowTheDepthRangeWhenKnown)
{
    decoded_range r;
    distance_field_limits l = detached_distance_limits(r);
    EXPECT_DOUBLE_EQ(l.maximum, 1023.0);
    EXPECT_DOUBLE_EQ(l.step, 1.0);

    // Unknown range: the identification outline's depth, when valid.
    sensor_info ident;
    ident.y1_low = -30;
    ident.y1_high = 10;
    ident.y2_low = -5;
    ident.y2_high = 25;
    EXPECT_DOUBLE_EQ(detached_distance_limits(r, 0.0, &ident).maximum, 1023.0); // not valid
    ident.ident_valid = true;
    EXPECT_DOUBLE_EQ(detached_distance_limits(r, 0.0, &ident).maximum, 55.0);

    r.known = true;
    EXPECT_DOUBLE_EQ(detached_distance_limits(r, 0.0, &ident).maximum, 1023.0); // the block wins (empty here)
    r.y_top_start = 40;
    r.y_top = 60;
    r.y_bottom_start = -50;
    r.y_bottom = -20;
    l = detached_distance_limits(r);
    EXPECT_DOUBLE_EQ(l.maximum, 110.0);
    EXPECT_DOUBLE_EQ(l.step, 110.0 / 2048);

    r.y_top_start = r.y_top = r.y_bottom_start = r.y_bottom = 5; // empty range
    EXPECT_DOUBLE_EQ(detached_distance_limits(r).maximum, 1023.0);
    r.y_top = 30000;
    r.y_bottom = -30000;
    EXPECT_DOUBLE_EQ(detached_distance_limits(r).maximum, 65535.0 / 32); // what the field holds

    // A distance the sensor already uses stays reachable beyond the range.
    r.y_top = 60;
    r.y_bottom = -50;
    EXPECT_DOUBLE_EQ(detached_distance_limits(r, 500.0).maximum, 500.0);
    EXPECT_DOUBLE_EQ(detached_distance_limits(r, 500.0).step, 110.0 / 2048);
    EXPECT_DOUBLE_EQ(detached_distance_limits(r, 3.0).maximum, 110.0);
    EXPECT_DOUBLE_EQ(detached_distance_limits(decoded_range{}, 1500.0).maximum, 1500.0);
}

TEST(ConvolutionList, CombinedListMatchingAndSaving)
{
    const auto& built_in = ConvolutionSet::built_in();
    ASSERT_EQ(built_in.size(), 3u);
    EXPECT_NEAR(built_in[0].kernel_sum(), 1.0, 0.0005);
    EXPECT_NEAR(built_in[2].kernel_sum(), 0.140, 0.0005);

    ConvolutionSet::Coefficients mine{};
    mine[15] = 32767;
    std::vector<ConvolutionSet> user = {{"a", mine}, {"_Гаусс_1", built_in[1].data}};
    const auto all = orvex::combined_sets(user);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0].name, "_Гаусс_1");
    EXPECT_EQ(all[3].name, "a");
    EXPECT_EQ(orvex::matching_set_index(all, mine), 3);
    EXPECT_EQ(orvex::matching_set_index(all, built_in[1].data), 1); // the first match wins
    EXPECT_EQ(orvex::matching_set_index(all, ConvolutionSet::Coefficients{}), -1);
    EXPECT_TRUE(orvex::is_built_in_index(2));
    EXPECT_FALSE(orvex::is_built_in_index(3));
    EXPECT_FALSE(orvex::is_built_in_index(-1));
    EXPECT_EQ(orvex::user_index(4, user.size()), 1);
    EXPECT_EQ(orvex::user_index(2, user.size()), -1);
    EXPECT_EQ(orvex::user_index(5, user.size()), -1);

    const auto points = orvex::kernel_chart_points(built_in[0].data);
    ASSERT_EQ(points.size(), 31u);
    EXPECT_DOUBLE_EQ(points[0].x, -15.0);
    EXPECT_DOUBLE_EQ(points[30].x, 15.0);
    EXPECT_DOUBLE_EQ(points[15].y, 7655 / 32767.0 * 100);
    EXPECT_DOUBLE_EQ(points[14].y, points[16].y);

    // Saving under a taken name: "no" keeps the old set beside the new one,
    // "yes" replaces it; built-in names are not asked about.
    int asked = 0;
    bool answer = false;
    auto ask = [&](const ConvolutionSet&) {
        ++asked;
        return answer;
    };
    EXPECT_EQ(orvex::save_user_set(user, "a", built_in[2].data, ask), 5);
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(user.size(), 3u);
    EXPECT_EQ(user[0].data, mine);
    answer = true;
    EXPECT_EQ(orvex::save_user_set(user, "a", mine, ask), 4);
    EXPECT_EQ(asked, 3);
    ASSERT_EQ(user.size(), 2u);
    EXPECT_EQ(user[0].name, "_Гаусс_1");
    EXPECT_EQ(user[1].name, "a");
    EXPECT_EQ(user[1].data, mine);
}
