// xfn_board: the commands of an extension board behind the connected sensor.
//
// The program never addresses a board directly: every request travels over
// the sensor's own command link (sensor_commands) as an ordinary transaction
// whose reply echoes the opcode. The parameter area is always read and
// written whole. The board commands take a caller-given payload and reply
// length; a length of 256 or more, or an opcode outside the board ranges, is
// refused without sending anything. A reply of another length than asked is
// a failure, and a failed call leaves the caller's data unchanged.
#pragma once

#include "xfn/xfn_codecs.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex::k7 {
class sensor_commands;
}

namespace orvex::xfn {

/// Board type codes with a panel.
namespace board_type {
constexpr std::uint8_t outputs = 0x0F;
constexpr std::uint8_t elis = 0x10;
constexpr std::uint8_t stepper = 0x30;
constexpr std::uint8_t led = 0x40;
constexpr std::uint8_t motors = 0x50;
constexpr std::uint8_t tube = 0x51;
constexpr std::uint8_t crawler = 0x80;
constexpr std::uint8_t thermo = 0x81;
constexpr std::uint8_t welding = 0x82;
} // namespace board_type

/// The board's name as the program shows it (Russian, UTF-8); empty for a
/// code without a panel.
std::string board_name(std::uint8_t code);

/// True for 0x90..0x93 and 0xA0..0xAB, the opcodes the board command accepts.
bool is_board_opcode(std::uint8_t code);

class xfn_board {
public:
    explicit xfn_board(k7::sensor_commands& commands) : c_(commands) {}

    /// Board command: `payload` out, `reply_len` bytes back into `reply`
    /// (resized on success only).
    bool command(std::uint8_t opcode, const std::vector<std::uint8_t>& payload, std::size_t reply_len,
                 std::vector<std::uint8_t>& reply);
    /// The same without reply bytes.
    bool command(std::uint8_t opcode, const std::vector<std::uint8_t>& payload = {});

    /// 0x8A / 0x8B with offset 0 and length 255 (byte 255 of the area is not sent
    /// and reads as zero).
    bool read_params(param_area& out);
    bool write_params(const param_area& in);
    /// 0x8C / 0x8D: the 256-byte copy in the board's flash.
    bool read_flash_params(param_area& out);
    bool write_flash_params(const param_area& in);

    /// 0x12 / 0x13.
    bool read_user_byte(std::uint8_t& value);
    bool write_user_byte(std::uint8_t value);

private:
    k7::sensor_commands& c_;
};

} // namespace orvex::xfn
