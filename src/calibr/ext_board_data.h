// ExtBoardData and the motor-board wire format: the state record, the six
// coefficients, the request encoders and the reply parsers. Pure functions on
// bytes, shared by ExtBoard and the tools; nothing here touches a socket.
//
// Counts: a position becomes a 32-bit count by rounding halves away from zero
// and keeping the low 32 bits; every multi-byte integer is big-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orvex::k7 {

/// State of a motor board as the two state reads report it.
struct ExtBoardData {
    std::int32_t time = 0;
    std::uint8_t flags = 0;
    std::array<bool, 8> flag_bits{};
    std::array<bool, 3> moving{};
    std::array<std::int32_t, 3> motor_counter{};
    std::array<std::int32_t, 3> encoder_counter{};
    std::array<double, 3> motor_position{};
    std::array<double, 3> encoder_position{};
    std::array<bool, 3> mark_valid{};
    std::array<std::int32_t, 3> mark_counter{};
    std::array<double, 3> mark_position{};
};

/// Motor steps then encoder counts per unit, channels 1..3.
struct ExtBoardCoefficients {
    std::array<double, 3> motor{1000.0, 1000.0, 1000.0};
    std::array<double, 3> encoder{5000.0, 5000.0, 5000.0};
};

namespace ext_board_code {
constexpr std::uint8_t read_state = 0xA0;
constexpr std::uint8_t set_position = 0xA1;
constexpr std::uint8_t stream = 0xA2;
constexpr std::uint8_t user_outputs = 0xA3;
constexpr std::uint8_t reset_marks = 0xA4;
constexpr std::uint8_t move_first = 0xA6; // + channel index
constexpr std::uint8_t emergency = 0xAD;
constexpr std::uint8_t read_extended = 0xAF;
} // namespace ext_board_code

constexpr std::size_t ext_state_reply_size = 30;
constexpr std::size_t ext_extended_reply_size = 48;

/// round(v), halves away from zero, truncated to 32 bits (two's complement).
std::int32_t ext_board_count(double v);

/// The 11-byte set-position request for channel index 0..2.
std::array<std::uint8_t, 11> encode_set_position(int index, double position, const ExtBoardCoefficients& c);
/// The 5-byte move request for channel index 0..2.
std::array<std::uint8_t, 5> encode_move(int index, double position, const ExtBoardCoefficients& c);

/// Fills time, flags, counters and positions from a 30-byte 0xA0 reply; the
/// moving and mark fields stay. False (nothing changed) for another length or code.
bool parse_state_reply(const std::uint8_t* d, std::size_t n, const ExtBoardCoefficients& c,
                       ExtBoardData& out);
/// Fills every field from a 48-byte 0xAF reply; `update_moving[i]` false keeps
/// moving i as it was. False (nothing changed) for another length or code.
bool parse_extended_reply(const std::uint8_t* d, std::size_t n, const ExtBoardCoefficients& c,
                          const std::array<bool, 3>& update_moving, ExtBoardData& out);

} // namespace orvex::k7
