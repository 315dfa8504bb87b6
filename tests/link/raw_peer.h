// A raw UDP peer for the link and command tests: bound to one loopback
// address, it records every datagram it receives (with the sender's port, so
// a test can tell the links of a device apart) and, when given a responder,
// answers each request with the datagrams the responder returns.
#pragma once

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvex::test {

using bytes_t = std::vector<std::uint8_t>;

struct received_datagram {
    bytes_t bytes;
    boost::asio::ip::udp::endpoint sender;
};

class raw_peer {
public:
    using responder = std::function<std::vector<bytes_t>(const bytes_t& request)>;

    explicit raw_peer(const std::string& address, std::uint16_t port = 0, responder r = {})
        : socket_(io_),
          respond_(std::move(r))
    {
        using boost::asio::ip::udp;
        socket_.open(udp::v4());
        socket_.bind(udp::endpoint(boost::asio::ip::make_address_v4(address), port));
        socket_.non_blocking(true);
        thread_ = std::thread([this] { serve(); });
    }

    ~raw_peer()
    {
        stop_ = true;
        thread_.join();
    }

    raw_peer(const raw_peer&) = delete;
    raw_peer& operator=(const raw_peer&) = delete;

    std::string address() const { return socket_.local_endpoint().address().to_string(); }
    std::uint16_t port() const { return socket_.local_endpoint().port(); }

    void set_responder(responder r)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        respond_ = std::move(r);
    }

    /// Sends one datagram from this peer's socket.
    void send_to(const boost::asio::ip::udp::endpoint& to, const bytes_t& bytes)
    {
        std::lock_guard<std::mutex> lock(send_mutex_);
        socket_.send_to(boost::asio::buffer(bytes), to);
    }

    /// Waits (generously) until at least n datagrams were received; returns all of them.
    std::vector<received_datagram> wait_for(std::size_t n,
                                            std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait_for(lock, limit, [&] { return received_.size() >= n; });
        return received_;
    }

    std::vector<received_datagram> received()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }

    void clear()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.clear();
    }

private:
    void serve()
    {
        std::uint8_t buf[65536];
        while (!stop_) {
            boost::asio::ip::udp::endpoint from;
            boost::system::error_code ec;
            const std::size_t n = socket_.receive_from(boost::asio::buffer(buf), from, 0, ec);
            if (ec) {
                std::this_thread::sleep_for(std::chrono::microseconds(100));
                continue;
            }
            bytes_t request(buf, buf + n);
            responder r;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                received_.push_back({request, from});
                r = respond_;
            }
            cv_.notify_all();
            if (r)
                for (const auto& reply : r(request))
                    send_to(from, reply);
        }
    }

    boost::asio::io_context io_;
    boost::asio::ip::udp::socket socket_;
    std::mutex mutex_;
    std::mutex send_mutex_;
    std::condition_variable cv_;
    std::vector<received_datagram> received_;
    responder respond_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace orvex::test
