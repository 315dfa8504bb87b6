#include "settings/qz3p_settings.h"

#include "link/byte_order.h"

#include <algorithm>
#include <cstring>
#include <tuple>

namespace orvex::k7 {

using namespace orvex::bytes;

namespace {
// Coefficient k travels at 222 - 2k (coefficient 0 last, coefficient 15 at 192).
constexpr std::size_t coefficient_at(std::size_t k)
{
    return 222 - 2 * k;
}

auto fields(const qz3p_settings& s)
{
    return std::tie(s.mac, s.ip, s.laser_flags, s.laser_brightness, s.sync_mode, s.period, s.exposure1,
                    s.reset_level, s.exposure2, s.dual_exposure, s.black_level, s.gain, s.window_x_start,
                    s.window_x_end, s.window_y_start, s.window_y_end, s.reserved, s.cycle_delay,
                    s.restart_on_errors, s.image_subtraction, s.convolution_bypass, s.peak_distance,
                    s.peak_threshold, s.next_max_coefficient, s.edges_enabled, s.edges_threshold,
                    s.calibration_bypass, s.detached_window, s.detached_neighbours, s.detached_distance,
                    s.median_window, s.convolution, s.further_words, s.ext_block);
}
} // namespace

bool operator==(const qz3p_settings& a, const qz3p_settings& b)
{
    return fields(a) == fields(b);
}

std::uint8_t qz3p_settings::make_black_level(int level, bool regulation)
{
    level = std::clamp(level, -63, 63); // also keeps -level defined for the most negative int
    const int magnitude = level < 0 ? -level : level;
    return static_cast<std::uint8_t>(magnitude | (level < 0 ? 0x40 : 0) | (regulation ? 0x80 : 0));
}

int qz3p_settings::black_level_value() const
{
    const int magnitude = black_level & 0x3F;
    return (black_level & 0x40) ? -magnitude : magnitude;
}

qz3p_settings::payload qz3p_settings::encode() const
{
    payload p{};
    std::copy(mac.begin(), mac.end(), p.begin());
    put_be32(&p[6], ip);
    p[32] = laser_flags;
    p[33] = laser_brightness;
    p[34] = sync_mode;
    put_be24(&p[37], period); // the sensor keeps 24 bits; higher bits are dropped
    put_be16(&p[40], exposure1);
    put_be16(&p[42], exposure2);
    p[44] = reset_level;
    p[47] = black_level;
    p[48] = gain;
    p[51] = dual_exposure;
    p[52] = window_x_start;
    p[53] = window_x_end;
    put_be16(&p[54], window_y_start);
    put_be16(&p[56], window_y_end);
    p[58] = static_cast<std::uint8_t>(reserved);
    put_be16(&p[59], cycle_delay);
    p[64] = convolution_bypass;
    p[65] = image_subtraction;
    p[66] = restart_on_errors;
    p[80] = calibration_bypass;
    p[81] = edges_enabled;
    p[82] = edges_threshold;
    p[83] = next_max_coefficient;
    for (std::size_t i = 0; i < 3; ++i) {
        p[84 + i] = peak_distance[i];
        p[87 + i] = peak_threshold[i];
    }
    p[96] = median_window;
    p[100] = detached_window;
    p[101] = detached_neighbours;
    put_be16(&p[102], detached_distance);
    for (std::size_t i = 0; i < further_words.size(); ++i)
        put_be16(&p[112 + 2 * i], further_words[i]);
    std::copy(ext_block.begin(), ext_block.end(), p.begin() + 160);
    for (std::size_t k = 0; k < convolution.size(); ++k)
        put_be16(&p[coefficient_at(k)], static_cast<std::uint16_t>(convolution[k]));
    return p;
}

qz3p_settings qz3p_settings::decode(const std::uint8_t* bytes, std::size_t size)
{
    payload p{};
    if (bytes != nullptr)
        std::memcpy(p.data(), bytes, std::min(size, payload_size));

    qz3p_settings s;
    std::copy(p.begin(), p.begin() + 6, s.mac.begin());
    s.ip = get_be32(&p[6]);
    s.laser_flags = p[32];
    s.laser_brightness = p[33];
    s.sync_mode = p[34];
    s.period = get_be24(&p[37]);
    s.exposure1 = get_be16(&p[40]);
    s.exposure2 = get_be16(&p[42]);
    s.reset_level = p[44] & 0x0F;
    s.black_level = p[47];
    s.gain = p[48];
    s.dual_exposure = p[51];
    s.window_x_start = p[52];
    s.window_x_end = p[53];
    s.window_y_start = get_be16(&p[54]);
    s.window_y_end = get_be16(&p[56]);
    s.reserved = p[58];
    s.cycle_delay = get_be16(&p[59]);
    s.convolution_bypass = p[64];
    s.image_subtraction = p[65];
    s.restart_on_errors = p[66];
    s.calibration_bypass = p[80];
    s.edges_enabled = p[81];
    s.edges_threshold = p[82];
    s.next_max_coefficient = p[83];
    for (std::size_t i = 0; i < 3; ++i) {
        s.peak_distance[i] = p[84 + i];
        s.peak_threshold[i] = p[87 + i];
    }
    s.median_window = p[96];
    s.detached_window = p[100];
    s.detached_neighbours = p[101];
    s.detached_distance = get_be16(&p[102]);
    for (std::size_t i = 0; i < s.further_words.size(); ++i)
        s.further_words[i] = get_be16(&p[112 + 2 * i]);
    std::copy(p.begin() + 160, p.begin() + 192, s.ext_block.begin());
    for (std::size_t k = 0; k < s.convolution.size(); ++k)
        s.convolution[k] = static_cast<std::int16_t>(get_be16(&p[coefficient_at(k)]));
    return s;
}

} // namespace orvex::k7
