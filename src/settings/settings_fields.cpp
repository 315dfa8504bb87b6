#include "settings/settings_fields.h"

#include "settings/editor_values.h"

#include <cstdio>
#include <functional>
#include <limits>
#include <sstream>

namespace orvex::k7 {
namespace {

// One entry per field: how to read it and how to write it from text.
struct field_def {
    const char* name;
    std::function<settings_field_value(const qz3p_settings&)> get;
    std::function<std::string(qz3p_settings&, const std::string&)> set;
};

bool parse_number(const std::string& text, std::int64_t& out)
{
    if (text.empty())
        return false;
    try {
        std::size_t used = 0;
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        out = std::stoll(hex ? text.substr(2) : text, &used, hex ? 16 : 10);
        return used == (hex ? text.size() - 2 : text.size());
    } catch (const std::exception&) {
        return false;
    }
}

// `highest` narrows the range for fields of which the sensor keeps fewer bits
// than the record holds: a larger value would come back as something else.
template <class T>
std::string assign(T& target, const std::string& text,
                   std::int64_t highest = static_cast<std::int64_t>(std::numeric_limits<T>::max()))
{
    std::int64_t v = 0;
    if (!parse_number(text, v))
        return "not a number: " + text;
    if (v < static_cast<std::int64_t>(std::numeric_limits<T>::min()) || v > highest)
        return "out of range: " + text + " (at most " + std::to_string(highest) + ")";
    target = static_cast<T>(v);
    return {};
}

template <class T, std::size_t N>
std::string assign_list(std::array<T, N>& target, const std::string& text)
{
    std::array<T, N> parsed{};
    std::stringstream in(text);
    std::string item;
    std::size_t i = 0;
    while (std::getline(in, item, ',')) {
        if (i == N)
            return "more than " + std::to_string(N) + " values";
        if (auto err = assign(parsed[i], item); !err.empty())
            return err;
        ++i;
    }
    if (i != N)
        return std::to_string(N) + " values expected, " + std::to_string(i) + " given";
    target = parsed;
    return {};
}

template <class T, std::size_t N>
std::vector<std::int64_t> to_list(const std::array<T, N>& a)
{
    return std::vector<std::int64_t>(a.begin(), a.end());
}

std::string hex_bytes(const std::uint8_t* p, std::size_t n, const char* separator)
{
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0)
            s += separator;
        std::snprintf(buf, sizeof buf, "%02x", p[i]);
        s += buf;
    }
    return s;
}

// Parses `n` bytes as hex digit pairs, each pair optionally followed by `separator`.
bool parse_hex_bytes(const std::string& text, std::uint8_t* out, std::size_t n, char separator)
{
    std::size_t pos = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (pos + 2 > text.size())
            return false;
        std::int64_t v = 0;
        if (!parse_number("0x" + text.substr(pos, 2), v))
            return false;
        out[i] = static_cast<std::uint8_t>(v);
        pos += 2;
        if (separator != 0 && i + 1 < n) {
            if (pos >= text.size() || text[pos] != separator)
                return false;
            ++pos;
        }
    }
    return pos == text.size();
}

#define ORVEX_SCALAR(field_name, member)                                                                     \
    field_def                                                                                                \
    {                                                                                                        \
        field_name, [](const qz3p_settings& s) { return settings_field_value(std::int64_t(s.member)); },     \
            [](qz3p_settings& s, const std::string& t) { return assign(s.member, t); }                       \
    }
#define ORVEX_SCALAR_UP_TO(field_name, member, highest)                                                      \
    field_def                                                                                                \
    {                                                                                                        \
        field_name, [](const qz3p_settings& s) { return settings_field_value(std::int64_t(s.member)); },     \
            [](qz3p_settings& s, const std::string& t) { return assign(s.member, t, highest); }              \
    }
#define ORVEX_LIST(field_name, member)                                                                       \
    field_def                                                                                                \
    {                                                                                                        \
        field_name, [](const qz3p_settings& s) { return settings_field_value(to_list(s.member)); },          \
            [](qz3p_settings& s, const std::string& t) { return assign_list(s.member, t); }                  \
    }

const std::vector<field_def>& fields()
{
    static const std::vector<field_def> defs = {
        {"mac", [](const qz3p_settings& s) { return settings_field_value(hex_bytes(s.mac.data(), 6, ":")); },
         [](qz3p_settings& s, const std::string& t) -> std::string {
             std::array<std::uint8_t, 6> m{};
             if (!parse_hex_bytes(t, m.data(), 6, ':'))
                 return "MAC address expected as aa:bb:cc:dd:ee:ff: " + t;
             s.mac = m;
             return {};
         }},
        {"ip", [](const qz3p_settings& s) { return settings_field_value(ip_text(s.ip)); },
         [](qz3p_settings& s, const std::string& t) -> std::string {
             const auto ip = parse_ip(t);
             if (!ip)
                 return "IPv4 address expected as a.b.c.d: " + t;
             s.ip = *ip;
             return {};
         }},
        ORVEX_SCALAR("laser_flags", laser_flags),
        ORVEX_SCALAR("laser_brightness", laser_brightness),
        ORVEX_SCALAR("sync_mode", sync_mode),
        ORVEX_SCALAR_UP_TO("period_us", period, 0xFFFFFF), // 24 bits travel
        ORVEX_SCALAR("exposure1_us", exposure1),
        ORVEX_SCALAR_UP_TO("reset_level", reset_level, 15), // read back from the low 4 bits
        ORVEX_SCALAR("exposure2_us", exposure2),
        ORVEX_SCALAR("dual_exposure", dual_exposure),
        ORVEX_SCALAR("black_level", black_level),
        ORVEX_SCALAR("gain", gain),
        ORVEX_SCALAR("window_x_start", window_x_start),
        ORVEX_SCALAR("window_x_end", window_x_end),
        ORVEX_SCALAR("window_y_start", window_y_start),
        ORVEX_SCALAR("window_y_end", window_y_end),
        ORVEX_SCALAR_UP_TO("reserved", reserved, 0xFF), // its low byte travels
        ORVEX_SCALAR("cycle_delay_us", cycle_delay),
        ORVEX_SCALAR("restart_on_errors", restart_on_errors),
        ORVEX_SCALAR("image_subtraction", image_subtraction),
        ORVEX_SCALAR("convolution_bypass", convolution_bypass),
        ORVEX_LIST("peak_distances", peak_distance),
        ORVEX_LIST("peak_thresholds", peak_threshold),
        ORVEX_SCALAR("next_max_coef", next_max_coefficient),
        ORVEX_SCALAR("edges_enabled", edges_enabled),
        ORVEX_SCALAR("edges_threshold", edges_threshold),
        ORVEX_SCALAR("calibration_bypass", calibration_bypass),
        ORVEX_SCALAR("detached_window", detached_window),
        ORVEX_SCALAR("detached_neighbours", detached_neighbours),
        ORVEX_SCALAR("detached_distance", detached_distance),
        ORVEX_SCALAR("median_window", median_window),
        ORVEX_LIST("convolution", convolution),
        ORVEX_LIST("further_words", further_words),
        {"ext_block",
         [](const qz3p_settings& s) { return settings_field_value(hex_bytes(s.ext_block.data(), 32, "")); },
         [](qz3p_settings& s, const std::string& t) -> std::string {
             std::array<std::uint8_t, 32> b{};
             if (!parse_hex_bytes(t, b.data(), 32, 0))
                 return "64 hex digits expected: " + t;
             s.ext_block = b;
             return {};
         }},
    };
    return defs;
}

#undef ORVEX_SCALAR
#undef ORVEX_SCALAR_UP_TO
#undef ORVEX_LIST

} // namespace

std::vector<settings_field> settings_fields(const qz3p_settings& s)
{
    std::vector<settings_field> out;
    for (const auto& f : fields())
        out.push_back({f.name, f.get(s)});
    return out;
}

std::vector<std::string> settings_field_names()
{
    std::vector<std::string> names;
    for (const auto& f : fields())
        names.emplace_back(f.name);
    return names;
}

std::string set_settings_field(qz3p_settings& s, const std::string& name, const std::string& text)
{
    for (const auto& f : fields()) {
        if (name == f.name) {
            qz3p_settings copy = s;
            std::string err = f.set(copy, text);
            if (err.empty())
                s = copy;
            return err;
        }
    }
    return "unknown field: " + name;
}

} // namespace orvex::k7
