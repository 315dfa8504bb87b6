// Network guard: a last line of defence against test or demo traffic leaving
// this computer.
//
// With ORVEX_NET_GUARD=loopback in the environment, every UDP send of the
// program, the simulator and the command-line tool to an address outside
// 127.0.0.0/8 is refused; the caller treats the refusal as a send error. The
// first refusal in a process writes one line to stderr so that a puzzled user
// sees why nothing answers. Without the variable every address is allowed.
#pragma once

#include <boost/asio/ip/address.hpp>
#include <cstdint>

namespace orvex::net {

/// True when the environment asks for loopback-only traffic. Read once.
bool guard_active();

/// True when a datagram may be sent to `to` (any port). IPv6 counts as
/// outside loopback unless it is ::1.
bool send_allowed(const boost::asio::ip::address& to);

/// Same for an IPv4 address held as a host-order number (a.b.c.d = a<<24 | ...).
bool send_allowed(std::uint32_t ipv4_host_order);

/// Number of sends refused so far in this process (for tests and diagnostics).
unsigned long refused_count();

} // namespace orvex::net
