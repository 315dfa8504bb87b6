#include "udp_front.h"

#include "link/net_guard.h"

#include <boost/asio/steady_timer.hpp>

#include <array>
#include <iostream>
#include <stdexcept>

namespace orvex::sim {

struct udp_front::port {
    explicit port(boost::asio::io_context& io) : socket(io) {}
    udp::socket socket;
    std::array<std::uint8_t, 65536> buffer{};
    udp::endpoint from;
};

udp_front::udp_front(handler on_datagram)
    : on_datagram_(std::move(on_datagram)),
      work_(boost::asio::make_work_guard(io_))
{}

udp_front::~udp_front()
{
    stop();
}

namespace {

void bind_socket(boost::asio::ip::udp::socket& s, const boost::asio::ip::address_v4& address,
                 unsigned short port_number)
{
    boost::system::error_code ec;
    s.open(boost::asio::ip::udp::v4(), ec);
    if (!ec)
        s.set_option(boost::asio::socket_base::reuse_address(true), ec);
    if (!ec)
        s.bind(boost::asio::ip::udp::endpoint(address, port_number), ec);
    if (ec) {
        boost::system::error_code ignored;
        s.close(ignored);
        throw std::runtime_error("cannot bind " + address.to_string() + ":" + std::to_string(port_number) +
                                 ": " + ec.message());
    }
}

} // namespace

std::size_t udp_front::open(const boost::asio::ip::address_v4& address, unsigned short port_number)
{
    auto p = std::make_shared<port>(io_);
    bind_socket(p->socket, address, port_number);
    ports_.push_back(p);
    return ports_.size() - 1;
}

bool udp_front::rebind(std::size_t id, const boost::asio::ip::address_v4& address, std::string& error)
{
    auto fresh = std::make_shared<port>(io_);
    try {
        bind_socket(fresh->socket, address, ports_.at(id)->socket.local_endpoint().port());
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    boost::system::error_code ignored;
    {
        std::lock_guard<std::mutex> lock(ports_mutex_);
        ports_[id]->socket.close(ignored); // its pending receive ends with operation_aborted
        ports_[id] = fresh;
    }
    arm(fresh, id);
    return true;
}

void udp_front::arm(const std::shared_ptr<port>& p, std::size_t id)
{
    p->socket.async_receive_from(boost::asio::buffer(p->buffer), p->from,
                                 [this, p, id](const boost::system::error_code& ec, std::size_t n) {
                                     if (ec == boost::asio::error::operation_aborted || !p->socket.is_open())
                                         return;
                                     if (!ec) {
                                         try {
                                             on_datagram_(id, p->buffer.data(), n, p->from);
                                         } catch (const std::exception& e) {
                                             std::cerr << "k7sim: request dropped: " << e.what() << "\n";
                                         }
                                     }
                                     // Errors such as a port-unreachable report from an earlier reply
                                     // must not end the service: keep listening.
                                     arm(p, id);
                                 });
}

void udp_front::send_now(std::size_t id, const datagram& d, const udp::endpoint& to)
{
    const auto& p = ports_.at(id);
    if (!p->socket.is_open())
        return;
    const auto a = to.address();
    if (!a.is_v4() || (a.to_v4().to_uint() >> 24) != 127 || !orvex::net::send_allowed(a))
        return;
    boost::system::error_code ec;
    p->socket.send_to(boost::asio::buffer(d), to, 0, ec); // a failed reply is a lost reply
}

void udp_front::send(std::size_t id, datagram d, const udp::endpoint& to, std::chrono::milliseconds delay)
{
    if (delay.count() <= 0) {
        send_now(id, d, to);
        return;
    }
    auto timer = std::make_shared<boost::asio::steady_timer>(io_, delay);
    timer->async_wait([this, timer, id, d = std::move(d), to](const boost::system::error_code& ec) {
        if (!ec)
            send_now(id, d, to);
    });
}

void udp_front::send_stream(std::size_t id, const std::uint8_t* data, std::size_t size, std::uint32_t address,
                            std::uint16_t port_number)
{
    if ((address >> 24) != 127 || !orvex::net::send_allowed(address))
        return;
    std::shared_ptr<port> p;
    {
        std::lock_guard<std::mutex> lock(ports_mutex_);
        if (id >= ports_.size())
            return;
        p = ports_[id];
        if (!p->socket.is_open())
            return;
        // Sent under the lock, so that a move cannot close the socket midway.
        boost::system::error_code ec;
        p->socket.send_to(boost::asio::buffer(data, size),
                          udp::endpoint(boost::asio::ip::address_v4(address), port_number), 0, ec);
    }
}

void udp_front::start()
{
    for (std::size_t i = 0; i < ports_.size(); ++i)
        arm(ports_[i], i);
    thread_ = std::thread([this] { io_.run(); });
}

void udp_front::stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    work_.reset();
    io_.stop();
    if (thread_.joinable())
        thread_.join();
    std::lock_guard<std::mutex> lock(ports_mutex_);
    for (auto& p : ports_) {
        boost::system::error_code ignored;
        p->socket.close(ignored);
    }
}

} // namespace orvex::sim
