// The recovery firmware check of the debug page: the first 2560 bytes of the
// recovery image in flash (ten pages from 0x10000) against a reference file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace orvex::k7 {
class flash_commands;
}

namespace orvex::diag {

constexpr std::size_t recovery_compare_bytes = 2560;
constexpr std::uint32_t recovery_flash_address = 0x10000;

/// Up to the first 2560 bytes of `file`; false when it cannot be opened.
bool read_recovery_reference(const std::filesystem::path& file, std::vector<std::uint8_t>& out);

/// Reads the ten flash pages; false at the first failed page read.
bool read_recovery_flash(k7::flash_commands& flash, std::array<std::uint8_t, recovery_compare_bytes>& out);

/// Equal only when the reference holds all 2560 bytes and they match: a
/// shorter reference file is a difference, not a partial match.
bool recovery_matches(const std::vector<std::uint8_t>& reference,
                      const std::array<std::uint8_t, recovery_compare_bytes>& flash);

} // namespace orvex::diag
