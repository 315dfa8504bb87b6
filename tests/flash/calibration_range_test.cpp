// The working-range analysis of a table pair, the range block it encodes and
// the decoder the connection uses, and the robust line average.
#include "link/byte_order.h"
#include "link/sensor_info.h"
#include "profiles/calibration_range.h"
#include "profiles/line_average.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace orvex::k7;

namespace {

template <class F>
std::string table_text(F value)
{
    std::string out;
    out.reserve(1024 * 1280 * 8);
    char cell[32];
    for (int r = 0; r < 1024; ++r) {
        for (int c = 0; c < 1280; ++c) {
            std::snprintf(cell, sizeof cell, "%.4f ", value(r, c));
            out += cell;
        }
        out += "eol\n";
    }
    return out;
}

constexpr double none = 65535.0;

// Values in columns 100..1099 of rows 200..799; X grows (or falls) with the
// column, Y with the row; column 600 also holds a few wild X values.
struct synthetic {
    bool grows = true;
    bool inside(int r, int c) const { return r >= 200 && r < 800 && c >= 100 && c < 1100; }
    double x(int r, int c) const
    {
        if (!inside(r, c))
            return none;
        return grows ? c * 0.1 : (1280 - c) * 0.1;
    }
    double y(int r, int c) const { return inside(r, c) ? (r - 500) * 0.05 : none; }
};

TEST(CalibrationRange, AnalysisOfTablesWithXGrowingAndFalling)
{
    synthetic t;
    CalibrationRange range;
    EXPECT_FALSE(range.valid());
    range.load_text(table_text([&](int r, int c) { return t.x(r, c); }),
                    table_text([&](int r, int c) { return t.y(r, c); }), 8);
    ASSERT_TRUE(range.valid());
    EXPECT_TRUE(range.x_grows_with_column());
    EXPECT_DOUBLE_EQ(range.x_start(), 10.0);
    EXPECT_NEAR(range.x_end(), 109.9, 1e-9);
    EXPECT_DOUBLE_EQ(range.y_bottom(), -15.0);
    EXPECT_NEAR(range.y_top(), 14.95, 1e-9);
    EXPECT_DOUBLE_EQ(range.y_bottom_start(), -15.0);
    EXPECT_NEAR(range.y_top_start(), 14.95, 1e-9);
    // Bands sampled at 16k: band 7 (column 112) is the first with data, 68 (1088) the last.
    EXPECT_EQ(range.first_col(), 16 * 7 - 48);
    EXPECT_EQ(range.last_col(), 16 * 71 - 1);
    EXPECT_EQ(range.first_row(), 200);
    EXPECT_EQ(range.last_row(), 799);
    EXPECT_NEAR(range.band_x_min()[7], 11.2, 1e-9);
    EXPECT_NEAR(range.band_x_max()[30], 48.0, 1e-9);
    // Leading bands take X start and the Y at start, trailing ones X end and the overall Y.
    EXPECT_DOUBLE_EQ(range.band_x_min()[0], 10.0);
    EXPECT_DOUBLE_EQ(range.band_x_max()[6], 10.0);
    EXPECT_DOUBLE_EQ(range.band_y_min()[3], -15.0);
    EXPECT_NEAR(range.band_x_min()[79], 109.9, 1e-9);
    EXPECT_EQ(range.band_row_first()[0], range.band_row_first()[7]);
    EXPECT_EQ(range.band_row_last()[79], range.band_row_last()[68]);
    // The inner edge of band 7 crosses X = 11.2 on every row with data.
    EXPECT_DOUBLE_EQ(range.band_y_min()[7], -15.0);
    EXPECT_EQ(range.band_row_first()[7], 200);
    EXPECT_EQ(range.band_row_last()[7], 799);

    t.grows = false;
    range.load_text(table_text([&](int r, int c) { return t.x(r, c); }),
                    table_text([&](int r, int c) { return t.y(r, c); }), 8);
    EXPECT_FALSE(range.x_grows_with_column());
    EXPECT_NEAR(range.band_x_min()[0], range.x_end(), 1e-9);
    EXPECT_NEAR(range.band_x_max()[79], range.x_start(), 1e-9);
}

TEST(CalibrationRange, BlockEncodingTruncatesAndDecodesBack)
{
    synthetic t;
    CalibrationRange range;
    range.load_text(table_text([&](int r, int c) { return t.x(r, c); }), table_text([&](int r, int c) {
                        return r >= 200 && r < 800 && c >= 100 && c < 1100 ? (r - 500) * 0.05 - 0.001 : none;
                    }),
                    8);
    range.encode_block();
    const auto& b = range.block();
    EXPECT_EQ(std::string(b.begin(), b.begin() + 10), "calibr_v_1");
    EXPECT_EQ(b[15], 8);
    EXPECT_EQ(orvex::bytes::get_be16(&b[16]), 2560);
    EXPECT_EQ(orvex::bytes::get_be16(&b[18]), 28134); // 109.9 * 256 = 28134.4
    // -15.001 * 256 = -3840.256, truncated toward zero: -3840.
    EXPECT_EQ(orvex::bytes::get_be16(&b[26]), 0xF100);
    EXPECT_EQ(orvex::bytes::get_be16(&b[36]), 200);
    for (std::size_t i : {10u, 14u, 28u, 31u, 40u, 255u, 1216u, 1279u, 2047u})
        EXPECT_EQ(b[i], 0xFF) << i;

    decoded_range d;
    ASSERT_TRUE(decode_range_block(b.data(), range_block_bytes, d));
    EXPECT_TRUE(d.known);
    EXPECT_DOUBLE_EQ(d.x_start, 10.0);
    EXPECT_DOUBLE_EQ(d.y_bottom, -15.0);
    EXPECT_EQ(d.first_col, 64);
    EXPECT_EQ(d.last_col, 1135);
    EXPECT_EQ(d.last_row, 799);
    EXPECT_DOUBLE_EQ(d.band_x_min[0], 10.0);
    EXPECT_EQ(d.band_row_first[7], 200);

    // All 0xFF (never written), a damaged header or a short block: ignored.
    std::vector<std::uint8_t> blank(1280, 0xFF);
    EXPECT_FALSE(decode_range_block(blank.data(), blank.size(), d));
    auto damaged = std::vector<std::uint8_t>(b.begin(), b.begin() + 1280);
    damaged[9] = '2';
    EXPECT_FALSE(decode_range_block(damaged.data(), damaged.size(), d));
    EXPECT_FALSE(decode_range_block(b.data(), 1279, d));
    EXPECT_TRUE(d.known);
    EXPECT_DOUBLE_EQ(d.x_start, 10.0);

    // At a connection the range belongs to its sensor: a blank or unreadable
    // block keeps it for the same sensor only.
    sensor_info a, other;
    a.serial = "00042";
    other.serial = "00043";
    decoded_range held;
    take_connection_range_block(b.data(), range_block_bytes, a, held);
    EXPECT_TRUE(held.known);
    take_connection_range_block(blank.data(), blank.size(), a, held);
    take_connection_range_block(nullptr, 0, a, held);
    EXPECT_TRUE(held.known);
    EXPECT_DOUBLE_EQ(held.x_start, 10.0);
    take_connection_range_block(blank.data(), blank.size(), other, held);
    EXPECT_FALSE(held.known);
    take_connection_range_block(nullptr, 0, a, held); // back to the first, unreadable: nothing known
    EXPECT_FALSE(held.known);
    take_connection_range_block(b.data(), range_block_bytes, a, held);
    ASSERT_TRUE(held.known);
    sensor_info no_serial; // a damaged identification: told apart by address
    no_serial.address_text = "127.0.0.9";
    take_connection_range_block(nullptr, 0, no_serial, held);
    EXPECT_FALSE(held.known);
}

TEST(CalibrationRange, EmptyOrBrokenTablesAreRefusedAndKeepTheLastAnalysis)
{
    CalibrationRange range;
    EXPECT_THROW(range.encode_block(), std::runtime_error);
    const std::string empty = table_text([](int, int) { return none; });
    range.load_text(empty, empty, 8);
    EXPECT_TRUE(range.valid());
    EXPECT_FALSE(range.has_data());
    EXPECT_EQ(range.first_row(), -1);
    try {
        range.encode_block();
        FAIL() << "a range without data must be refused";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("нет ни одной точки"), std::string::npos);
    }
    EXPECT_EQ(range.block()[0], 0xFF);
    // Valid cells, but none in a band's column (16k): no band and no window to encode.
    const std::string off_band = table_text([](int r, int c) { return r == 300 && c == 5 ? 12.5 : none; });
    range.load_text(off_band, off_band, 8);
    EXPECT_EQ(range.first_row(), 300);
    EXPECT_FALSE(range.has_data());
    try {
        range.encode_block();
        FAIL() << "a range without any band must be refused";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("столбцах полос"), std::string::npos);
    }
    EXPECT_EQ(range.block()[0], 0xFF);

    synthetic t;
    const std::string good_x = table_text([&](int r, int c) { return t.x(r, c); });
    const std::string good_y = table_text([&](int r, int c) { return t.y(r, c); });
    range.load_text(good_x, good_y, 8);
    std::string short_row = good_x;
    short_row.erase(0, short_row.find(' ') + 1);
    try {
        range.load_text(short_row, good_y, 8);
        FAIL() << "a short row must be refused";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Не найден маркер конца строки.");
    }
    EXPECT_THROW(range.load("/nonexistent/folder", 8), std::runtime_error);
    EXPECT_EQ(range.first_row(), 200); // the previous analysis stays
    // Negative X values count as 0.
    range.load_text(table_text([&](int r, int c) { return t.inside(r, c) ? -3.0 : none; }), good_y, 8);
    EXPECT_DOUBLE_EQ(range.x_start(), 0.0);
}

TEST(LineAverage, KeepsAgreeingPointsAndFailsWhenNoneAgree)
{
    using orvex::math::line_average;
    // Up to 6 points are kept whole: their neighbour positions beyond the ends agree.
    EXPECT_DOUBLE_EQ(line_average({1, 100, 200}), 301.0 / 3);
    EXPECT_DOUBLE_EQ(line_average({0, 10, 20, 30, 40, 50}), 25.0);
    // Negative points never count.
    EXPECT_DOUBLE_EQ(line_average({-1, 4, 6}), 5.0);
    std::vector<double> spread;
    for (int i = 0; i < 7; ++i)
        spread.push_back(i * 10.0);
    EXPECT_THROW(line_average(spread), std::runtime_error);
    try {
        line_average(std::vector<double>{});
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Все точки линии вне диапазона");
    }
    EXPECT_DOUBLE_EQ(line_average(std::vector<double>(15, 7.5)), 7.5);
    // A long flat line with one spike: the spike is dropped.
    std::vector<double> line(50, 20.0);
    line[25] = 90.0;
    line[10] = 21.0;
    EXPECT_DOUBLE_EQ(line_average(line), (48 * 20.0 + 21.0) / 49);
}

} // namespace
