// udp_link: one UDP socket aimed at one fixed remote endpoint.
//
// The building block of every device conversation. Four ways of using it:
// send only, the request/response transaction, taking a matching datagram that
// is already queued, and discarding everything queued. A reply is recognised
// only by its length and by its first byte echoing the request code; there is
// no retransmission, no sequence number and no checksum, so everything queued
// before a request is thrown away first and a late reply to an earlier request
// can never be taken for the new one.
//
// Source filter: when the remote address is a unicast address, only datagrams
// whose source address is that address are looked at; datagrams from any other
// host are consumed, dropped and counted (foreign_dropped()). A link aimed at a
// broadcast or multicast address, or switched to broadcast, takes every sender.
//
// Not synchronised: one thread at a time. All calls are synchronous and never
// block in the kernel (the socket is non-blocking); only transact waits. A
// flood that refills the queue faster than it is read cannot hold a call for
// ever: receive, drain and take read at most 65 536 datagrams per call.
//
// The queue is probed by reading rather than by FIONREAD, so a zero-length
// datagram (which FIONREAD reports as "nothing" on Linux) is read and
// rejected instead of hiding everything queued behind it.
#pragma once

#include <boost/asio/ip/udp.hpp>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orvex::k7 {

class udp_link {
public:
    udp_link();
    ~udp_link();
    udp_link(const udp_link&) = delete;
    udp_link& operator=(const udp_link&) = delete;

    /// Opens an IPv4 UDP socket bound to the wildcard address and local_port
    /// (0 = ephemeral; a non-zero port gets SO_REUSEADDR), aimed at
    /// address:remote_port. A link that is open is closed first. Raises
    /// link_error naming "open", "bind" or "set_option"; an address that is not
    /// dotted IPv4 text raises link_error naming "open".
    void open(const std::string& address, std::uint16_t remote_port, std::uint16_t local_port = 0);

    /// Cancels anything pending and closes the socket. The link is closed
    /// afterwards even when the close step fails; that failure is then raised
    /// naming "close". Closing a closed link does nothing.
    void close();

    bool is_open() const;

    /// Asks for an SO_RCVBUF of `bytes` and reads back what the system granted.
    /// Linux silently caps the request at net.core.rmem_max; the figure kept
    /// is the usable size (the kernel's own figure, which counts bookkeeping
    /// and is twice as large, is halved by the read-back). Raises link_error
    /// naming "set_option".
    void set_receive_buffer(std::size_t bytes);
    /// Last requested / granted receive buffer size in bytes (0 before any request).
    std::size_t receive_buffer_requested() const { return rcvbuf_requested_; }
    std::size_t receive_buffer_granted() const { return rcvbuf_granted_; }

    /// Sets SO_BROADCAST. With it on the source filter is off. Raises
    /// link_error naming "set_option".
    void set_broadcast(bool on);

    /// Bytes queued on the socket (FIONREAD). Raises link_error naming
    /// "available" on a closed link or when the query fails.
    std::size_t available() const;

    /// Reads one queued datagram into buf, at most len bytes, without waiting.
    /// Returns the bytes stored; 0 when closed, nothing is queued or the read
    /// failed. A longer datagram is cut to len. Foreign datagrams (see source
    /// filter) are dropped and the next one is read.
    std::size_t receive(std::uint8_t* buf, std::size_t len);

    /// Discards every queued datagram. Does nothing on a closed link.
    void drain();

    /// Sends len bytes as one datagram to the remote endpoint. True only when
    /// the whole datagram was accepted by the socket and the network guard
    /// allowed it. False on a closed link.
    bool send(const std::uint8_t* buf, std::size_t len);

    /// Never waits. Reads queued datagrams (each cut to len) until one is
    /// accepted: count not 0, len 0 or equal to the count, echo 0 or equal to
    /// the first byte. True with that datagram in buf; every rejected datagram
    /// is lost. False when the queue runs empty or the link is closed.
    ///
    /// With `wrong_length` given, len is the exact length (not 0): a datagram
    /// from the remote of any other length, longer ones included, is counted
    /// there and dropped, never cut to len and taken for something else.
    bool take(std::uint8_t* buf, std::size_t len, std::uint8_t echo, std::uint64_t* wrong_length = nullptr);

    /// Request/response transaction: drain, send the first send_len bytes of
    /// buf, then poll (every 200 microseconds, or busily with no_sleep) until a
    /// datagram is accepted as take() accepts it, or timeout_ms milliseconds
    /// have passed (0 = the default time-out, 300 ms). The reply overwrites the
    /// request, so buf must hold max(send_len, reply_len) bytes. False on a
    /// closed link, a send error or the time-out; buf is then undefined.
    /// `wrong_length` as for take().
    bool transact(std::uint8_t* buf, std::size_t send_len, std::size_t reply_len, std::uint8_t echo,
                  std::int64_t timeout_ms = 0, bool no_sleep = false, std::uint64_t* wrong_length = nullptr);

    /// Time-out in milliseconds used when a transaction passes 0. Always 300.
    std::int64_t default_timeout() const { return default_timeout_ms_; }

    /// Remote endpoint of the last open (0.0.0.0:0 before the first).
    const boost::asio::ip::udp::endpoint& remote() const { return remote_; }
    /// Local port the socket is bound to; 0 when closed.
    std::uint16_t local_port() const;

    /// True while datagrams from hosts other than the remote address are dropped.
    bool source_filter() const { return filter_; }
    /// Datagrams dropped by the source filter since construction.
    std::uint64_t foreign_dropped() const { return foreign_dropped_; }

private:
    enum class next { accepted, rejected, empty };
    // Reads one datagram and judges it; foreign datagrams count as rejected.
    next read_and_judge(std::uint8_t* buf, std::size_t len, std::uint8_t echo, std::uint64_t* wrong_length);
    bool from_remote(const boost::asio::ip::udp::endpoint& sender);

    const std::int64_t default_timeout_ms_ = 300;
    std::unique_ptr<boost::asio::ip::udp::socket> socket_;
    boost::asio::ip::udp::endpoint remote_;
    bool filter_ = false;
    bool broadcast_ = false;
    std::size_t rcvbuf_requested_ = 0;
    std::size_t rcvbuf_granted_ = 0;
    std::uint64_t foreign_dropped_ = 0;
};

/// True when datagrams to this IPv4 address can come back from exactly that
/// address: not 0.0.0.0, not 255.255.255.255, not multicast, and not an
/// address whose last octet is 255 (the broadcast address of a /24 and of
/// every wider subnet; a sensor never has such an address).
bool is_unicast_device_address(const boost::asio::ip::address_v4& a);

} // namespace orvex::k7
