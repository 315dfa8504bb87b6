// Parsing of --sensor texts and of the k7sim command line.
#include "options.h"

#include <gtest/gtest.h>

namespace orvex::sim {
namespace {

std::string error_of(const std::string& text)
{
    try {
        parse_sensor_text(text);
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "";
}

TEST(K7simOptions, SensorDefaultsAndKeys)
{
    const auto d = parse_sensor_text("127.0.0.42");
    EXPECT_EQ(d.address_value, 0x7F00002Au);
    EXPECT_EQ(d.serial, "00042");
    EXPECT_EQ(d.fw, "49m");
    EXPECT_EQ(d.type, "S2D");
    EXPECT_EQ(d.family, image_family::vita);
    EXPECT_EQ(d.board, 0);
    EXPECT_EQ(d.kind, 'A');
    EXPECT_EQ(d.shift, 5);
    EXPECT_FALSE(d.has_key);
    EXPECT_EQ(parse_sensor_text("127.3.2.1").serial, "97121"); // 0x030201 mod 100000

    const auto c = parse_sensor_text("127.0.0.2,serial=A1b2C,fw=40,type=EB1,family=unknown,board=0x50,kind= ,"
                                     "ident=Rig board,shift=0,outline=0:65535:-32768:32767:0:0,key=0xFFEE");
    EXPECT_EQ(c.serial, "A1b2C");
    EXPECT_EQ(c.fw, "40");
    EXPECT_EQ(c.type, "EB1");
    EXPECT_EQ(c.family, image_family::unknown);
    EXPECT_EQ(c.board, 0x50);
    EXPECT_EQ(c.kind, ' ');
    EXPECT_EQ(c.ident, "Rig board");
    EXPECT_EQ(c.outline.x2, 65535.0);
    EXPECT_EQ(c.outline.y1_low, -32768.0);
    EXPECT_TRUE(c.has_key);
    EXPECT_EQ(c.key, 0xFFEEu);
}

TEST(K7simOptions, SensorErrorsNameTheProblem)
{
    EXPECT_NE(error_of("192.168.1.5").find("loopback-only"), std::string::npos);
    EXPECT_NE(error_of("localhost").find("not an IPv4 address"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.256").find("not an IPv4 address"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.255").find("broadcast"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.1").find("127.0.0.1"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.2,serial=1234").find("serial"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.2,serial=12/45").find("serial"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.2,colour=red").find("unknown key"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.2,fw=49m,fw=50a").find("twice"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.2,fw=x9m").find("fw"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.2,family=cmos").find("family"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.2,board=100").find("board"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.2,shift=17").find("shift"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.2,outline=1:2:3").find("outline"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.2,outline=0:100:-50:50:-80:x").find("outline"), std::string::npos);
    // 3000 mm at p = 5 is 96000: does not fit 16 bits.
    EXPECT_NE(error_of("127.0.0.2,outline=0:3000:-50:50:-80:80").find("16 bits"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.2,shift=8,outline=0:100:-200:50:-80:80").find("16 bits"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.2,key=12345678901234567").find("key"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.2,kind=AB").find("kind"), std::string::npos);
    EXPECT_NE(error_of("127.0.0.2,nokey").find("key=value"), std::string::npos);
}

TEST(K7simOptions, CommandLine)
{
    auto r = parse_command_line({"--sensor", "127.0.0.2,serial=00042", "--sensor", "127.0.0.3", "--state-dir",
                                 "st", "--log", "--loss", "0.25", "--dup", "1", "--delay-ms", "20", "--seed",
                                 "9", "--search-bind", "127.0.0.1"});
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.options.sensors, (std::vector<std::string>{"127.0.0.2,serial=00042", "127.0.0.3"}));
    EXPECT_EQ(r.options.state_dir, "st");
    EXPECT_TRUE(r.options.log);
    EXPECT_DOUBLE_EQ(r.options.loss, 0.25);
    EXPECT_DOUBLE_EQ(r.options.dup, 1.0);
    EXPECT_EQ(r.options.delay_ms, 20);
    EXPECT_EQ(r.options.seed, 9u);
    EXPECT_EQ(r.options.search_bind, "127.0.0.1");

    EXPECT_TRUE(parse_command_line({"--help"}).help);
    EXPECT_NE(parse_command_line({}).error.find("--sensor"), std::string::npos);
    EXPECT_NE(parse_command_line({"--sensor"}).error.find("needs a value"), std::string::npos);
    EXPECT_NE(parse_command_line({"--sensor", "127.0.0.2", "--loss", "1.5"}).error.find("probability"),
              std::string::npos);
    EXPECT_NE(parse_command_line({"--sensor", "127.0.0.2", "--delay-ms", "-3"}).error.find("delay"),
              std::string::npos);
    EXPECT_NE(parse_command_line({"--sensor", "127.0.0.2", "--bogus"}).error.find("--bogus"),
              std::string::npos);
    EXPECT_NE(usage_text().find("Examples"), std::string::npos);
}

} // namespace
} // namespace orvex::sim
