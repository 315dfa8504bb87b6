// Giving a found sensor a new IP address without being connected to it.
//
// The address-change datagram is sent from the search socket on which the
// device was found (sensor_search::send_address_change); the device whose
// serial matches takes the new address. propose_address is the address
// dialog's suggestion for the new address. Addresses are host-order numbers
// (a.b.c.d = a<<24 | b<<16 | c<<8 | d).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvex::k7 {

using address_change_frame = std::array<std::uint8_t, 10>;

/// 0xF6, the five serial characters, the new address first octet first.
/// Nothing when the serial is not exactly five bytes (a device without a
/// valid identification has no serial, and a padded one could match another
/// device).
std::optional<address_change_frame> address_change_datagram(const std::string& serial,
                                                            std::uint32_t new_address);

/// An address next to the computer's: one step down when bit 7 of its last
/// octet is set, else one step up, repeated while the candidate is the
/// address of a found device, at most 100 steps in all.
std::uint32_t propose_address(std::uint32_t computer_address, const std::vector<std::uint32_t>& found);

} // namespace orvex::k7
