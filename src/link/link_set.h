// The five links of one device and their roles.
//
// All five are aimed at the same device address and port; each binds its own
// ephemeral local port, so the device tells the conversations apart by source
// port and answers each on the port it came from.
#pragma once

#include "link/udp_link.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace orvex::k7 {

/// UDP port of every sensor, of the rig's control board and of the search.
constexpr std::uint16_t sensor_port = 11681;

enum link_index : std::size_t {
    link_command = 0, // request/response commands; receive buffer 1 MiB
    link_image = 1,   // image requests, image lines and line data; 10 MiB
    link_profile = 2, // profile requests and datagrams, extension-board data; 10 MiB
    link_service = 3, // latch page and error state; 1 MiB
    link_aux = 4,     // time shift; system default buffer
};

using link_set = std::array<udp_link, 5>;

/// Receive buffer asked for on each link, in bytes; 0 = left at the system default.
constexpr std::array<std::size_t, 5> link_receive_buffer = {0x100000, 0xA00000, 0xA00000, 0x100000, 0};

} // namespace orvex::k7
