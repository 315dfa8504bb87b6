#include "settings/editor_values.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace orvex::k7 {

namespace {

std::vector<std::string> split(const std::string& text, const std::string& separators)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (separators.find(c) != std::string::npos)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::uint8_t laser_flags_for(laser_mode mode, bool inverted)
{
    std::uint8_t flags = 0;
    switch (mode) {
    case laser_mode::off:
        break;
    case laser_mode::on:
        flags = laser_on_flag;
        break;
    case laser_mode::external_sync:
        flags = laser_on_flag | laser_external_sync_flag;
        break;
    case laser_mode::during_exposure:
        flags = laser_on_flag | laser_exposure_flag;
        break;
    }
    if (inverted)
        flags |= laser_invert_flag;
    return flags;
}

laser_mode laser_mode_of(std::uint8_t flags)
{
    if ((flags & laser_on_flag) == 0)
        return laser_mode::off;
    if (flags & laser_external_sync_flag)
        return laser_mode::external_sync;
    if (flags & laser_exposure_flag)
        return laser_mode::during_exposure;
    return laser_mode::on;
}

std::uint8_t sync_mode_for(sync_source source)
{
    switch (source) {
    case sync_source::external_strobe:
        return 2;
    case sync_source::external_level:
        return 5;
    case sync_source::internal_timer:
        break;
    }
    return 1;
}

sync_source sync_source_of(std::uint8_t mode)
{
    if (mode == 2)
        return sync_source::external_strobe;
    if (mode == 5)
        return sync_source::external_level;
    return sync_source::internal_timer;
}

int gain_index_of(const qz3p_settings& s)
{
    return std::clamp(static_cast<int>(s.gain) - 1, 0, 2);
}

void set_exposure_fields(qz3p_settings& s, const exposure_values& v)
{
    s.exposure1 = static_cast<std::uint16_t>(std::clamp(v.first_us, 0, 0xFFFF));
    s.dual_exposure = v.dual ? 1 : 0;
    s.exposure2 = v.dual ? static_cast<std::uint16_t>(std::clamp(v.second_us, 0, 0x7FFF)) : 0;
    s.reset_level = v.dual ? static_cast<std::uint8_t>(std::clamp(v.reset_level, 0, 15)) : 15;
    s.gain = v.dual ? 1 : static_cast<std::uint8_t>(std::clamp(v.gain_index, 0, 2) + 1);
}

std::optional<std::array<std::uint8_t, 6>> parse_mac(const std::string& text)
{
    const auto parts = split(text, ".:-");
    if (parts.size() != 6)
        return std::nullopt;
    std::array<std::uint8_t, 6> mac{};
    for (std::size_t i = 0; i < 6; ++i) {
        const std::string p = trimmed(parts[i]);
        if (p.empty() || p.size() > 2)
            return std::nullopt;
        int value = 0;
        for (char c : p) {
            const int d = hex_digit(c);
            if (d < 0)
                return std::nullopt;
            value = value * 16 + d;
        }
        mac[i] = static_cast<std::uint8_t>(value);
    }
    return mac;
}

std::string mac_text(const std::array<std::uint8_t, 6>& mac)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02X.%02X.%02X.%02X.%02X.%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    return buf;
}

std::optional<std::uint32_t> parse_ip(const std::string& text)
{
    const auto parts = split(text, ".");
    if (parts.size() != 4)
        return std::nullopt;
    std::uint32_t ip = 0;
    for (const std::string& raw : parts) {
        const std::string p = trimmed(raw);
        if (p.empty() || p.size() > 3)
            return std::nullopt;
        int value = 0;
        for (char c : p) {
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + (c - '0');
        }
        if (value > 255)
            return std::nullopt;
        ip = ip << 8 | static_cast<std::uint32_t>(value);
    }
    return ip;
}

std::string ip_text(std::uint32_t ip)
{
    return std::to_string(ip >> 24) + '.' + std::to_string(ip >> 16 & 0xFF) + '.' +
           std::to_string(ip >> 8 & 0xFF) + '.' + std::to_string(ip & 0xFF);
}

double detached_distance_mm(std::uint16_t field)
{
    return field / 32.0;
}

std::uint16_t detached_distance_field(double mm)
{
    if (!std::isfinite(mm) || mm <= 0.0)
        return 0;
    return static_cast<std::uint16_t>(std::min(std::lround(mm * 32.0), 65535L));
}

} // namespace orvex::k7
