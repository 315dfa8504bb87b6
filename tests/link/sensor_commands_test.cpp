// What every command of sensor_commands puts on the wire, on which link, and
// which reply it waits for, recorded by a raw peer and compared with the
// command table.
#include "command_peer.h"
#include "link/byte_order.h"

#include <functional>

using namespace orvex::k7;
using orvex::test::bytes_t;
using orvex::test::command_peer;

namespace {

struct command_case {
    const char* name;
    std::function<bool(sensor_commands&)> run;
    bytes_t request;
    int link;
    std::size_t reply_length; // 0: sent without waiting
    std::uint8_t reply_first;
};

bytes_t cat(bytes_t a, const bytes_t& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Runs each case against a peer that answers with exactly the table's reply;
// then checks that one byte less is not accepted (so the command really
// waits for the table's length, not for something shorter).
void check_table(const std::vector<command_case>& cases)
{
    command_peer p;
    std::size_t seen = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.reply_length != 0)
            p.answer(c.request[0], c.reply_length, c.reply_first);
        EXPECT_TRUE(c.run(p.device.commands()));
        const auto d = p.request(seen++);
        EXPECT_EQ(d.bytes, c.request);
        EXPECT_EQ(p.link_of(d), c.link);
        if (c.reply_length > 1) {
            p.answer(c.request[0], c.reply_length - 1, c.reply_first);
            EXPECT_FALSE(c.run(p.device.commands())) << "a reply one byte short must be rejected";
            ++seen;
        }
        p.silence(c.request[0]);
    }
}

} // namespace

TEST(SensorCommands, GeneralAndSettingsCommandsMatchTheTable)
{
    qz3p_settings s;
    s.ip = 0xC0A80193;
    const auto payload = s.encode();
    const bytes_t p255(payload.begin(), payload.begin() + 255);
    const bytes_t p256(payload.begin(), payload.end());
    sensor_info info;
    qz3p_settings out;
    std::uint8_t ext = 0;

    check_table({
        {"0xF4", [&](sensor_commands& c) { return c.read_description(info); }, {0xF4}, 0, 257, 0xF4},
        {"0x80",
         [&](sensor_commands& c) { return c.read_settings_memory(out); },
         {0x80, 0x00, 0xFF},
         0,
         256,
         0x80},
        {"0x81", [&](sensor_commands& c) { return c.write_settings_memory(s); },
         cat({0x81, 0x00, 0xFF}, p255), 0, 1, 0x81},
        {"0x83", [&](sensor_commands& c) { return c.read_settings_flash(out); }, {0x83}, 0, 257, 0x83},
        {"0x84", [&](sensor_commands& c) { return c.write_settings_flash(s); }, cat({0x84}, p256), 0, 1,
         0x84},
        {"0x01", [](sensor_commands& c) { return c.read_descriptor_debug(); }, {0x01}, 0, 257, 0x01},
        {"0x02", [](sensor_commands& c) { return c.read_once_debug(40); }, {0x02}, 0, 41, 0x02},
        {"0xEB", [](sensor_commands& c) { return c.debug_eb(); }, {0xEB}, 0, 0, 0},
        {"0xF9", [](sensor_commands& c) { return c.time_reset(); }, {0xF9}, 0, 1, 0xF9},
        {"0xFD", [](sensor_commands& c) { return c.time_shift(0x01020304); }, {0xFD, 1, 2, 3, 4}, 4, 1, 0xFD},
        {"0x27",
         [](sensor_commands& c) { return c.store_background(0xABCD); },
         {0x27, 0xAB, 0xCD},
         0,
         1,
         0x27},
        {"0x12", [&](sensor_commands& c) { return c.read_extension_byte(ext); }, {0x12}, 0, 2, 0x5A},
        {"0x13", [](sensor_commands& c) { return c.write_extension_byte(0x77); }, {0x13, 0x77}, 0, 1, 0x00},
    });
    EXPECT_EQ(ext, 1) << "byte 1 of the 0x12 reply";
}

TEST(SensorCommands, ProfileImageAndServiceCommandsMatchTheTable)
{
    std::array<std::uint8_t, 16> err{};
    std::uint8_t status = 0;
    check_table({
        {"0x20", [](sensor_commands& c) { return c.start_profile_measurement(); }, {0x20}, 2, 1, 0x20},
        {"0x22", [](sensor_commands& c) { return c.read_profile(false); }, {0x22}, 2, 4104, 0x22},
        {"0x22+", [](sensor_commands& c) { return c.read_profile(true); }, {0x22, 0x10}, 2, 5160, 0x00},
        {"0x23 on",
         [](sensor_commands& c) { return c.set_profile_stream(true, true); },
         {0x23, 0x11},
         2,
         1,
         0x23},
        {"0x23 off",
         [](sensor_commands& c) { return c.set_profile_stream(false, false); },
         {0x23, 0x00},
         0,
         1,
         0x23},
        {"0x21", [](sensor_commands& c) { return c.request_frame(); }, {0x21}, 1, 0, 0},
        {"0x29", [](sensor_commands& c) { return c.request_frame_numbered(); }, {0x29}, 1, 0, 0},
        {"0x2C", [](sensor_commands& c) { return c.request_frame_fast(); }, {0x2C}, 1, 0, 0},
        {"0x26", [](sensor_commands& c) { return c.request_background_frame(); }, {0x26}, 1, 0, 0},
        {"0x2A",
         [](sensor_commands& c) { return c.request_background_frame_numbered(); },
         {0x2A, 1},
         1,
         0,
         0},
        {"0x2E",
         [](sensor_commands& c) { return c.request_line_data(2, 0, 4); },
         {0x2E, 2, 0, 0, 0, 4},
         1,
         0,
         0},
        {"0x2E clamp",
         [](sensor_commands& c) { return c.request_line_data(2, 5000, 0); },
         {0x2E, 2, 0x03, 0xFF, 0, 1},
         1,
         0,
         0},
        {"0x25", [](sensor_commands& c) { return c.set_image_stream(true); }, {0x25, 1}, 1, 1, 0x00},
        {"0x7C", [](sensor_commands& c) { return c.error_state_command(); }, {0x7C}, 3, 1, 0x7C},
        {"0x7D", [&](sensor_commands& c) { return c.read_error_state(err); }, {0x7D}, 3, 17, 0x7D},
        {"0xD1", [](sensor_commands& c) { return c.latch_command(); }, {0xD1}, 3, 0, 0},
        {"0xD0", [&](sensor_commands& c) { return c.latch_status(status); }, {0xD0}, 3, 2, 0xD0},
        {"0xD2", [](sensor_commands& c) { return c.request_latch_data(); }, {0xD2, 0x10, 0x00}, 3, 0, 0},
        {"0xAF", [](sensor_commands& c) { return c.request_extension_block(); }, {0xAF}, 3, 0, 0},
        {"0xA0/2", [](sensor_commands& c) { return c.request_board_data(); }, {0xA0}, 2, 0, 0},
        {"0xA2/2", [](sensor_commands& c) { return c.send_board_byte(9); }, {0xA2, 9}, 2, 0, 0},
    });
    EXPECT_EQ(err[0], 1);
    EXPECT_EQ(err[15], 16);
    EXPECT_EQ(status, 1);
}

TEST(SensorCommands, ExtensionPassThroughAndLengthGuards)
{
    command_peer p;
    auto& c = p.device.commands();

    // Generic form: payload out, m reply bytes copied back over the caller's buffer.
    p.answer(0xA3, 4);
    std::uint8_t data[8] = {7, 8};
    ASSERT_TRUE(c.ext_transfer(0xA3, data, 2, 3));
    EXPECT_EQ(p.request(0).bytes, (bytes_t{0xA3, 7, 8}));
    EXPECT_EQ(data[0], 1);
    EXPECT_EQ(data[2], 3);

    std::array<std::uint8_t, 256> block{};
    block[255] = 0xEE;
    p.answer(0x8C, 257, 0x00);
    ASSERT_TRUE(c.ext_read_block(block));
    EXPECT_EQ(block[0], 1);
    p.answer(0x8D, 1, 0x33);
    ASSERT_TRUE(c.ext_write_block(block));
    EXPECT_EQ(p.request(2).bytes.size(), 257u);
    p.answer(0x8A, 6, 0x00);
    std::uint8_t five[5] = {};
    ASSERT_TRUE(c.ext_read_indexed(3, 5, five));
    EXPECT_EQ(p.request(3).bytes, (bytes_t{0x8A, 3, 5}));
    EXPECT_EQ(five[4], 5);
    p.answer(0x8B, 1, 0x00);
    ASSERT_TRUE(c.ext_write_indexed(4, 2, data));
    EXPECT_EQ(p.request(4).bytes, (bytes_t{0x8B, 4, 2, 1, 2}));

    // Guards: nothing is sent.
    const auto before = p.count();
    std::vector<std::uint8_t> big(300, 0);
    EXPECT_FALSE(c.ext_transfer(0xA0, big.data(), 256, 0));
    EXPECT_FALSE(c.ext_transfer(0xA0, big.data(), 0, 256));
    EXPECT_FALSE(c.read_once_debug(sensor_commands::buffer_size));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(p.count(), before);
}

TEST(SensorCommands, SettingsRecordOperationsUpdateCurrentSettingsOnlyFromMemory)
{
    command_peer p;
    auto& c = p.device.commands();
    qz3p_settings mine;
    mine.period = 12345;
    mine.gain = 2;

    p.answer(0x84, 1);
    ASSERT_TRUE(c.write_settings_flash(mine));
    EXPECT_NE(c.settings(), mine) << "a flash write leaves the current settings";

    p.answer(0x81, 1);
    ASSERT_TRUE(c.write_settings_memory(mine));
    EXPECT_EQ(c.settings(), mine);

    qz3p_settings got;
    p.answer(0x83, 257);
    ASSERT_TRUE(c.read_settings_flash(got));
    EXPECT_EQ(c.settings(), mine) << "a flash read leaves the current settings";
    EXPECT_EQ(got.period, orvex::bytes::get_be24(std::array<std::uint8_t, 3>{38, 39, 40}.data()));

    p.answer(0x80, 256);
    ASSERT_TRUE(c.read_settings_memory(got));
    EXPECT_EQ(c.settings(), got);
    EXPECT_EQ(got.laser_flags, 33); // reply byte 33 = payload byte 32

    // Failures leave the current settings alone.
    const auto current = c.settings();
    p.silence(0x80);
    p.silence(0x81);
    EXPECT_FALSE(c.read_settings_memory(got));
    EXPECT_FALSE(c.write_settings_memory(mine));
    EXPECT_EQ(c.settings(), current);
    EXPECT_FALSE(c.is_connected()) << "commands never change the connection flag";
}
