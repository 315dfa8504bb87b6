// Codecs of the extension boards' blocks and areas: bytes in, panel values out
// and back, with the rounding and saturation edges of each word.
#include "xfn/xfn_codecs.h"

#include <gtest/gtest.h>
#include <vector>

using namespace orvex::xfn;

namespace {

template <std::size_t N>
std::vector<int> ints(const std::array<std::uint8_t, N>& a, std::size_t n = N)
{
    return std::vector<int>(a.begin(), a.begin() + n);
}

} // namespace

TEST(XfnCodecs, StepperWords)
{
    struct Case {
        double v;
        std::vector<int> speed;
    } cases[] = {
        {1000000.0, {0x01, 0, 0, 0, 0}}, // 2^40 in the 48-bit word
        {1.0, {0, 0, 0, 0x10, 0xC6}},    // floor(2^32 / 10^6) = 4294
        {0.0, {0, 0, 0, 0, 0}},          {-5.0, {0, 0, 0, 0, 0}}, {1e12, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ints(encode_stepper_speed(c.v)), c.speed) << c.v;
    EXPECT_EQ(ints(encode_stepper_acceleration(1000000.0)), (std::vector<int>{0, 0x10, 0, 0}));
    EXPECT_EQ(ints(encode_stepper_acceleration(1.0)), (std::vector<int>{0, 0, 0, 1})); // 1.048576 truncated
    EXPECT_EQ(ints(encode_stepper_steps(-2)), (std::vector<int>{0xFF, 0xFF, 0xFF, 0xFE}));
    const ext_block b = encode_stepper_block(0x1234);
    EXPECT_EQ(ints(b, 4), (std::vector<int>{0x12, 0x34, 0, 0}));
    EXPECT_EQ(decode_stepper_block(b), 0x1234);
}

TEST(XfnCodecs, OutputsAndLedBlockKeepForeignBytes)
{
    const std::uint8_t reply[4] = {0, 7, 0, 1};
    EXPECT_EQ(decode_outputs(reply), (std::array<bool, 4>{false, true, false, true}));
    EXPECT_EQ(ints(encode_outputs({true, false, false, true})), (std::vector<int>{1, 0, 0, 1}));

    ext_block b;
    b.fill(0xEE);
    led_settings s;
    s.sync_with_vita = true;
    s.period_mult = 300;
    s.pwm = {1, 2, 3, 255};
    encode_led_block(s, b);
    EXPECT_EQ(ints(b, 9), (std::vector<int>{1, 0, 0x01, 0x2C, 1, 2, 3, 255, 0xEE}));
    EXPECT_EQ(b[31], 0xEE);
    const led_settings back = decode_led_block(b);
    EXPECT_TRUE(back.sync_with_vita);
    EXPECT_EQ(back.period_mult, 300);
    EXPECT_EQ(back.pwm, s.pwm);
}

TEST(XfnCodecs, ElisBlockAndRangeRoundTrip)
{
    elis_settings s;
    s.expo_max = 1000;
    s.readout_time = 20;
    s.period = 0x0102;
    s.cut_x4 = 9;
    s.resolution_index = 2;
    s.aec = true;
    s.rolling_shutter = true;
    s.output_type = 5;
    s.manual_output = true;
    s.range_low = 10.3;
    s.range_high = 110.0;
    const ext_block b = encode_elis_block(s, 8);
    EXPECT_EQ(ints(b, 8), (std::vector<int>{0x03, 0xE8, 0, 20, 1, 2, 9, 2 | 4 | 8}));
    EXPECT_EQ(b[16], 5);
    EXPECT_EQ(b[17], 1);
    EXPECT_EQ(b[18] * 256 + b[19], 2636); // trunc(10.3 * 256)
    EXPECT_EQ(b[20] * 256 + b[21], 164);  // round(65535 * 64 / (99.7 * 256))
    const elis_settings back = decode_elis_block(b, 8);
    EXPECT_EQ(back.resolution_index, 2);
    EXPECT_TRUE(back.aec && back.rolling_shutter && back.manual_output);
    EXPECT_EQ(back.output_type, 5);
    EXPECT_NEAR(back.range_low, 10.3, 1.0 / 256);
    EXPECT_NEAR(back.range_high, 110.0, 0.5); // the span word keeps about 3 digits at N = 8
    // A span too small for the word, an empty span and a zero word stay finite.
    s.range_high = s.range_low;
    EXPECT_EQ(encode_elis_block(s, 8)[20], 0xFF);
    ext_block zero{};
    EXPECT_EQ(decode_elis_block(zero, 8).range_high, 0.0);
}

TEST(XfnCodecs, ThermostatBlockTemperatureAndConfig)
{
    thermo_settings s;
    s.laser_control = true;
    s.laser_low = -1.5;
    s.laser_high = 40.25;
    s.encoder_divider = 513;
    s.encoder_back = true;
    const ext_block b = encode_thermo_block(s);
    EXPECT_EQ(ints(b, 6), (std::vector<int>{1, 0, 0xFE, 0x80, 0x28, 0x40}));
    EXPECT_EQ(b[16], 2);
    EXPECT_EQ(b[17], 1);
    EXPECT_EQ(b[18], 2);
    const thermo_settings back = decode_thermo_block(b);
    EXPECT_EQ(back.laser_low, -1.5);
    EXPECT_EQ(back.laser_high, 40.25);
    EXPECT_FALSE(back.encoder_forw);
    EXPECT_TRUE(back.encoder_back);
    EXPECT_EQ(temperature_word(1000.0), 32767); // saturates, never wraps

    const std::uint8_t t[2] = {0xFF, 0x00};
    EXPECT_EQ(decode_temperature(t), -1.0);

    thermo_config c;
    c.flags[0] = c.flags[7] = true;
    c.upper_limit = 30.0;
    c.lower_limit = -0.5;
    const auto raw = encode_thermo_config(c);
    EXPECT_EQ(ints(raw), (std::vector<int>{0x81, 0x1E, 0, 0xFF, 0x80, 0}));
    const thermo_config cb = decode_thermo_config(raw.data());
    EXPECT_EQ(cb.flags, c.flags);
    EXPECT_EQ(cb.lower_limit, -0.5);
}

TEST(XfnCodecs, ParameterAreasOfMotorTubeAndWeldingBoards)
{
    motor_params m;
    m.speed = {1, -1, 70000};
    m.acceleration = {2, 3, 4};
    const param_area a = encode_motor_params(m);
    EXPECT_EQ(ints(a, 8), (std::vector<int>{0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(a[15], 2);
    EXPECT_EQ(a[24], 0);
    const motor_params mb = decode_motor_params(a);
    EXPECT_EQ(mb.speed, m.speed);
    EXPECT_EQ(mb.acceleration, m.acceleration);

    EXPECT_EQ(ints(encode_tube_moto(4, {1, 0x0203, 0xFFFF})), (std::vector<int>{4, 0, 1, 2, 3, 0xFF, 0xFF}));
    std::uint8_t st[tube_state_size] = {0,    0,    1,    0, 5, 0, 0, 0,    9,   0xFF,
                                        0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x23, 0x28};
    const tube_state ts = decode_tube_state(st);
    EXPECT_EQ(ts.time_us, 256u);
    EXPECT_EQ(ts.marks, (std::array<bool, 3>{true, false, true}));
    EXPECT_EQ(ts.encoders, (std::array<std::int32_t, 3>{9, -1, 0}));
    EXPECT_EQ(ts.angles[0], 90.0);

    weld_params w;
    w.outputs = {true, false, true, false};
    w.pwm = {10, 20, 30, 40};
    w.prescaler = 0x0102;
    w.full_brightness = true;
    const param_area wa = encode_weld_params(w);
    EXPECT_EQ(ints(wa, 9), (std::vector<int>{5, 10, 20, 30, 40, 1, 2, 2, 0}));
    const weld_params wb = decode_weld_params(wa);
    EXPECT_EQ(wb.outputs, w.outputs);
    EXPECT_EQ(wb.pwm, w.pwm);
    EXPECT_EQ(wb.prescaler, 0x0102);
    EXPECT_TRUE(wb.full_brightness && !wb.sync_with_expo);
}

// The crawler's pulses are interleaved motor 1 / motor 2; bytes 22-23 are another's.
TEST(XfnCodecs, CrawlerBlockLayout)
{
    ext_block b;
    b.fill(0xEE);
    crawler_block s;
    s.motor_1_pulse_us = {1700, 1600, 1500, 1400, 1300};
    s.motor_2_pulse_us = {1300, 1400, 1500, 1600, 1700};
    s.image_encoder_step = 0x0102;
    s.led_multiplier = 0x0304;
    s.led = {1, 2, 3, 4, 5, 255};
    encode_crawler_block(s, b);
    EXPECT_EQ(ints(b, 8), (std::vector<int>{0x06, 0xA4, 0x05, 0x14, 0x06, 0x40, 0x05, 0x78}));
    EXPECT_EQ(std::vector<int>(b.begin() + 20, b.end()),
              (std::vector<int>{1, 2, 0xEE, 0xEE, 3, 4, 1, 2, 3, 4, 5, 255}));
    const crawler_block back = decode_crawler_block(b);
    EXPECT_EQ(back.motor_1_pulse_us, s.motor_1_pulse_us);
    EXPECT_EQ(back.motor_2_pulse_us, s.motor_2_pulse_us);
    EXPECT_EQ(back.image_encoder_step, 0x0102);
    EXPECT_EQ(back.led_multiplier, 0x0304);
    EXPECT_EQ(back.led, s.led);
}
