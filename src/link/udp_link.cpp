#include "link/udp_link.h"

#include "link/link_error.h"
#include "link/net_guard.h"
#include "link/udp_socket_io.h"

#include <boost/asio/socket_base.hpp>
#include <chrono>
#include <thread>

namespace orvex::k7 {

namespace asio = boost::asio;
using asio::ip::udp;

namespace {

// A transaction sleeps this long between two polls of the socket.
constexpr auto poll_pause = std::chrono::microseconds(200);

// Most datagrams one receive, drain or take reads. A full 10 MiB queue holds
// far fewer; only a flood arriving faster than it is read reaches the bound,
// which keeps such a flood from holding a call (and a transaction's time-out)
// for ever.
constexpr int max_reads_per_call = 65536;

[[noreturn]] void raise(const boost::system::error_code& ec, const char* step)
{
    throw link_error(std::error_code(ec.value(), std::system_category()), step);
}

} // namespace

bool is_unicast_device_address(const asio::ip::address_v4& a)
{
    const auto v = a.to_uint();
    return v != 0 && !a.is_multicast() && (v & 0xFF) != 0xFF;
}

udp_link::udp_link() = default;

udp_link::~udp_link()
{
    try {
        close();
    } catch (const link_error&) {
        // Nothing to report to in a destructor; the socket is gone either way.
    }
}

void udp_link::open(const std::string& address, std::uint16_t remote_port, std::uint16_t local_port)
{
    close();
    boost::system::error_code ec;
    const auto addr = asio::ip::make_address_v4(address, ec);
    if (ec)
        raise(ec, "open");

    auto s = std::make_unique<udp::socket>(detail::link_io());
    s->open(udp::v4(), ec);
    if (ec)
        raise(ec, "open");
    if (local_port != 0) {
        s->set_option(asio::socket_base::reuse_address(true), ec);
        if (ec)
            raise(ec, "set_option");
    }
    s->bind(udp::endpoint(asio::ip::address_v4::any(), local_port), ec);
    if (ec)
        raise(ec, "bind");
    s->non_blocking(true, ec);
    if (ec)
        raise(ec, "set_option");

    socket_ = std::move(s);
    remote_ = udp::endpoint(addr, remote_port);
    broadcast_ = false;
    filter_ = is_unicast_device_address(addr);
}

void udp_link::close()
{
    if (!socket_)
        return;
    auto s = std::move(socket_);
    boost::system::error_code ec;
    s->cancel(ec);
    ec.clear();
    s->close(ec);
    if (ec)
        raise(ec, "close");
}

bool udp_link::is_open() const
{
    return socket_ && socket_->is_open();
}

std::uint16_t udp_link::local_port() const
{
    if (!is_open())
        return 0;
    boost::system::error_code ec;
    const auto ep = socket_->local_endpoint(ec);
    return ec ? 0 : ep.port();
}

void udp_link::set_receive_buffer(std::size_t bytes)
{
    boost::system::error_code ec;
    if (!is_open())
        raise(asio::error::bad_descriptor, "set_option");
    rcvbuf_requested_ = bytes;
    socket_->set_option(asio::socket_base::receive_buffer_size(static_cast<int>(bytes)), ec);
    if (ec)
        raise(ec, "set_option");
    asio::socket_base::receive_buffer_size granted;
    socket_->get_option(granted, ec);
    rcvbuf_granted_ = ec || granted.value() < 0 ? 0 : static_cast<std::size_t>(granted.value());
}

void udp_link::set_broadcast(bool on)
{
    boost::system::error_code ec;
    if (!is_open())
        raise(asio::error::bad_descriptor, "set_option");
    socket_->set_option(asio::socket_base::broadcast(on), ec);
    if (ec)
        raise(ec, "set_option");
    broadcast_ = on;
    filter_ = !on && is_unicast_device_address(remote_.address().to_v4());
}

std::size_t udp_link::available() const
{
    boost::system::error_code ec;
    if (!is_open())
        raise(asio::error::bad_descriptor, "available");
    const std::size_t n = socket_->available(ec);
    if (ec)
        raise(ec, "available");
    return n;
}

bool udp_link::from_remote(const udp::endpoint& sender)
{
    if (!filter_ || sender.address() == remote_.address())
        return true;
    ++foreign_dropped_;
    return false;
}

std::size_t udp_link::receive(std::uint8_t* buf, std::size_t len)
{
    if (!is_open())
        return 0;
    for (int n = 0; n < max_reads_per_call; ++n) {
        const auto r = detail::read_next(*socket_, buf, len);
        if (r.status != detail::read_status::datagram)
            return 0;
        if (from_remote(r.sender))
            return r.count;
    }
    return 0;
}

void udp_link::drain()
{
    if (!is_open())
        return;
    std::uint8_t scratch[1];
    for (int n = 0; n < max_reads_per_call; ++n) {
        const auto r = detail::read_next(*socket_, scratch, sizeof scratch);
        if (r.status != detail::read_status::datagram)
            return;
        from_remote(r.sender); // counts foreign datagrams; everything is dropped anyway
    }
}

bool udp_link::send(const std::uint8_t* buf, std::size_t len)
{
    if (!is_open() || !net::send_allowed(remote_.address()))
        return false;
    boost::system::error_code ec;
    const std::size_t n = socket_->send_to(asio::buffer(buf, len), remote_, 0, ec);
    return !ec && n == len;
}

udp_link::next udp_link::read_and_judge(std::uint8_t* buf, std::size_t len, std::uint8_t echo,
                                        std::uint64_t* wrong_length)
{
    const auto r = detail::read_next(*socket_, buf, len);
    if (r.status != detail::read_status::datagram)
        return next::empty; // a failed read counts as an empty one
    if (!from_remote(r.sender))
        return next::rejected;
    if (wrong_length != nullptr && r.length != len) {
        ++*wrong_length;
        return next::rejected;
    }
    if (r.count == 0 || (len != 0 && r.count != len) || (echo != 0 && buf[0] != echo))
        return next::rejected;
    return next::accepted;
}

bool udp_link::take(std::uint8_t* buf, std::size_t len, std::uint8_t echo, std::uint64_t* wrong_length)
{
    if (!is_open())
        return false;
    for (int n = 0; n < max_reads_per_call; ++n) {
        switch (read_and_judge(buf, len, echo, wrong_length)) {
        case next::accepted:
            return true;
        case next::empty:
            return false;
        case next::rejected:
            break;
        }
    }
    return false;
}

bool udp_link::transact(std::uint8_t* buf, std::size_t send_len, std::size_t reply_len, std::uint8_t echo,
                        std::int64_t timeout_ms, bool no_sleep, std::uint64_t* wrong_length)
{
    if (!is_open())
        return false;
    if (timeout_ms == 0)
        timeout_ms = default_timeout_ms_;
    // Keeps the nanosecond figure below inside 64 bits (about eleven days).
    constexpr std::int64_t longest_ms = std::int64_t(1) << 30;
    if (timeout_ms > longest_ms)
        timeout_ms = longest_ms;
    drain();
    if (!send(buf, send_len))
        return false;

    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    const auto limit = std::chrono::nanoseconds(timeout_ms * 1000000);
    for (;;) {
        if (clock::now() - start >= limit)
            return false;
        if (!no_sleep)
            std::this_thread::sleep_for(poll_pause);
        if (!is_open())
            continue;
        if (take(buf, reply_len, echo, wrong_length))
            return true;
    }
}

} // namespace orvex::k7
