#include "calibr/ext_board_data.h"

#include "link/byte_order.h"

#include <cmath>

namespace orvex::k7 {
namespace {

void fill_positions(const ExtBoardCoefficients& c, ExtBoardData& s)
{
    for (std::size_t i = 0; i < 3; ++i) {
        s.motor_position[i] = s.motor_counter[i] / c.motor[i];
        s.encoder_position[i] = s.encoder_counter[i] / c.encoder[i];
        s.mark_position[i] = s.mark_counter[i] / c.encoder[i];
    }
}

void fill_header(const std::uint8_t* d, ExtBoardData& s)
{
    s.time = std::int32_t(bytes::get_be32(d + 1));
    s.flags = d[5];
    for (std::size_t b = 0; b < 8; ++b)
        s.flag_bits[b] = ((s.flags >> b) & 1) != 0;
}

std::int32_t be32s(const std::uint8_t* p)
{
    return std::int32_t(bytes::get_be32(p));
}

} // namespace

std::int32_t ext_board_count(double v)
{
    // std::round rounds halves away from zero; the low 32 bits of the 64-bit
    // result are what the board receives. Values beyond the 64-bit range (and
    // NaN) have no meaningful low bits: they become 0.
    const double r = std::round(v);
    if (!(std::fabs(r) < 9.2e18))
        return 0;
    return std::int32_t(std::uint32_t(std::uint64_t(std::int64_t(r))));
}

std::array<std::uint8_t, 11> encode_set_position(int index, double position, const ExtBoardCoefficients& c)
{
    std::array<std::uint8_t, 11> d{};
    d[0] = ext_board_code::set_position;
    d[1] = std::uint8_t(4u << index);
    bytes::put_be32(&d[2], std::uint32_t(ext_board_count(position * c.motor[std::size_t(index)])));
    d[6] = std::uint8_t(32u << index);
    bytes::put_be32(&d[7], std::uint32_t(ext_board_count(position * c.encoder[std::size_t(index)])));
    return d;
}

std::array<std::uint8_t, 5> encode_move(int index, double position, const ExtBoardCoefficients& c)
{
    std::array<std::uint8_t, 5> d{};
    d[0] = std::uint8_t(ext_board_code::move_first + index);
    bytes::put_be32(&d[1], std::uint32_t(ext_board_count(position * c.motor[std::size_t(index)])));
    return d;
}

bool parse_state_reply(const std::uint8_t* d, std::size_t n, const ExtBoardCoefficients& c, ExtBoardData& out)
{
    if (n != ext_state_reply_size || d[0] != ext_board_code::read_state)
        return false;
    fill_header(d, out);
    for (std::size_t i = 0; i < 3; ++i) {
        out.encoder_counter[i] = be32s(d + 6 + 4 * i);
        out.motor_counter[i] = be32s(d + 18 + 4 * i);
    }
    fill_positions(c, out);
    return true;
}

bool parse_extended_reply(const std::uint8_t* d, std::size_t n, const ExtBoardCoefficients& c,
                          const std::array<bool, 3>& update_moving, ExtBoardData& out)
{
    if (n != ext_extended_reply_size || d[0] != ext_board_code::read_extended)
        return false;
    fill_header(d, out);
    for (std::size_t i = 0; i < 3; ++i) {
        const std::uint8_t* m = d + 6 + 5 * i;
        if (update_moving[i])
            out.moving[i] = m[0] != 0;
        out.motor_counter[i] = be32s(m + 1);
        const std::uint8_t* e = d + 21 + 9 * i;
        out.encoder_counter[i] = be32s(e);
        out.mark_valid[i] = e[4] != 0;
        out.mark_counter[i] = be32s(e + 5);
    }
    fill_positions(c, out);
    return true;
}

} // namespace orvex::k7
