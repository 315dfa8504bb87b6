// Codecs of the extension boards' settings blocks and parameter areas.
//
// Every panel keeps its board's settings either in the 32-byte extension block
// of the sensor's settings record or in the board's own parameter area (255
// bytes in working memory, 256 in the board's flash). These pure functions turn
// such bytes into the values a panel shows and back; nothing here touches a
// socket or a widget. Multi-byte integers are big-endian.
//
// Layouts chosen here (the boards leave them open):
// - thermostat configuration (6 bytes): byte 0 flags, bit 0 "TH flag", 1 "TL
//   flag", 2 "NVM busy", 3 "one shot", 4 "POL", 5 "res_0", 6 "res_1", 7
//   "done"; bytes 1-2 upper limit and 3-4 lower limit, signed, 1/256 degC;
//   byte 5 zero;
// - motor board area: speeds of motors 1..3, then accelerations of motors
//   1..3, six signed 32-bit words from byte 0, the rest zero;
// - welding board area: byte 0 outputs 0..3 in bits 0..3; bytes 1..4 the four
//   brightnesses; bytes 5-6 the prescaler; byte 7 bit 0 sync with exposure,
//   bit 1 full brightness; the rest zero;
// - tube board state (0xA5 reply, 26 bytes): time (u32, microseconds), marks
//   byte (bits 0..2), three encoder counters (s32), two angles (s16, 1/100
//   degree), the rest zero.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orvex::xfn {

using ext_block = std::array<std::uint8_t, 32>;
/// A board's parameter area: 255 bytes in working memory (byte 255 unused,
/// zero), 256 in the board's flash.
using param_area = std::array<std::uint8_t, 256>;

// --- discrete outputs (0x0F) ---
/// One byte per output, 1 on, 0 off.
std::array<std::uint8_t, 4> encode_outputs(const std::array<bool, 4>& on);
/// Any non-zero byte is on.
std::array<bool, 4> decode_outputs(const std::uint8_t* reply4);

// --- stepping motor (0x30) ---
/// Block: step period in bytes 0-1, the rest zero.
ext_block encode_stepper_block(std::uint16_t period);
std::uint16_t decode_stepper_block(const ext_block& b);
std::array<std::uint8_t, 4> encode_stepper_steps(std::int32_t steps);
/// Speed v (steps/s) as the 48-bit fraction v * 2^40 / 1 000 000, floored,
/// sent as its upper 40 bits: 1 000 000 goes out as 01 00 00 00 00. Values
/// below zero send 0; the word saturates at 40 bits.
std::array<std::uint8_t, 5> encode_stepper_speed(double v);
/// Acceleration v as the 32-bit (v * 2^20) / 1 000 000, truncated; saturates.
std::array<std::uint8_t, 4> encode_stepper_acceleration(double v);

// --- LED driver (0x40) ---
struct led_settings {
    bool sync_with_vita = false;
    std::uint16_t period_mult = 0;
    std::array<std::uint8_t, 4> pwm{};
};
/// Writes bytes 0..7 into `b`; the other bytes keep what they held.
void encode_led_block(const led_settings& s, ext_block& b);
led_settings decode_led_block(const ext_block& b);

// --- linear image sensor (0x10) ---
struct elis_settings {
    std::uint16_t expo_max = 0;
    std::uint16_t readout_time = 0;
    std::uint16_t period = 0;
    std::uint8_t cut_x4 = 0;
    int resolution_index = 0; // 0..3: 1024, 512, 256, 128 pixels
    bool aec = false;
    bool rolling_shutter = false;
    std::uint8_t output_type = 6; // 6 current 0-20 mA, 5 current 4-20 mA, 1 voltage 0-10 V
    bool manual_output = false;
    double range_low = 0.0;  // mm
    double range_high = 0.0; // mm
};
/// `fraction_bits` is the sensor's N. The lower bound goes as trunc(low * 2^N);
/// the span as round(65535 * 64 / ((high - low) * 2^N)), limited to 1..65535
/// (an empty or inverted span sends 65535).
ext_block encode_elis_block(const elis_settings& s, int fraction_bits);
/// A span word of 0 shows the upper bound equal to the lower one.
elis_settings decode_elis_block(const ext_block& b, int fraction_bits);

// --- thermostat and encoder (0x81) ---
struct thermo_settings {
    bool laser_control = false;
    double laser_low = 0.0;  // degC
    double laser_high = 0.0; // degC
    std::uint16_t encoder_divider = 0;
    bool encoder_forw = false;
    bool encoder_back = false;
};
/// Temperatures as round(v * 256), saturated to the signed 16-bit range.
ext_block encode_thermo_block(const thermo_settings& s);
thermo_settings decode_thermo_block(const ext_block& b);
/// Big-endian signed temperature in 1/256 degC.
double decode_temperature(const std::uint8_t* reply2);
std::int16_t temperature_word(double celsius);

struct thermo_config {
    std::array<bool, 8> flags{}; // TH, TL, NVM busy, one shot, POL, res_0, res_1, done
    double upper_limit = 0.0;    // degC
    double lower_limit = 0.0;    // degC
};
std::array<std::uint8_t, 6> encode_thermo_config(const thermo_config& c);
thermo_config decode_thermo_config(const std::uint8_t* reply6);

// --- motors and encoders (0x50) ---
struct motor_params {
    std::array<std::int32_t, 3> speed{};
    std::array<std::int32_t, 3> acceleration{};
};
param_area encode_motor_params(const motor_params& p);
motor_params decode_motor_params(const param_area& a);

// --- tube board (0x51) ---
/// 0xA0 payload: channel mask, then the three widths.
std::array<std::uint8_t, 7> encode_tube_moto(std::uint8_t mask, const std::array<std::uint16_t, 3>& widths);
constexpr std::size_t tube_state_size = 26; // reply bytes after the echo
struct tube_state {
    std::uint32_t time_us = 0;
    std::array<bool, 3> marks{};
    std::array<std::int32_t, 3> encoders{};
    std::array<double, 2> angles{}; // degrees
};
tube_state decode_tube_state(const std::uint8_t* reply);

// --- welding board (0x82) ---
struct weld_params {
    std::array<bool, 4> outputs{};
    std::array<std::uint8_t, 4> pwm{};
    std::uint16_t prescaler = 0;
    bool sync_with_expo = false;
    bool full_brightness = false;
};
param_area encode_weld_params(const weld_params& p);
weld_params decode_weld_params(const param_area& a);

// --- pipe crawler (0x80) ---
/// The crawler's block: the motor pulse widths (microseconds) of the five
/// motor buttons for motors 1 and 2, interleaved (motor 1 pulse 0, motor 2
/// pulse 0, motor 1 pulse 1, ...) in bytes 0-19; the image encoder step in
/// 20-21; bytes 22-23 are not the panel's and keep what they held; the LED
/// multiplier in 24-25; LED brightnesses 1..6 in bytes 26-31.
struct crawler_block {
    std::array<std::uint16_t, 5> motor_1_pulse_us{};
    std::array<std::uint16_t, 5> motor_2_pulse_us{};
    std::uint16_t image_encoder_step = 0;
    std::uint16_t led_multiplier = 0;
    std::array<std::uint8_t, 6> led{};
};
void encode_crawler_block(const crawler_block& s, ext_block& b);
crawler_block decode_crawler_block(const ext_block& b);

} // namespace orvex::xfn
