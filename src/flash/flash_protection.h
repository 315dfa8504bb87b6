// Flash protection work of the flash window and the firmware page, built on
// the SPI pass-through: the block-lock scan, switching individual block
// protection on and off, the status registers and the unique number as text.
//
// Every sequence stops at its first failed step; the multi-step ones end
// with the flash identification as a liveness and identity check.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvex::k7 {

class flash_commands;

/// Blocks the flash window works on.
constexpr int protection_block_count = 128;

struct block_scan {
    std::vector<int> locked;
    std::vector<int> unlocked;
    bool complete = false; // false: a transaction failed; the lists hold the blocks before it
};

/// Reads the lock bit (0x3D) of blocks first..last in order and stops at the
/// first failed transaction. `on_block` (optional) hears every block read.
block_scan scan_block_locks(flash_commands& flash, int first = 0, int last = protection_block_count - 1,
                            const std::function<void(int block, bool locked)>& on_block = {});

/// Write enable, write status register 3 with 0x64 (individual block
/// protection on) or 0x60 (off), identification. Bits 5 and 6 stay set.
bool set_individual_protection(flash_commands& flash, bool on);

/// Status registers 1, 2 and 3 (0x05, 0x35, 0x15), then identification.
bool read_status_registers(flash_commands& flash, std::uint8_t (&values)[3]);

/// Lower-case hexadecimal without leading zeros ("0" for 0).
std::string hex_text(std::uint64_t value);

/// "a b c": the three status registers in hexadecimal, single blanks between.
std::string status_registers_text(const std::uint8_t (&values)[3]);

} // namespace orvex::k7
