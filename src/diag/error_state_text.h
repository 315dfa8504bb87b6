// Texts of the sensor's error state as the status line shows them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace orvex::diag {

/// "R: " + byte 0 in hex + " " + byte 1 + " " + byte 2 + " " + "   DBG: " +
/// bytes 12..15 in hex, each followed by " ". Lower-case hex, no leading zeros.
std::string error_state_text(const std::array<std::uint8_t, 16>& state);

/// After a failed read: "?: " followed by the previous text without its first
/// three characters.
std::string error_state_failure_text(const std::string& previous);

} // namespace orvex::diag
