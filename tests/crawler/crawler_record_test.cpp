#include "crawler/crawler_export.h"
#include "crawler/crawler_record.h"
#include "crawler/crawler_settings.h"
#include "link/byte_order.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace orvex::crawler;

namespace {

std::vector<std::uint8_t> block(std::uint8_t head, const char* digits)
{
    std::vector<std::uint8_t> b(16, 0);
    b[0] = head;
    std::memcpy(&b[5], digits, 10);
    return b;
}

std::vector<std::uint8_t> record(const std::vector<std::uint8_t>& b1, const std::vector<std::uint8_t>& b2,
                                 const std::vector<std::uint8_t>& b3, std::int32_t e1, std::int32_t e2)
{
    std::vector<std::uint8_t> r(64, 0);
    std::copy(b1.begin(), b1.end(), r.begin());
    std::copy(b2.begin(), b2.end(), r.begin() + 16);
    std::copy(b3.begin(), b3.end(), r.begin() + 32);
    orvex::bytes::put_be32(&r[48], std::uint32_t(e1));
    orvex::bytes::put_be32(&r[52], std::uint32_t(e2));
    return r;
}

} // namespace

TEST(CrawlerRecord, DecodesReadingsAndPhysicalValues)
{
    const auto r =
        record(block(0x10, "5000050001"), block(0x11, "1000010000"), block(0x10, "2349642177"), -30, 400);
    const RawEntry raw = decode_raw(r.data());
    EXPECT_EQ(raw.sensor[0], 50000);
    EXPECT_EQ(raw.sensor[1], 50001);
    // A block that does not start with 0x10 reads -2 for both numbers.
    EXPECT_EQ(raw.sensor[2], reading_absent);
    EXPECT_EQ(raw.sensor[3], reading_absent);
    EXPECT_EQ(raw.enc_1, -30);

    const PhysEntry p = physical(raw);
    EXPECT_DOUBLE_EQ(p.distance[0], 5.0);  // 50000 is the full 5 mm
    EXPECT_DOUBLE_EQ(p.distance[1], -1.0); // one more is out of range
    EXPECT_TRUE(p.present[1]);
    EXPECT_FALSE(p.in_range[1]);
    EXPECT_FALSE(p.present[2]);
    EXPECT_DOUBLE_EQ(p.diam_1, -1.0);
    EXPECT_DOUBLE_EQ(p.diam_2, -1.0);
    EXPECT_DOUBLE_EQ(p.enc_1, -3.0);
    EXPECT_DOUBLE_EQ(p.enc_2, -10.0);
    EXPECT_DOUBLE_EQ(p.kmrr_1, 6.044); // point 4 of the first table
    EXPECT_DOUBLE_EQ(p.kmrr_2, 0.0);

    const auto ok = physical(decode_raw(
        record(block(0x10, "1000020000"), block(0x10, "0000050000"), block(0x10, "abcde00000"), 0, 0)
            .data()));
    EXPECT_DOUBLE_EQ(ok.diam_1, 1.0 + 2.0 + 50.0);
    EXPECT_DOUBLE_EQ(ok.diam_2, 0.0 + 5.0 + 50.0);
    EXPECT_DOUBLE_EQ(ok.kmrr_1, kmrr_outside); // a reading with letters is absent
}

TEST(CrawlerRecord, KmrrTableEndsAndInterpolation)
{
    const auto& t1 = kmrr_table_1();
    EXPECT_DOUBLE_EQ(kmrr_convert(t1, 14999), 9.0);
    EXPECT_DOUBLE_EQ(kmrr_convert(t1, 14998), kmrr_outside);
    EXPECT_DOUBLE_EQ(kmrr_convert(t1, 52245), -4.0);
    EXPECT_DOUBLE_EQ(kmrr_convert(t1, 52246), kmrr_outside);
    EXPECT_NEAR(kmrr_convert(t1, (20544 + 23496) / 2.0), (7 + 6.044) / 2.0, 1e-12);
    EXPECT_NEAR(kmrr_convert(t1, (23496 + 26272) / 2.0), (6.044 + 5) / 2.0, 1e-12);
    EXPECT_DOUBLE_EQ(kmrr_convert(kmrr_table_2(), 53835), 4.0);
    EXPECT_DOUBLE_EQ(kmrr_convert(kmrr_table_2(), reading_absent), kmrr_outside);
}

TEST(CrawlerLog, HeaderLimitsAndEmptyLog)
{
    std::vector<std::uint8_t> mem(64u << 20, 0);
    std::uint8_t* h = &mem[log_offset];
    const auto set = [&](std::uint32_t n, std::uint8_t a, std::uint8_t b) {
        orvex::bytes::put_be32(h, n << 4);
        h[4] = a;
        h[5] = b;
    };
    set(393116, 0, 56);
    EXPECT_TRUE(read_log_header(mem.data(), mem.size()).valid);
    set(393117, 0, 56);
    EXPECT_FALSE(read_log_header(mem.data(), mem.size()).valid);
    set(10, 0, 57);
    EXPECT_FALSE(read_log_header(mem.data(), mem.size()).valid);
    set(10, 60, 4); // the second counter behind the first is no excess
    EXPECT_TRUE(read_log_header(mem.data(), mem.size()).valid);
    // A smaller image than the log announces gives no results, never a read past its end.
    set(40000, 0, 0);
    EXPECT_FALSE(read_log_header(mem.data(), 0x300000).valid);

    std::vector<RawEntry> raw(3);
    std::vector<PhysEntry> phys(3);
    set(393117, 0, 0);
    EXPECT_FALSE(decode_log(mem.data(), mem.size(), raw, phys));
    EXPECT_TRUE(raw.empty() && phys.empty());

    set(0, 0, 0);
    EXPECT_TRUE(decode_log(mem.data(), mem.size(), raw, phys));
    EXPECT_TRUE(phys.empty());
    orvex::test::TempDir dir;
    ASSERT_TRUE(write_data_file(dir / "data.txt", phys));
    EXPECT_EQ(orvex::test::read_file(dir / "data.txt"), "");

    set(2, 0, 0);
    const auto r =
        record(block(0x10, "1000020000"), block(0x00, "0000000000"), block(0x10, "4072442177"), 12345, -8);
    std::copy(r.begin(), r.end(), mem.begin() + log_offset + 64 * 2);
    ASSERT_TRUE(decode_log(mem.data(), mem.size(), raw, phys));
    ASSERT_EQ(phys.size(), 2u);
    EXPECT_EQ(raw[1].enc_1, 12345);
    EXPECT_EQ(data_text({phys[1]}), "enc:       1234.5         0.2\n"
                                    "diam:           53          -1\n"
                                    "kmrr:            0           0\n\n");
}

TEST(CrawlerFiles, SettingsKmrrFilesAndImages)
{
    orvex::test::TempDir dir;
    // A file without the crawler keys keeps every default.
    orvex::test::write_file(dir / "SettingsCrawler.xml",
                            "<?xml version=\"1.0\"?><root><Other>1</Other></root>");
    CrawlerSettings s;
    const CrawlerSettings defaults;
    ASSERT_TRUE(s.load((dir / "SettingsCrawler.xml").string()));
    EXPECT_EQ(s.motor_1_pulse_us, defaults.motor_1_pulse_us);
    EXPECT_EQ(s.fixed_link_address, "192.168.62.146");
    s.motor_2_pulse_us[4] = 1750;
    s.fixed_link_address = "127.0.0.9";
    ASSERT_TRUE(s.save((dir / "out.xml").string()));
    CrawlerSettings back;
    ASSERT_TRUE(back.load((dir / "out.xml").string()));
    EXPECT_EQ(back.motor_2_pulse_us[4], 1750);
    EXPECT_EQ(back.fixed_link_address, "127.0.0.9");
    EXPECT_NE(orvex::test::read_file(dir / "out.xml").find("<CrawlerSettings>"), std::string::npos);

    ASSERT_TRUE(append_kmrr_files(dir.path(), "1.5", 2.25, "-0.5", -100));
    ASSERT_TRUE(append_kmrr_files(dir.path(), "2", 3, "0", 1));
    EXPECT_EQ(orvex::test::read_file(dir / "kmrr_data_x.txt"), "     1.5    2.25\n       2       3\n");
    EXPECT_EQ(orvex::test::read_file(dir / "kmrr_data_y.txt"), "    -0.5    -100\n       0       1\n");
    EXPECT_FALSE(append_kmrr_files(dir / "missing", "1", 1, "1", 1));

    // Two frames as PNG in a fresh folder each time.
    std::vector<std::uint8_t> mem(2u << 20);
    for (std::size_t i = 0; i < mem.size(); ++i)
        mem[i] = std::uint8_t(i * 7 + i / 1024);
    EXPECT_EQ(write_frame_images(dir.path(), mem.data(), mem.size()), dir / "crawler_images_0");
    EXPECT_EQ(write_frame_images(dir.path(), mem.data(), mem.size()), dir / "crawler_images_1");
    const std::string png = orvex::test::read_file(dir / "crawler_images_1" / "img_1.png");
    ASSERT_GT(png.size(), (1u << 20) + 1024);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
    // The pixels follow the rows' filter bytes in the stored blocks.
    EXPECT_EQ(std::uint8_t(png[33 + 8 + 2 + 5 + 1]), mem[1u << 20]);
    EXPECT_TRUE(orvex::test::read_file(dir / "crawler_images_1" / "img_2.png").empty());
}
