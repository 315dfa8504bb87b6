// The image sensor's initialisation block in the sensor's flash.
//
// At power-up the FPGA replays two register-write sequences from the 64 KiB
// block at 0x7A0000 into the image sensor: sequence A at offset 0x0800 and
// sequence B at 0x1000, 1024 bytes each. Every entry is four bytes: byte 0
// bit 7 closes a group of writes (the FPGA waits between groups), bit 0 is
// bit 8 of the register address; byte 1 the address's low byte; bytes 2 and
// 3 the value, big-endian. Unused bytes stay 0xFF. The block's last page
// carries "PROG_VER:" and the writing program's version, zero-terminated.
//
// Two registers are composed from flag records here; the configuration
// writes and the sequencer program that depend on the image sensor alone are
// the head defaults of vita_head_defaults.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex::k7::vita_regs {

constexpr std::uint16_t general_configuration_address = 192;
constexpr std::uint16_t integration_control_address = 194;

/// One register write as the initialisation sequences hold it.
struct i_vita_reg {
    std::uint16_t address = 0; // 0..511
    std::uint16_t value = 0;
};

/// Register 192. Bit 0 flag 0; bits 2 and 3 both from flag 1; bits 4..8
/// flags 2..6; bits 11..13 the 3-bit mode number; other bits 0.
struct general_configuration {
    std::array<bool, 7> flags{};
    unsigned mode = 0; // 0..7
    i_vita_reg reg() const;
};

/// Register 194. Bits 0..3 flags 0..3; bit 5 always; bits 6..8 flags 4..6;
/// bit 9 always, bit 10 when m1 is 1 or 3, bit 11 when m1 is 2 or 3; bit 12
/// when m2 is 1 or 3, bit 13 when m2 is 2 or 3.
struct integration_control {
    std::array<bool, 7> flags{};
    unsigned m1 = 0; // 0..3
    unsigned m2 = 0; // 0..3
    i_vita_reg reg() const;
};

/// An entry of a sequence: a register write, closing its group when `end`.
struct init_entry {
    i_vita_reg reg;
    bool end = false;
};

} // namespace orvex::k7::vita_regs

namespace orvex::k7 {

constexpr std::uint32_t vita_init_block_address = 0x7A0000;
constexpr std::size_t vita_init_block_size = 0x10000;
constexpr std::size_t vita_sequence_a_offset = 0x0800;
constexpr std::size_t vita_sequence_b_offset = 0x1000;
constexpr std::size_t vita_sequence_bytes = 1024;
constexpr std::size_t vita_version_page_offset = 0xFF00;
/// The version string must be shorter than this.
constexpr std::size_t vita_version_limit = 100;

std::vector<vita_regs::init_entry> vita_sequence_a(); // 147 entries
std::vector<vita_regs::init_entry> vita_sequence_b(); // 204 entries

/// A 1024-byte area: the entries from its start (at most 256), the rest 0xFF.
std::array<std::uint8_t, vita_sequence_bytes>
encode_vita_sequence(const std::vector<vita_regs::init_entry>& seq);

/// The whole 64 KiB block with both sequences and the version page. False
/// (and `block` left as it was) for a version of 100 characters or more,
/// which would not fit the page with its marker.
bool build_vita_init_block(const std::string& program_version, std::vector<std::uint8_t>& block);

// Head defaults (vita_head_defaults.cpp): the image sensor's own values.

/// Sequence A's configuration writes to registers 42..250 other than the two
/// composed ones (27 entries, addresses ascending).
const std::vector<vita_regs::i_vita_reg>& vita_head_config_a();
/// Sequence B's configuration writes after (41, 2143), (42, 16640), (43, 8)
/// (44 entries, addresses ascending).
const std::vector<vita_regs::i_vita_reg>& vita_head_config_b();
/// The sequencer program, registers 384..511 (128 values; sequence A loads
/// the first 95).
const std::array<std::uint16_t, 128>& vita_head_sequencer();

} // namespace orvex::k7
