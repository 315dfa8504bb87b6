#include "link/sensor_info.h"

#include "link/byte_order.h"
#include "settings/editor_values.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orvex::k7 {

namespace {

constexpr char magic[4] = {'K', '7', 'D', '!'};
constexpr std::size_t magic_1 = 32;
constexpr std::size_t magic_2 = 154;
constexpr std::size_t ident_at = 36;
constexpr std::size_t ident_len = 100;
constexpr std::size_t serial_at = 136;
constexpr std::size_t serial_len = 5;

// Device-supplied bytes in a UTF-8 row: anything but printable ASCII becomes
// '?', so a damaged description can never make the row invalid UTF-8.
std::string printable(const std::string& s)
{
    std::string out = s;
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E)
            c = '?';
    }
    return out;
}

// Bytes of a fixed-size text field up to its first zero byte or its end.
std::string text_until_zero(const std::uint8_t* p, std::size_t n)
{
    const auto* end = std::find(p, p + n, std::uint8_t{0});
    return std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p));
}

std::string hex_lower(unsigned v)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    do {
        s.insert(s.begin(), digits[v & 0xF]);
        v >>= 4;
    } while (v != 0);
    return s;
}

} // namespace

std::vector<math::Point2d> sensor_info::outline() const
{
    return {{x1, y1_low}, {x1, y1_high}, {x2, y2_high}, {x2, y2_low}, {x1, y1_low}};
}

std::int32_t device_type_from_code(const std::string& code)
{
    static const char* const codes[] = {"RCV", "S2D", "S3L", "E1D", "EB1"};
    for (std::int32_t i = 0; i < 5; ++i)
        if (code == codes[i])
            return i + 1;
    return type_unknown;
}

std::string device_type_name(std::int32_t type)
{
    switch (type) {
    case type_unknown:
        return "неизвестно";
    case type_rcv:
        return "аварийная";
    case type_s2d:
        return "2d сканер";
    case type_s3l:
        return "три луча";
    case type_e1d:
        return "точечный";
    case type_eb1:
        return "плата расширения";
    default:
        return "тип не определен";
    }
}

bool decode_description(const std::uint8_t* p, std::size_t size, sensor_info& info)
{
    using namespace orvex::bytes;
    if (p == nullptr || size < description_size)
        return false;

    info.address = get_be32(p + 6);
    info.address_text = ip_text(info.address);
    info.family = (p[10] == 1 || p[10] == 2) ? std::int32_t{p[10]} : std::int32_t{family_unknown};
    info.flag = p[11] & 0x01;
    info.kind = p[12];
    info.board = p[13];

    // The version is the text of bytes 16..18 up to a zero byte, so "49" with a
    // zero third byte reads as version 49 without a letter.
    info.version = firmware_version::parse(text_until_zero(p + 16, 3));
    info.type = device_type_from_code(std::string(reinterpret_cast<const char*>(p + 21), 3));

    info.ident_valid = std::memcmp(p + magic_1, magic, 4) == 0 && std::memcmp(p + magic_2, magic, 4) == 0;
    if (!info.ident_valid)
        return true;

    info.ident_text = text_until_zero(p + ident_at, ident_len);
    info.serial.assign(reinterpret_cast<const char*>(p + serial_at), serial_len);
    info.shift = p[141];
    info.scale = std::ldexp(1.0, info.shift); // finite and non-zero for every byte value
    const auto u = [&](std::size_t at) { return double(get_be16(p + at)) / info.scale; };
    const auto s = [&](std::size_t at) { return double(std::int16_t(get_be16(p + at))) / info.scale; };
    info.x1 = u(142);
    info.x2 = u(144);
    info.y1_low = s(146);
    info.y1_high = s(148);
    info.y2_low = s(150);
    info.y2_high = s(152);
    return true;
}

std::string serial_text(const std::string& raw)
{
    std::size_t end = raw.size();
    while (end > 0 && raw[end - 1] == '\0')
        --end;
    return printable(raw.substr(0, end));
}

std::string list_row_text(const sensor_info& info)
{
    static const std::string sep = "   -   ";
    std::string row = info.address_text + sep + serial_text(info.serial) + sep +
                      printable(info.version.to_string()) + sep + device_type_name(info.type);
    if (info.version >= firmware_version{30, 'd'}) {
        const char mark = info.family == family_vita ? 'V' : info.family == family_python ? 'P' : '?';
        row += std::string("(") + mark + ")";
    }
    row += " (" + hex_lower(info.board) + ")";
    if (info.ident_valid)
        row += sep + "\"" + printable(info.ident_text) + "\"";
    return row;
}

} // namespace orvex::k7
