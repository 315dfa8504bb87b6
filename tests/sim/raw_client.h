// A bare UDP peer for driving the simulator in tests: request bytes are built
// by hand from the protocol tables, replies are read raw. Deliberately knows
// nothing of the program's link code.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace orvex::test {

using bytes = std::vector<std::uint8_t>;

class raw_client {
public:
    using udp = boost::asio::ip::udp;

    raw_client() : socket_(io_, udp::endpoint(boost::asio::ip::make_address_v4("127.0.0.1"), 0))
    {
        socket_.set_option(boost::asio::socket_base::broadcast(true));
        socket_.non_blocking(true);
    }

    void send(const std::string& address, const bytes& d, unsigned short port = 11681)
    {
        socket_.send_to(boost::asio::buffer(d),
                        udp::endpoint(boost::asio::ip::make_address_v4(address), port));
    }

    /// Next datagram within the time-out, with its sender.
    std::optional<bytes> receive(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000),
                                 udp::endpoint* from = nullptr)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        std::vector<std::uint8_t> buf(70000);
        for (;;) {
            boost::system::error_code ec;
            udp::endpoint sender;
            const std::size_t n = socket_.receive_from(boost::asio::buffer(buf), sender, 0, ec);
            if (!ec) {
                if (from)
                    *from = sender;
                return bytes(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(n));
            }
            if (std::chrono::steady_clock::now() >= end)
                return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    /// Sends and waits for the first reply (nullopt when none comes).
    std::optional<bytes> ask(const std::string& address, const bytes& d,
                             std::chrono::milliseconds timeout = std::chrono::milliseconds(2000))
    {
        drain();
        send(address, d);
        return receive(timeout);
    }

    /// Sends a request that must not be answered; true when nothing came
    /// within the (short) wait.
    bool silent(const std::string& address, const bytes& d,
                std::chrono::milliseconds wait = std::chrono::milliseconds(300))
    {
        drain();
        send(address, d);
        return !receive(wait).has_value();
    }

    /// Every datagram that arrives until `quiet` passes without one.
    std::vector<bytes> collect(std::chrono::milliseconds quiet, std::vector<udp::endpoint>* from = nullptr)
    {
        std::vector<bytes> all;
        udp::endpoint sender;
        while (auto d = receive(quiet, &sender)) {
            all.push_back(std::move(*d));
            if (from)
                from->push_back(sender);
        }
        return all;
    }

    void drain()
    {
        while (receive(std::chrono::milliseconds(0)))
            ;
    }

private:
    boost::asio::io_context io_;
    udp::socket socket_;
};

/// `head` followed by `tail`. Sized first and copied: GCC 12 at -O3 warns
/// falsely (-Warray-bounds) on an insert at the end of a vector built from a
/// brace list.
inline bytes joined(std::initializer_list<std::uint8_t> head, const bytes& tail)
{
    bytes d(head.size() + tail.size());
    std::copy(head.begin(), head.end(), d.begin());
    std::copy(tail.begin(), tail.end(), d.begin() + static_cast<std::ptrdiff_t>(head.size()));
    return d;
}

/// Request builders straight from the command tables.
inline bytes mode_request(std::uint8_t mode)
{
    return {0x86, 'Q', 'Z', '3', 'P', mode, 'E', 'N', 'D'};
}

inline bytes spi_request(const bytes& w, std::uint16_t r)
{
    return joined(
        {0x55, std::uint8_t(w.size() >> 8), std::uint8_t(w.size()), std::uint8_t(r >> 8), std::uint8_t(r)},
        w);
}

inline bytes write_page_request(std::uint32_t addr, const bytes& page)
{
    return joined({0x52, std::uint8_t(addr >> 16), std::uint8_t(addr >> 8), 0x00}, page);
}

inline bytes read_page_request(std::uint32_t addr)
{
    return {0x51, std::uint8_t(addr >> 16), std::uint8_t(addr >> 8), 0x00};
}

inline bytes erase_request(std::uint32_t addr)
{
    return {0x53, std::uint8_t(addr >> 16), 0x00, 0x00};
}

} // namespace orvex::test
