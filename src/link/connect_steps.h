// Steps of a connection that the connection page runs around
// sensor_device::connect, kept free of widgets so that they are testable.
#pragma once

#include "link/flash_commands.h"
#include "link/sensor_info.h"

#include <array>
#include <cstdint>
#include <optional>

namespace orvex::k7 {

/// The firmware rule: a device whose version is below "40-" is refused unless
/// it runs the recovery firmware (type 1), which is connected whatever its version.
bool firmware_supported(const firmware_version& version, std::int32_t type);

/// Extended flash access is asked for from version 48 on, and only with a key.
bool wants_extended_access(const firmware_version& version, bool key_loaded);

/// Extended flash access ('r' with the key), then the global unlock sequence.
/// False at the first failed step.
bool request_extended_flash_access(flash_commands& flash, std::uint64_t key);

/// Flash address and size of the range block.
constexpr std::uint32_t range_block_address = 0x700000;
constexpr std::size_t range_block_size = 5 * flash_commands::page_size;
using range_block = std::array<std::uint8_t, range_block_size>;

/// Reads the five pages of the range block, stopping at the first failure
/// (nothing is returned then).
std::optional<range_block> read_range_block(flash_commands& flash);

} // namespace orvex::k7
