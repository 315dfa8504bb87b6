// What the profile page draws: axes and outlines from the range block, the
// split of a profile into valid, invalid and brightness points, and the
// background text writer.
#include "link/sensor_info.h"
#include "profiles/profile_view.h"
#include "profiles/profile_writer.h"
#include "support/test_support.h"

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>

using namespace orvex::k7;

namespace {

decoded_range sample_range()
{
    decoded_range r;
    r.known = true;
    r.frac_bits = 8;
    r.x_start = 10;
    r.x_end = 110;
    r.y_top_start = 60;
    r.y_bottom_start = -40;
    r.y_top = 80;
    r.y_bottom = -50;
    for (int b = 0; b < range_band_count; ++b) {
        r.band_x_min[b] = 10 + b;
        r.band_x_max[b] = 10.5 + b;
        r.band_y_min[b] = -40;
        r.band_y_max[b] = 60;
        r.band_row_first[b] = 100;
        r.band_row_last[b] = 900;
    }
    return r;
}

} // namespace

TEST(ProfileView, AxesAndWorkingRangeFollowBypassAndTheDecodedRange)
{
    qz3p_settings s;
    sensor_info s2d;
    s2d.type = type_s2d;
    decoded_range unknown;
    EXPECT_FALSE(range_view_for(s, unknown, s2d).axes); // keep the previous axes
    EXPECT_TRUE(range_view_for(s, unknown, s2d).range_outline.empty());

    sensor_info identified = s2d; // no range block yet: the identification's outline
    identified.ident_valid = true;
    identified.x1 = 0;
    identified.x2 = 100;
    identified.y1_low = -50;
    identified.y1_high = 50;
    identified.y2_low = -80;
    identified.y2_high = 80;
    const auto from_ident = range_view_for(s, unknown, identified);
    ASSERT_TRUE(from_ident.axes);
    EXPECT_DOUBLE_EQ(from_ident.axes->x_lo, -3.0);
    EXPECT_DOUBLE_EQ(from_ident.axes->y_hi, 80 + 0.03 * 160);
    EXPECT_TRUE(from_ident.range_outline.empty());

    const decoded_range r = sample_range();
    const auto view = range_view_for(s, r, s2d);
    ASSERT_TRUE(view.axes);
    EXPECT_DOUBLE_EQ(view.axes->x_lo, 10 - 3.0);
    EXPECT_DOUBLE_EQ(view.axes->x_hi, 110 + 3.0);
    EXPECT_DOUBLE_EQ(view.axes->y_lo, -50 - 0.03 * 130);
    EXPECT_DOUBLE_EQ(view.axes->y_hi, 80 + 0.03 * 130);
    ASSERT_EQ(view.range_outline.size(), 5u);
    EXPECT_DOUBLE_EQ(view.range_outline[0].y, -40);
    EXPECT_DOUBLE_EQ(view.range_outline[2].y, 80);
    EXPECT_DOUBLE_EQ(view.range_outline[4].x, view.range_outline[0].x);

    s.calibration_bypass = 1;
    const auto pixels = range_view_for(s, r, s2d);
    ASSERT_TRUE(pixels.axes);
    EXPECT_DOUBLE_EQ(pixels.axes->x_hi, 1280);
    EXPECT_TRUE(pixels.range_outline.empty());
    EXPECT_TRUE(image_window_outline(s, r).empty());

    s.calibration_bypass = 0;
    sensor_info point_sensor;
    point_sensor.type = type_e1d;
    const auto point = range_view_for(s, r, point_sensor);
    EXPECT_DOUBLE_EQ(point.axes->y_lo, 0);
    EXPECT_DOUBLE_EQ(point.axes->y_hi, 1024);
}

TEST(ProfileView, ImageWindowOutlineUsesTheBandsAndStaysInsideTheTable)
{
    decoded_range r = sample_range();
    qz3p_settings s;
    s.window_x_start = 20; // band 12
    s.window_x_end = 100;  // band 49
    s.window_y_start = 300;
    s.window_y_end = 700;
    auto outline = image_window_outline(s, r);
    ASSERT_EQ(outline.size(), 5u);
    EXPECT_DOUBLE_EQ(outline[0].x, 10.5 + 12);
    EXPECT_DOUBLE_EQ(outline[2].x, 10 + 49);
    const double k = 100.0 / 800.0;
    EXPECT_DOUBLE_EQ(outline[0].y, -40 + 200 * k);
    EXPECT_DOUBLE_EQ(outline[1].y, 60 - 200 * k);

    r.band_row_last[12] = r.band_row_first[12]; // one row: no slope, no NaN
    outline = image_window_outline(s, r);
    ASSERT_EQ(outline.size(), 5u);
    EXPECT_FALSE(std::isnan(outline[0].y));

    r.band_x_min[49] = 65535.0 / 256; // the no-value word at N = 8
    EXPECT_TRUE(image_window_outline(s, r).empty());

    s.window_x_end = 159;   // band 78: still inside
    s.window_x_start = 158; // band 81: beyond the table
    EXPECT_TRUE(image_window_outline(s, sample_range()).empty());
}

TEST(ProfileView, InvalidPointsAndBrightnessBars)
{
    decoded_profile p;
    p.header.n = 4;
    p.header.two_coordinates = true;
    for (int i = 0; i < 4; ++i)
        p.points[i] = {-1.0, double(i)};
    profile_view_points out;
    split_profile(p, false, false, 0, 100, out);
    EXPECT_TRUE(out.valid.empty());
    EXPECT_TRUE(out.invalid.empty()); // two-coordinate mode: skipped

    p.header.two_coordinates = false;
    split_profile(p, false, false, 0, 100, out);
    ASSERT_EQ(out.invalid.size(), 4u);
    EXPECT_DOUBLE_EQ(out.invalid[3].x, 0.0);
    EXPECT_DOUBLE_EQ(out.invalid[3].y, 3.0);

    p.points[1] = {50.0, 7.0};
    p.intensities[1] = 128;
    p.points[2] = {60.0, 8.0}; // intensity 0: no bar
    split_profile(p, false, true, 20, 256, out);
    ASSERT_EQ(out.valid.size(), 2u);
    ASSERT_EQ(out.brightness.size(), 1u);
    EXPECT_DOUBLE_EQ(out.brightness[0].x, 20 + 128);
    EXPECT_DOUBLE_EQ(out.brightness[0].y, 7.0);

    split_profile(p, true, false, 0, 1, out); // point sensor: y is the index
    EXPECT_DOUBLE_EQ(out.valid[0].y, 1.0);
}

TEST(ProfileWriter, DrainsEveryQueuedProfileBeforeItEnds)
{
    orvex::test::TempDir dir;
    const auto file = orvex::profile_file_name(dir / "out", 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "out"));
    EXPECT_EQ(file.extension(), ".txt");
    EXPECT_NE(file.filename().string().find("   "), std::string::npos); // date, three blanks, time
    {
        orvex::profile_text_writer writer(file);
        const orvex::math::Point2d a[] = {{0.0, 1.0}, {-1.0, 2.0}};
        for (int i = 0; i < 500; ++i)
            writer.push(a, 2);
        writer.stop();
        writer.push(a, 2); // after stop: not queued
    }
    const std::string text = orvex::test::read_file(file);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 500);
    EXPECT_EQ(text.find(" -1 "), std::string::npos);
}

// Regression: unchecking and checking "Текстовый" again within one second gave
// the same file name, and the new writer truncated the profiles just saved.
TEST(ProfileWriter, FilesStartedWithinOneSecondKeepSeparateNames)
{
    orvex::test::TempDir dir;
    const auto first = orvex::profile_file_name(dir / "out", 0);
    {
        orvex::profile_text_writer writer(first);
        const orvex::math::Point2d a[] = {{1.0, 1.0}};
        writer.push(a, 1);
    }
    // Claimed by a writer that has not opened its file yet.
    const auto claimed = [](const std::filesystem::path& file) {
        return file.filename().string().find("(2)") != std::string::npos;
    };
    const auto second = orvex::profile_file_name(dir / "out", 0, claimed);
    EXPECT_NE(second, first);
    EXPECT_NE(second.filename().string().find(" (3).txt"), std::string::npos);
    const std::string kept = orvex::test::read_file(first);
    EXPECT_NE(kept.find(" 1 1\n"), std::string::npos) << "the first file keeps its profile";
}

TEST(ProfileWriter, ReportsAFileItCannotOpen)
{
    orvex::test::TempDir dir;
    orvex::profile_text_writer writer(dir / "missing-folder" / "p.txt");
    const orvex::math::Point2d a[] = {{1.0, 1.0}};
    writer.push(a, 1);
    writer.stop();
    while (writer.busy())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_NE(writer.error(), "");
}
