// Sensor description decoding, firmware versions, the type table and the
// search list's row text.
#include "link/byte_order.h"
#include "link/sensor_info.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

using namespace orvex::k7;

namespace {

using payload_t = std::array<std::uint8_t, 256>;

payload_t description(const char* version, const char* type, std::uint8_t family = 1)
{
    payload_t p{};
    p[6] = 192;
    p[7] = 168;
    p[8] = 1;
    p[9] = 20;
    p[10] = family;
    p[11] = 0xFF; // only bit 0 is the flag
    p[12] = 'A';
    p[13] = 0x5F;
    std::memcpy(&p[16], version, std::strlen(version));
    std::memcpy(&p[21], type, 3);
    std::memcpy(&p[32], "K7D!", 4);
    std::memcpy(&p[36], "Line sensor 7", 13);
    std::memcpy(&p[136], "A1234", 5);
    p[141] = 4;                                                       // scale 16
    orvex::bytes::put_be16(&p[142], 160);                             // x1 10 mm
    orvex::bytes::put_be16(&p[144], 320);                             // x2 20 mm
    orvex::bytes::put_be16(&p[146], static_cast<std::uint16_t>(-80)); // y1 low -5 mm
    orvex::bytes::put_be16(&p[148], 80);
    orvex::bytes::put_be16(&p[150], static_cast<std::uint16_t>(-160));
    orvex::bytes::put_be16(&p[152], 160);
    std::memcpy(&p[154], "K7D!", 4);
    return p;
}

} // namespace

TEST(SensorDescription, DecodesEveryField)
{
    const auto p = description("49m", "S2D", 2);
    sensor_info i;
    ASSERT_TRUE(decode_description(p.data(), p.size(), i));
    EXPECT_EQ(i.address_text, "192.168.1.20");
    EXPECT_EQ(i.address, 0xC0A80114u);
    EXPECT_EQ(i.family, family_python);
    EXPECT_EQ(i.flag, 1);
    EXPECT_EQ(i.kind, 'A');
    EXPECT_EQ(i.board, 0x5F);
    EXPECT_EQ(i.version, (firmware_version{49, 'm'}));
    EXPECT_EQ(i.type, type_s2d);
    EXPECT_TRUE(i.ident_valid);
    EXPECT_EQ(i.ident_text, "Line sensor 7");
    EXPECT_EQ(i.serial, "A1234");
    EXPECT_EQ(i.shift, 4);
    EXPECT_DOUBLE_EQ(i.scale, 16.0);
    EXPECT_DOUBLE_EQ(i.x1, 10.0);
    EXPECT_DOUBLE_EQ(i.x2, 20.0);
    EXPECT_DOUBLE_EQ(i.y1_low, -5.0);
    EXPECT_DOUBLE_EQ(i.y2_low, -10.0);
    const auto o = i.outline();
    ASSERT_EQ(o.size(), 5u);
    EXPECT_DOUBLE_EQ(o[2].x, 20.0);
    EXPECT_DOUBLE_EQ(o[2].y, 10.0);
    EXPECT_DOUBLE_EQ(o[4].x, o[0].x);
    EXPECT_DOUBLE_EQ(o[4].y, o[0].y);

    // Family bytes other than 1 and 2 are unknown; a short payload is refused.
    auto q = p;
    q[10] = 3;
    sensor_info j;
    decode_description(q.data(), q.size(), j);
    EXPECT_EQ(j.family, family_unknown);
    sensor_info untouched;
    EXPECT_FALSE(decode_description(q.data(), 255, untouched));
    EXPECT_EQ(untouched.address_text, "");
}

TEST(SensorDescription, DamagedSecondMagicKeepsIdentificationFields)
{
    auto p = description("49m", "S2D");
    p[157] = '?';
    sensor_info fresh;
    ASSERT_TRUE(decode_description(p.data(), p.size(), fresh));
    EXPECT_FALSE(fresh.ident_valid);
    EXPECT_EQ(fresh.serial, "");
    EXPECT_EQ(fresh.ident_text, "");
    EXPECT_EQ(fresh.shift, 5);
    EXPECT_DOUBLE_EQ(fresh.scale, 32.0);
    EXPECT_EQ(fresh.address_text, "192.168.1.20") << "the fields outside the record are still taken";
    EXPECT_EQ(list_row_text(fresh).find('"'), std::string::npos);

    // A record decoded before keeps its values when the next one is damaged.
    sensor_info reused;
    decode_description(description("49m", "S2D").data(), 256, reused);
    decode_description(p.data(), p.size(), reused);
    EXPECT_EQ(reused.serial, "A1234");
    EXPECT_EQ(reused.shift, 4);
}

TEST(FirmwareVersion, ParsesComparesAndFormats)
{
    EXPECT_EQ(firmware_version::parse("49m"), (firmware_version{49, 'm'}));
    EXPECT_EQ(firmware_version::parse("40"), (firmware_version{40, '-'}));
    EXPECT_EQ(firmware_version::parse("00x"), (firmware_version{0, '-'})) << "no letter below number 1";
    EXPECT_EQ(firmware_version::parse("4").number, -1);
    EXPECT_EQ(firmware_version::parse("49mm").number, -1);
    EXPECT_EQ(firmware_version::parse("x9m").number, -1);
    EXPECT_EQ(firmware_version::parse("").number, -1);

    EXPECT_EQ(firmware_version::parse("49m").to_string(), "49m");
    EXPECT_EQ(firmware_version::parse("40").to_string(), "40-");
    EXPECT_EQ(firmware_version::parse("?").to_string(), "---");

    const auto v = [](const char* t) { return firmware_version::parse(t); };
    EXPECT_LT(v("39z"), v("40"));
    EXPECT_LT(v("40"), v("40a"));
    EXPECT_LT(v("30c"), v("30d"));
    EXPECT_LT(v("48z"), v("49a"));
    EXPECT_GE(v("40a"), (firmware_version{40, '-'}));
    EXPECT_LT(v("zz"), v("00"));

    // Inside a description: bytes 16..18, a zero byte ends the text early.
    auto p = description("49", "S2D");
    sensor_info i;
    decode_description(p.data(), p.size(), i);
    EXPECT_EQ(i.version, (firmware_version{49, '-'}));
}

TEST(DeviceType, TableAndNames)
{
    EXPECT_EQ(device_type_from_code("RCV"), type_rcv);
    EXPECT_EQ(device_type_from_code("S2D"), type_s2d);
    EXPECT_EQ(device_type_from_code("S3L"), type_s3l);
    EXPECT_EQ(device_type_from_code("E1D"), type_e1d);
    EXPECT_EQ(device_type_from_code("EB1"), type_eb1);
    EXPECT_EQ(device_type_from_code("s2d"), type_unknown);
    EXPECT_EQ(device_type_from_code(std::string("S2D\0", 4)), type_unknown);

    EXPECT_EQ(device_type_name(type_unknown), "неизвестно");
    EXPECT_EQ(device_type_name(type_rcv), "аварийная");
    EXPECT_EQ(device_type_name(type_s2d), "2d сканер");
    EXPECT_EQ(device_type_name(type_s3l), "три луча");
    EXPECT_EQ(device_type_name(type_e1d), "точечный");
    EXPECT_EQ(device_type_name(type_eb1), "плата расширения");
    EXPECT_EQ(device_type_name(6), "тип не определен");
    EXPECT_EQ(device_type_name(-1), "тип не определен");
}

TEST(SearchList, RowTextWithAndWithoutFamilyMark)
{
    sensor_info i;
    decode_description(description("30c", "S2D", 1).data(), 256, i);
    EXPECT_EQ(list_row_text(i),
              "192.168.1.20   -   A1234   -   30c   -   2d сканер (5f)   -   \"Line sensor 7\"");

    decode_description(description("30d", "S2D", 1).data(), 256, i);
    EXPECT_EQ(list_row_text(i),
              "192.168.1.20   -   A1234   -   30d   -   2d сканер(V) (5f)   -   \"Line sensor 7\"");

    auto p = description("49m", "EB1", 0);
    p[13] = 0x00;
    std::memcpy(&p[36], "bad\x01\xC3", 5); // control and non-ASCII bytes from the wire
    decode_description(p.data(), 256, i);
    EXPECT_EQ(list_row_text(i),
              "192.168.1.20   -   A1234   -   49m   -   плата расширения(?) (0)   -   \"bad??sensor 7\"");
    i.family = family_python;
    i.board = 0x50;
    i.ident_valid = false;
    EXPECT_EQ(list_row_text(i), "192.168.1.20   -   A1234   -   49m   -   плата расширения(P) (50)");

    // A serial padded with zero bytes (as the identification record stores
    // "42") reads "42", not "42???"; a zero inside stays visible.
    i.serial = std::string("42\0\0\0", 5);
    EXPECT_EQ(list_row_text(i), "192.168.1.20   -   42   -   49m   -   плата расширения(P) (50)");
    EXPECT_EQ(serial_text(std::string("4\0"
                                      "2\0\0",
                                      5)),
              "4?2");
    EXPECT_EQ(serial_text(std::string(5, '\0')), "");
}
