#include "diag/debug_record.h"
#include "diag/laser_tuning.h"
#include "diag/register_dump.h"
#include "diag/vita_init_block.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace orvex;

TEST(RegisterFile, LinesPadFirstAddressWithBlanksAndEverythingElseWithZeros)
{
    EXPECT_EQ(diag::register_dump_line(0, 0, true), "  0   0000   00000\n");
    EXPECT_EQ(diag::register_dump_line(1, 0xFFFF, false), "001   FFFF   65535\n");
    EXPECT_EQ(diag::register_dump_line(511, 0x00AB, false), "511   00AB   00171\n");
}

TEST(RegisterFile, DumpStopsAtFailedReadKeepingEarlierLinesAndReportsUnwritableFolder)
{
    test::TempDir dir;
    const auto file = dir / "Registers.txt";
    int seen = 0;
    const auto result = diag::dump_registers(
        file,
        [](std::uint16_t a, std::uint16_t& v) {
            v = a;
            return a < 3;
        },
        [&](int) { ++seen; });
    EXPECT_EQ(result, diag::dump_result::read_failed);
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(test::read_file(file), "  0   0000   00000\n001   0001   00001\n002   0002   00002\n");
    EXPECT_EQ(diag::dump_registers(dir / "missing" / "Registers.txt",
                                   [](std::uint16_t, std::uint16_t&) { return true; }),
              diag::dump_result::open_failed);
}

TEST(RegisterFile, ValueTextTakesLeadingHexDigitsWithOptionalPrefix)
{
    std::uint16_t v = 0;
    EXPECT_TRUE(diag::parse_register_value("1f", v));
    EXPECT_EQ(v, 0x1F);
    EXPECT_TRUE(diag::parse_register_value("0x12zz", v));
    EXPECT_EQ(v, 0x12);
    EXPECT_TRUE(diag::parse_register_value("12345", v)); // low 16 bits
    EXPECT_EQ(v, 0x2345);
    v = 7;
    for (const char* bad : {"", "g1", " 1", "-1", "x1"})
        EXPECT_FALSE(diag::parse_register_value(bad, v)) << bad;
    EXPECT_EQ(v, 7);
}

namespace {

struct entry {
    unsigned address, value;
    bool end;
};

std::vector<entry> decode(const std::vector<std::uint8_t>& block, std::size_t offset)
{
    std::vector<entry> out;
    for (std::size_t i = offset; i < offset + 1024; i += 4) {
        if (block[i] == 0xFF && block[i + 1] == 0xFF && block[i + 2] == 0xFF && block[i + 3] == 0xFF)
            break;
        EXPECT_EQ(block[i] & 0x7E, 0) << "unused bits of byte 0 at " << i;
        out.push_back({((block[i] & 1u) << 8) | block[i + 1], (unsigned(block[i + 2]) << 8) | block[i + 3],
                       (block[i] & 0x80) != 0});
    }
    return out;
}

std::vector<std::size_t> ends(const std::vector<entry>& seq)
{
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < seq.size(); ++i)
        if (seq[i].end)
            out.push_back(i);
    return out;
}

} // namespace

TEST(InitBlock, LayoutCountsGroupsComposedRegistersAndVersionPage)
{
    std::vector<std::uint8_t> block;
    ASSERT_TRUE(k7::build_vita_init_block("v1.28", block));
    ASSERT_EQ(block.size(), 65536u);
    const auto a = decode(block, 0x800);
    const auto b = decode(block, 0x1000);
    ASSERT_EQ(a.size(), 147u);
    ASSERT_EQ(b.size(), 204u);
    for (std::size_t i :
         {std::size_t(0), std::size_t(0xC00), std::size_t(0x1000 + 204 * 4), std::size_t(0xFEFF)})
        EXPECT_EQ(block[i], 0xFF) << i;
    EXPECT_EQ(block[0x800 + 147 * 4], 0xFF);

    EXPECT_EQ(ends(a), (std::vector<std::size_t>{0, 9, 13, 146}));
    EXPECT_EQ(ends(b), (std::vector<std::size_t>{8, 11, 12, 203}));
    EXPECT_EQ(a[0].address, 192u);
    EXPECT_EQ(a[0].value, 0u);
    EXPECT_EQ(a[13].address, 41u);
    EXPECT_EQ(a[13].value, 2143u);
    // A's configuration writes: ascending 42..250 with the composed registers among them.
    unsigned previous = 41;
    int composed = 0;
    for (std::size_t i = 14; i < 43; ++i) {
        EXPECT_GT(a[i].address, previous);
        previous = a[i].address;
        if (a[i].address == 192) {
            EXPECT_EQ(a[i].value, 2060u);
            ++composed;
        }
        if (a[i].address == 194) {
            EXPECT_EQ(a[i].value, 548u);
            ++composed;
        }
    }
    EXPECT_EQ(composed, 2);
    EXPECT_EQ(a[14].address, 42u);
    EXPECT_EQ(a[42].address, 250u);
    EXPECT_EQ(a[43].address, 384u);
    EXPECT_EQ(a[137].address, 478u);
    EXPECT_EQ(a[146].address, 192u);
    EXPECT_EQ(a[146].value, 2109u);

    EXPECT_EQ(b[12].address, 192u);
    EXPECT_EQ(b[12].value, 2092u);
    EXPECT_EQ(b[13].address, 41u);
    EXPECT_EQ(b[15].value, 8u);
    EXPECT_EQ(b[60].address, 384u);
    EXPECT_EQ(b[187].address, 511u); // bit 8 of the address in byte 0
    EXPECT_EQ(b[188].address, 194u);
    EXPECT_EQ(b[188].value, 549u);
    EXPECT_EQ(b[194].address, 204u);
    EXPECT_EQ(b[194].value, 483u);
    EXPECT_EQ(b[203].address, 192u);
    EXPECT_EQ(b[203].value, 2093u);

    const char marker[] = "PROG_VER:v1.28";
    EXPECT_EQ(std::memcmp(&block[0xFF00], marker, sizeof marker), 0); // with its zero byte
    EXPECT_EQ(block[0xFF00 + sizeof marker], 0xFF);
    EXPECT_EQ(block[0xFFFF], 0xFF);
}

TEST(InitBlock, ComposedRegisterBitsAndVersionLimit)
{
    k7::vita_regs::general_configuration g;
    g.flags = {true, true, true, true, true, true, true};
    g.mode = 7;
    EXPECT_EQ(g.reg().value, 0x39FDu);
    k7::vita_regs::integration_control c;
    EXPECT_EQ(c.reg().value, 0x0220u);
    c.flags = {true, true, true, true, true, true, true};
    c.m1 = 3;
    c.m2 = 3;
    EXPECT_EQ(c.reg().value, 0x3FEFu);
    c.m1 = 2;
    c.m2 = 1;
    EXPECT_EQ(c.reg().value & 0x3E00u, 0x1A00u);

    std::vector<std::uint8_t> block{1, 2, 3};
    EXPECT_TRUE(k7::build_vita_init_block(std::string(99, 'v'), block));
    block = {1, 2, 3};
    EXPECT_FALSE(k7::build_vita_init_block(std::string(100, 'v'), block));
    EXPECT_EQ(block.size(), 3u);
}

TEST(DebugRecord, ExampleFieldsAndMalformedTokens)
{
    std::string line = "@REC#2%a#3:0%b#15:4";
    line.resize(64, ' ');
    const auto layout = diag::parse_descriptor_line(line);
    EXPECT_EQ(layout.name, "REC");
    ASSERT_EQ(layout.length, 2u);
    ASSERT_EQ(layout.fields.size(), 2u);
    const std::uint8_t data[] = {0x12, 0x34};
    EXPECT_EQ(diag::extract_field(data, 2, layout.fields[0].hi, layout.fields[0].lo), 4u);
    EXPECT_EQ(diag::extract_field(data, 2, layout.fields[1].hi, layout.fields[1].lo), 291u);

    const auto bad = diag::parse_descriptor_line("junk%nohash%x#7%y#a:1%z#1:2%w#70:0%ok#7:0@R");
    ASSERT_EQ(bad.fields.size(), 1u);
    EXPECT_EQ(bad.fields[0].name, "ok");
    EXPECT_EQ(bad.length, 0u);

    std::uint8_t wide[9] = {0xAA, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(diag::extract_field(wide, 9, 63, 0), 0x0102030405060708u);
    EXPECT_EQ(diag::extract_field(wide, 9, 79, 72), 0u) << "bits beyond the record count 0";
}

TEST(LaserTuning, RowsPeakEnergyCentroidWidthsAndDarkRows)
{
    constexpr int width = 1280;
    std::vector<std::uint8_t> image(3 * width, 0);
    // Row 0: peak at 3; light at 14 lies outside the energy window.
    for (int i = 0; i <= 13; ++i)
        image[i] = 10;
    image[3] = 200;
    image[14] = 100;
    // Row 1: a single lit pixel.
    image[width + 600] = 255;
    std::vector<diag::laser_row> rows;
    diag::analyse_laser_rows(image.data(), 3, width, rows);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_DOUBLE_EQ(rows[0].peak, 200 / 2.56);
    EXPECT_DOUBLE_EQ(rows[0].energy, 200 + 13 * 10);
    double moment = 3 * 200;
    for (int i = 0; i <= 13; ++i)
        moment += i == 3 ? 0 : i * 10;
    EXPECT_DOUBLE_EQ(rows[0].centroid, moment / 330);
    EXPECT_DOUBLE_EQ(rows[1].centroid, 600);
    // The window centred on 600.0 covers half of pixel 599 and half of 600
    // at width 1; only pixel 600 is lit, so half the energy needs width 1.
    EXPECT_NEAR(rows[1].width50, 1.0, 1e-9);
    EXPECT_NEAR(rows[1].width80, 1.6, 1e-9);
    EXPECT_EQ(rows[2].energy, 0);
    EXPECT_EQ(rows[2].centroid, 0);
    EXPECT_EQ(rows[2].width50, 0);
    EXPECT_EQ(rows[2].energy_percent, 0);
    EXPECT_DOUBLE_EQ(rows[0].energy_percent, 100.0); // capped against the frame's mean
}
