// Calibration table files and their flash image: the fixed-point words with
// their rounding and marker rules, the parser's messages, and the read-back
// file format.
#include "link/byte_order.h"
#include "profiles/calibration_tables.h"

#include <gtest/gtest.h>

#include <string>

using namespace orvex::k7;

namespace {

std::string row_of(int cols, const std::string& value)
{
    std::string s;
    for (int c = 0; c < cols; ++c)
        s += value + " ";
    return s + "eol\n";
}

std::uint16_t word_at(const std::vector<std::uint8_t>& image, std::size_t at)
{
    return orvex::bytes::get_be16(image.data() + at);
}

TEST(TableImage, CellsRoundAndMarkersLayOutAsInFlash)
{
    const table_geometry point = table_geometry_for(4);
    EXPECT_EQ(point.rows, 4);
    EXPECT_EQ(point.image_bytes, 0x8000u);
    EXPECT_EQ(table_geometry_for(3).cols, 1920);
    EXPECT_EQ(table_geometry_for(2).cols, 1280);

    // Row 0: cell 0 X = 65535 (whatever its Y), cell 1 Y = -0.5, cell 2 rounds.
    std::string x = "65535 10.0 1.00196 " + row_of(1277, "2").substr(0);
    std::string y = "3.25 -0.5 -1.00196 " + row_of(1277, "-0.002");
    // Row 2: a Y marker beside a valid X stays a marker instead of wrapping to
    // -1.0 mm; an X just above 65535 is no value as well.
    x += row_of(1280, "0") + "4 65535.2 " + row_of(1278, "0") + row_of(1280, "0");
    y += row_of(1280, "0") + "65535 7 " + row_of(1278, "0") + row_of(1280, "0");
    const auto image = build_table_image(x, y, point, 8);
    ASSERT_EQ(image.size(), 0x8000u);
    EXPECT_EQ(word_at(image, 0), 0xFFFF);
    EXPECT_EQ(word_at(image, 2), 0xFFFF);
    EXPECT_EQ(word_at(image, 4), 2560);
    EXPECT_EQ(word_at(image, 6), 0xFF80);  // -128
    EXPECT_EQ(word_at(image, 8), 257);     // 256.50 rounds up
    EXPECT_EQ(word_at(image, 10), 0xFEFF); // -256.50 rounds away from zero
    // -0.002 * 256 = -0.512 would round to 0xFFFF, the marker: the valid value keeps a value.
    EXPECT_EQ(word_at(image, 14), 0x0000);
    EXPECT_EQ(image[4 * 1280], 0xFF); // beyond the row's cells
    EXPECT_EQ(word_at(image, 8192), 0);
    EXPECT_EQ(image[8192 + 4 * 1280 + 7], 0xFF);
    EXPECT_EQ(word_at(image, 2 * 8192), 1024);
    EXPECT_EQ(word_at(image, 2 * 8192 + 2), 0xFFFF);
    EXPECT_EQ(word_at(image, 2 * 8192 + 4), 0xFFFF);
    EXPECT_EQ(word_at(image, 2 * 8192 + 6), 0xFFFF);

    // Line breaks are only separators; '+' is accepted.
    std::string flat_x, flat_y;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 1280; ++c) {
            flat_x += "+1.5\n";
            flat_y += c % 2 ? "2\t" : "-2 ";
        }
        flat_x += "\neol ";
        flat_y += "eol\r\n";
    }
    const auto flat = build_table_image(flat_x, flat_y, point, 4);
    EXPECT_EQ(word_at(flat, 3 * 8192 + 4 * 1279), 24);
    EXPECT_EQ(word_at(flat, 3 * 8192 + 4 * 1278 + 2), 0xFFE0);
}

TEST(TableImage, MalformedFilesGetTheirMessages)
{
    const table_geometry point = table_geometry_for(4);
    const std::string good = row_of(1280, "1") + row_of(1280, "1") + row_of(1280, "1") + row_of(1280, "1");
    const auto message = [&](const std::string& x, const std::string& y) {
        try {
            build_table_image(x, y, point, 8);
        } catch (const table_error& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message(good, good), "no error");
    // One value too few: "eol" is read where a number belongs.
    EXPECT_EQ(message(row_of(1279, "1") + good, good), "Не найден маркер конца строки");
    // One too many: a number where "eol" belongs.
    EXPECT_EQ(message(good, row_of(1281, "1") + good), "Не найден маркер конца строки");
    // A truncated file.
    EXPECT_EQ(message(good.substr(0, good.size() / 2), good), "Не найден маркер конца строки");
    EXPECT_EQ(message(good, ""), "Не найден маркер конца строки");
    // Not a number.
    std::string bad = good;
    bad.replace(bad.find("1 "), 1, "1,5");
    EXPECT_EQ(message(good, bad), "Не число в файле TableY.txt: строка 1, столбец 1");
    for (const char* token : {"nan", "inf", "1e999", "0x10", "+-1", "--1", "1.2.3", "+"}) {
        bad = good;
        bad.replace(bad.find("1 "), 1, token);
        EXPECT_NE(message(bad, good).find("Не число"), std::string::npos) << token;
    }
}

TEST(TableReadback, DecimalsPaddingAndMarkers)
{
    std::vector<std::uint8_t> row(8192, 0xFF);
    orvex::bytes::put_be16(&row[0], 2560);   // X 10.0 at N = 8
    orvex::bytes::put_be16(&row[2], 0xFF80); // Y -0.5
    orvex::bytes::put_be16(&row[4], 0xFFFF); // no value: X and Y
    orvex::bytes::put_be16(&row[8], 0xFFFE); // the largest X
    orvex::bytes::put_be16(&row[10], 0x7FFF);
    std::string x, y;
    append_readback_row(row.data(), 3, 8, x, y);
    EXPECT_EQ(x, "10.000    65535.000 255.992   eol\n");
    EXPECT_EQ(y, "-0.500    65535.000 127.996   eol\n");

    // 13 fractional bits and more: 2 decimals; 12: 3 decimals.
    EXPECT_EQ(readback_decimals(12), 3);
    EXPECT_EQ(readback_decimals(13), 2);
    x.clear();
    y.clear();
    append_readback_row(row.data(), 2, 13, x, y);
    EXPECT_EQ(x, "0.31      65535.00  eol\n");
    EXPECT_EQ(y, "-0.02     65535.00  eol\n");
    // A value needing ten or more characters runs into the next one.
    x.clear();
    y.clear();
    append_readback_row(row.data(), 1, 0, x, y);
    EXPECT_EQ(x, "2560.000  eol\n");
    EXPECT_EQ(y, "-128.000  eol\n");
}

} // namespace
