// Settings fields by name: record order, text forms and the range checks
// that keep a typo from reaching the sensor.
#include "settings/settings_fields.h"

#include <gtest/gtest.h>

using namespace orvex::k7;

TEST(SettingsFields, NamesFollowRecordOrderAndReadBack)
{
    const auto names = settings_field_names();
    ASSERT_EQ(names.size(), 34u);
    EXPECT_EQ(names.front(), "mac");
    EXPECT_EQ(names[5], "period_us");
    EXPECT_EQ(names.back(), "ext_block");

    qz3p_settings s;
    s.ip = (192u << 24) | (168u << 16) | (1u << 8) | 147u;
    s.mac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0xff};
    s.convolution[0] = -327;
    s.ext_block[31] = 0xAB;
    const auto fields = settings_fields(s);
    EXPECT_EQ(std::get<std::string>(fields[0].value), "00:1a:2b:3c:4d:ff");
    EXPECT_EQ(std::get<std::string>(fields[1].value), "192.168.1.147");
    const auto& conv = std::get<std::vector<std::int64_t>>(fields[31].value);
    EXPECT_EQ(fields[31].name, "convolution");
    ASSERT_EQ(conv.size(), 16u);
    EXPECT_EQ(conv[0], -327);
    EXPECT_EQ(std::get<std::string>(fields.back().value).substr(62), "ab");
}

TEST(SettingsFields, TextIsCheckedAgainstTheFieldWidthAndNothingChangesOnError)
{
    qz3p_settings s;
    EXPECT_EQ(set_settings_field(s, "laser_brightness", "200"), "");
    EXPECT_EQ(s.laser_brightness, 200);
    EXPECT_EQ(set_settings_field(s, "period_us", "0x1000"), "");
    EXPECT_EQ(s.period, 0x1000u);
    EXPECT_EQ(set_settings_field(s, "ip", "10.1.2.3"), "");
    EXPECT_EQ(s.ip, 0x0A010203u);
    EXPECT_EQ(set_settings_field(s, "mac", "01:02:03:04:05:06"), "");
    EXPECT_EQ(s.mac[5], 6);
    EXPECT_EQ(set_settings_field(s, "peak_distances", "1,2,32"), "");
    EXPECT_EQ(s.peak_distance[2], 32);

    const qz3p_settings before = s;
    EXPECT_NE(set_settings_field(s, "laser_brightness", "256"), "");
    EXPECT_NE(set_settings_field(s, "laser_brightness", "-1"), "");
    EXPECT_NE(set_settings_field(s, "laser_brightness", "12abc"), "");
    EXPECT_NE(set_settings_field(s, "peak_distances", "1,2"), "");
    EXPECT_NE(set_settings_field(s, "peak_distances", "1,2,3,4"), "");
    std::string sixteen = "40000"; // one coefficient beyond int16
    for (int i = 0; i < 15; ++i)
        sixteen += ",0";
    EXPECT_NE(set_settings_field(s, "convolution", sixteen), "");
    EXPECT_NE(set_settings_field(s, "ip", "300.1.1.1"), "");
    EXPECT_NE(set_settings_field(s, "mac", "01:02:03"), "");
    EXPECT_NE(set_settings_field(s, "ext_block", "abc"), "");
    EXPECT_EQ(set_settings_field(s, "no_such_field", "1"), "unknown field: no_such_field");
    // Fields of which the sensor keeps fewer bits than the record holds: a
    // larger value would be written as something else (16 777 217 as 1).
    EXPECT_NE(set_settings_field(s, "period_us", "16777217"), "");
    EXPECT_NE(set_settings_field(s, "reset_level", "16"), "");
    EXPECT_NE(set_settings_field(s, "reserved", "256"), "");
    EXPECT_EQ(s, before);
    EXPECT_EQ(set_settings_field(s, "period_us", "16777215"), "");
    EXPECT_EQ(set_settings_field(s, "reset_level", "15"), "");
    EXPECT_EQ(set_settings_field(s, "reserved", "0xFF"), "");
    EXPECT_EQ(qz3p_settings::decode(s.encode().data(), 256), s);
}
