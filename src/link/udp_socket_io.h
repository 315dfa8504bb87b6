// Non-blocking datagram reads shared by udp_link and the sensor search.
//
// Both need the same two things from a socket: "give me the next queued
// datagram, cut to n bytes, or tell me the queue is empty", and the same
// treatment of a datagram longer than the buffer (it is cut and counts as the
// buffer's length; Windows reports that case as an error, Linux does not).
// The queue is probed by reading, not by FIONREAD: on Linux FIONREAD reports
// the size of the first datagram only, so a zero-length datagram at the head
// of the queue would read as "nothing queued" and hide everything behind it.
#pragma once

#include <boost/asio/ip/udp.hpp>
#include <cstddef>
#include <cstdint>

namespace orvex::k7::detail {

enum class read_status {
    datagram, // one datagram consumed; count bytes stored (may be 0)
    empty,    // nothing queued
    failed,   // the read reported an error (e.g. an ICMP port-unreachable echo);
              // whether a datagram was consumed is unknown
};

struct read_result {
    read_status status = read_status::empty;
    std::size_t count = 0;
    /// The datagram's own length: count, or more when it was cut (Linux tells
    /// the exact figure; Windows only that it was longer, given as len + 1).
    std::size_t length = 0;
    boost::asio::ip::udp::endpoint sender;
};

/// Reads the next queued datagram into buf without waiting. The socket must be
/// in non-blocking mode. A datagram longer than len is cut to len bytes and
/// the rest of it is lost.
read_result read_next(boost::asio::ip::udp::socket& socket, std::uint8_t* buf, std::size_t len);

/// The io_context every link and search socket is registered with. Only
/// synchronous, non-blocking calls are made, so nothing ever runs it.
boost::asio::io_context& link_io();

} // namespace orvex::k7::detail
