#include "link/udp_socket_io.h"

#include <algorithm>

#include <boost/asio/io_context.hpp>

namespace orvex::k7::detail {

boost::asio::io_context& link_io()
{
    // Never destroyed: the program's devices are static objects created before
    // the first socket, so a function-local static would be destroyed before
    // them and their sockets would close against a dead context at exit.
    static auto* io = new boost::asio::io_context;
    return *io;
}

read_result read_next(boost::asio::ip::udp::socket& socket, std::uint8_t* buf, std::size_t len)
{
    read_result r;
    // A zero-length buffer still consumes one datagram; keep one scratch byte
    // so that the call is a real read on every platform.
    std::uint8_t scratch = 0;
    std::uint8_t* target = len == 0 ? &scratch : buf;
    const std::size_t cap = len == 0 ? 1 : len;
    boost::system::error_code ec;
#ifdef __linux__
    // With MSG_TRUNC Linux returns the datagram's real length, also when it
    // is longer than the buffer.
    const boost::asio::socket_base::message_flags flags = MSG_TRUNC;
#else
    const boost::asio::socket_base::message_flags flags = 0;
#endif
    std::size_t n = socket.receive_from(boost::asio::buffer(target, cap), r.sender, flags, ec);
    if (ec == boost::asio::error::would_block || ec == boost::asio::error::try_again) {
        r.status = read_status::empty;
        return r;
    }
    std::size_t length = n;
    if (ec == boost::asio::error::message_size) {
        // Windows: the datagram was longer than the buffer; the buffer holds
        // its first cap bytes and the rest is gone, as on Linux.
        n = cap;
        length = cap + 1;
    } else if (ec) {
        r.status = read_status::failed;
        return r;
    }
    r.status = read_status::datagram;
    r.count = len == 0 ? 0 : std::min(n, cap);
    r.length = length;
    return r;
}

} // namespace orvex::k7::detail
