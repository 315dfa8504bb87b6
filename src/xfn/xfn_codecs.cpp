#include "xfn/xfn_codecs.h"

#include "link/byte_order.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvex::xfn {

using bytes::get_be16;
using bytes::get_be32;
using bytes::put_be16;
using bytes::put_be32;

namespace {

std::int16_t saturate16(double v)
{
    if (!(v == v))
        return 0;
    return static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
}

std::uint64_t saturate_unsigned(double v, std::uint64_t max)
{
    if (!(v > 0))
        return 0;
    if (v >= double(max))
        return max;
    return static_cast<std::uint64_t>(v);
}

} // namespace

std::array<std::uint8_t, 4> encode_outputs(const std::array<bool, 4>& on)
{
    std::array<std::uint8_t, 4> out{};
    for (std::size_t i = 0; i < 4; ++i)
        out[i] = on[i] ? 1 : 0;
    return out;
}

std::array<bool, 4> decode_outputs(const std::uint8_t* reply4)
{
    std::array<bool, 4> on{};
    for (std::size_t i = 0; i < 4; ++i)
        on[i] = reply4[i] != 0;
    return on;
}

ext_block encode_stepper_block(std::uint16_t period)
{
    ext_block b{};
    put_be16(b.data(), period);
    return b;
}

std::uint16_t decode_stepper_block(const ext_block& b)
{
    return get_be16(b.data());
}

std::array<std::uint8_t, 4> encode_stepper_steps(std::int32_t steps)
{
    std::array<std::uint8_t, 4> out{};
    put_be32(out.data(), static_cast<std::uint32_t>(steps));
    return out;
}

std::array<std::uint8_t, 5> encode_stepper_speed(double v)
{
    // floor(floor(x) / 256) == floor(x / 256): the upper 40 bits of the
    // 48-bit word v * 2^40 / 10^6 are v * 2^32 / 10^6, floored.
    const std::uint64_t w = saturate_unsigned(std::floor(std::ldexp(v, 32) / 1e6), (1ull << 40) - 1);
    std::array<std::uint8_t, 5> out{};
    for (std::size_t i = 0; i < 5; ++i)
        out[i] = static_cast<std::uint8_t>(w >> (8 * (4 - i)));
    return out;
}

std::array<std::uint8_t, 4> encode_stepper_acceleration(double v)
{
    const std::uint64_t w = saturate_unsigned(std::trunc(std::ldexp(v, 20) / 1e6), 0xFFFFFFFFull);
    std::array<std::uint8_t, 4> out{};
    put_be32(out.data(), static_cast<std::uint32_t>(w));
    return out;
}

void encode_led_block(const led_settings& s, ext_block& b)
{
    b[0] = s.sync_with_vita ? 1 : 0;
    b[1] = 0;
    put_be16(b.data() + 2, s.period_mult);
    std::copy(s.pwm.begin(), s.pwm.end(), b.begin() + 4);
}

led_settings decode_led_block(const ext_block& b)
{
    led_settings s;
    s.sync_with_vita = b[0] == 1;
    s.period_mult = get_be16(b.data() + 2);
    std::copy_n(b.begin() + 4, 4, s.pwm.begin());
    return s;
}

ext_block encode_elis_block(const elis_settings& s, int fraction_bits)
{
    ext_block b{};
    put_be16(b.data(), s.expo_max);
    put_be16(b.data() + 2, s.readout_time);
    put_be16(b.data() + 4, s.period);
    b[6] = s.cut_x4;
    b[7] =
        static_cast<std::uint8_t>((s.resolution_index & 3) | (s.aec ? 4 : 0) | (s.rolling_shutter ? 8 : 0));
    b[16] = s.output_type;
    b[17] = s.manual_output ? 1 : 0;
    put_be16(b.data() + 18,
             std::uint16_t(saturate_unsigned(std::trunc(std::ldexp(s.range_low, fraction_bits)), 0xFFFF)));
    const double span = std::ldexp(s.range_high - s.range_low, fraction_bits);
    std::uint16_t word = 0xFFFF;
    if (span > 0)
        word = std::uint16_t(std::clamp(std::round(65535.0 * 64.0 / span), 1.0, 65535.0));
    put_be16(b.data() + 20, word);
    return b;
}

elis_settings decode_elis_block(const ext_block& b, int fraction_bits)
{
    elis_settings s;
    s.expo_max = get_be16(b.data());
    s.readout_time = get_be16(b.data() + 2);
    s.period = get_be16(b.data() + 4);
    s.cut_x4 = b[6];
    s.resolution_index = b[7] & 3;
    s.aec = (b[7] & 4) != 0;
    s.rolling_shutter = (b[7] & 8) != 0;
    s.output_type = b[16];
    s.manual_output = b[17] == 1;
    s.range_low = std::ldexp(double(get_be16(b.data() + 18)), -fraction_bits);
    const std::uint16_t word = get_be16(b.data() + 20);
    s.range_high = s.range_low;
    if (word != 0)
        s.range_high += std::ldexp(65535.0 / (word / 64.0), -fraction_bits);
    return s;
}

std::int16_t temperature_word(double celsius)
{
    return saturate16(std::round(celsius * 256.0));
}

double decode_temperature(const std::uint8_t* reply2)
{
    return static_cast<std::int16_t>(get_be16(reply2)) / 256.0;
}

ext_block encode_thermo_block(const thermo_settings& s)
{
    ext_block b{};
    b[0] = s.laser_control ? 1 : 0;
    put_be16(b.data() + 2, static_cast<std::uint16_t>(temperature_word(s.laser_low)));
    put_be16(b.data() + 4, static_cast<std::uint16_t>(temperature_word(s.laser_high)));
    put_be16(b.data() + 16, s.encoder_divider);
    b[18] = static_cast<std::uint8_t>((s.encoder_forw ? 1 : 0) | (s.encoder_back ? 2 : 0));
    return b;
}

thermo_settings decode_thermo_block(const ext_block& b)
{
    thermo_settings s;
    s.laser_control = b[0] == 1;
    s.laser_low = decode_temperature(b.data() + 2);
    s.laser_high = decode_temperature(b.data() + 4);
    s.encoder_divider = get_be16(b.data() + 16);
    s.encoder_forw = (b[18] & 1) != 0;
    s.encoder_back = (b[18] & 2) != 0;
    return s;
}

std::array<std::uint8_t, 6> encode_thermo_config(const thermo_config& c)
{
    std::array<std::uint8_t, 6> out{};
    for (std::size_t i = 0; i < 8; ++i)
        if (c.flags[i])
            out[0] = static_cast<std::uint8_t>(out[0] | (1u << i));
    put_be16(out.data() + 1, static_cast<std::uint16_t>(temperature_word(c.upper_limit)));
    put_be16(out.data() + 3, static_cast<std::uint16_t>(temperature_word(c.lower_limit)));
    return out;
}

thermo_config decode_thermo_config(const std::uint8_t* reply6)
{
    thermo_config c;
    for (std::size_t i = 0; i < 8; ++i)
        c.flags[i] = (reply6[0] >> i) & 1;
    c.upper_limit = decode_temperature(reply6 + 1);
    c.lower_limit = decode_temperature(reply6 + 3);
    return c;
}

param_area encode_motor_params(const motor_params& p)
{
    param_area a{};
    for (std::size_t i = 0; i < 3; ++i) {
        put_be32(a.data() + 4 * i, static_cast<std::uint32_t>(p.speed[i]));
        put_be32(a.data() + 12 + 4 * i, static_cast<std::uint32_t>(p.acceleration[i]));
    }
    return a;
}

motor_params decode_motor_params(const param_area& a)
{
    motor_params p;
    for (std::size_t i = 0; i < 3; ++i) {
        p.speed[i] = static_cast<std::int32_t>(get_be32(a.data() + 4 * i));
        p.acceleration[i] = static_cast<std::int32_t>(get_be32(a.data() + 12 + 4 * i));
    }
    return p;
}

std::array<std::uint8_t, 7> encode_tube_moto(std::uint8_t mask, const std::array<std::uint16_t, 3>& widths)
{
    std::array<std::uint8_t, 7> out{};
    out[0] = mask;
    for (std::size_t i = 0; i < 3; ++i)
        put_be16(out.data() + 1 + 2 * i, widths[i]);
    return out;
}

tube_state decode_tube_state(const std::uint8_t* reply)
{
    tube_state s;
    s.time_us = get_be32(reply);
    for (std::size_t i = 0; i < 3; ++i) {
        s.marks[i] = (reply[4] >> i) & 1;
        s.encoders[i] = static_cast<std::int32_t>(get_be32(reply + 5 + 4 * i));
    }
    for (std::size_t i = 0; i < 2; ++i)
        s.angles[i] = static_cast<std::int16_t>(get_be16(reply + 17 + 2 * i)) / 100.0;
    return s;
}

param_area encode_weld_params(const weld_params& p)
{
    param_area a{};
    for (std::size_t i = 0; i < 4; ++i)
        if (p.outputs[i])
            a[0] = static_cast<std::uint8_t>(a[0] | (1u << i));
    std::copy(p.pwm.begin(), p.pwm.end(), a.begin() + 1);
    put_be16(a.data() + 5, p.prescaler);
    a[7] = static_cast<std::uint8_t>((p.sync_with_expo ? 1 : 0) | (p.full_brightness ? 2 : 0));
    return a;
}

weld_params decode_weld_params(const param_area& a)
{
    weld_params p;
    for (std::size_t i = 0; i < 4; ++i)
        p.outputs[i] = (a[0] >> i) & 1;
    std::copy_n(a.begin() + 1, 4, p.pwm.begin());
    p.prescaler = get_be16(a.data() + 5);
    p.sync_with_expo = (a[7] & 1) != 0;
    p.full_brightness = (a[7] & 2) != 0;
    return p;
}

void encode_crawler_block(const crawler_block& s, ext_block& b)
{
    for (std::size_t i = 0; i < 5; ++i) {
        put_be16(b.data() + 4 * i, s.motor_1_pulse_us[i]);
        put_be16(b.data() + 4 * i + 2, s.motor_2_pulse_us[i]);
    }
    put_be16(b.data() + 20, s.image_encoder_step);
    put_be16(b.data() + 24, s.led_multiplier);
    std::copy(s.led.begin(), s.led.end(), b.begin() + 26);
}

crawler_block decode_crawler_block(const ext_block& b)
{
    crawler_block s;
    for (std::size_t i = 0; i < 5; ++i) {
        s.motor_1_pulse_us[i] = get_be16(b.data() + 4 * i);
        s.motor_2_pulse_us[i] = get_be16(b.data() + 4 * i + 2);
    }
    s.image_encoder_step = get_be16(b.data() + 20);
    s.led_multiplier = get_be16(b.data() + 24);
    std::copy_n(b.begin() + 26, 6, s.led.begin());
    return s;
}

} // namespace orvex::xfn
