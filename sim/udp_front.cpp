#include "udp_front.h"

#include "link/net_guard.h"

#include <boost/asio/steady_timer.hpp>

#include <algorithm>
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

std::string endpoint_text(const boost::asio::ip::address_v4& address, unsigned short port_number)
{
    return address.to_string() + ":" + std::to_string(port_number);
}

void bind_socket(boost::asio::ip::udp::socket& s, const boost::asio::ip::address_v4& address,
                 unsigned short port_number, bool device, bool check)
{
    if (check && !udp_front::addresses_in_use({address}, port_number).empty())
        throw std::runtime_error(udp_front::taken_message(address, port_number));
    boost::system::error_code ec;
    s.open(boost::asio::ip::udp::v4(), ec);
#ifdef _WIN32
    // Windows lets a socket on an address sit beside a wildcard one without
    // reuse, and with reuse it would take an address over: devices go without.
    const bool reuse = !device;
#else
    (void)device;
    const bool reuse = true;
#endif
    if (!ec && reuse)
        s.set_option(boost::asio::socket_base::reuse_address(true), ec);
    if (!ec)
        s.bind(boost::asio::ip::udp::endpoint(address, port_number), ec);
    if (ec) {
        boost::system::error_code ignored;
        s.close(ignored);
        throw std::runtime_error("cannot bind " + endpoint_text(address, port_number) + ": " + ec.message());
    }
}

// Binds a socket without address reuse: fails with address_in_use when any
// socket already holds this address and port, or any socket holds the port
// on the wildcard address.
boost::system::error_code bind_alone(boost::asio::io_context& io, const boost::asio::ip::address_v4& address,
                                     unsigned short port_number)
{
    boost::asio::ip::udp::socket s(io);
    boost::system::error_code ec;
    s.open(boost::asio::ip::udp::v4(), ec);
    if (!ec)
        s.bind(boost::asio::ip::udp::endpoint(address, port_number), ec);
    boost::system::error_code ignored;
    s.close(ignored);
    return ec;
}

} // namespace

std::vector<boost::asio::ip::address_v4>
udp_front::addresses_in_use(const std::vector<boost::asio::ip::address_v4>& addresses,
                            unsigned short port_number)
{
    namespace ip = boost::asio::ip;
    boost::asio::io_context io;
    std::vector<ip::address_v4> unsure;
    for (const auto& a : addresses)
        if (bind_alone(io, a, port_number) == boost::asio::error::address_in_use)
            unsure.push_back(a);
    if (unsure.empty())
        return unsure;
    // 127.0.0.0 is no device's address: when it binds alone, no wildcard
    // socket holds the port, and the refusals above were the addresses' own.
    if (!bind_alone(io, ip::address_v4(0x7F000000u), port_number))
        return unsure;

    // A wildcard socket holds the port (another simulator's search socket
    // takes anything sent to an address nobody else holds, and answers from
    // 127.0.0.1): ask each address for its description; only a device bound
    // there answers from it.
    ip::udp::socket probe(io);
    boost::system::error_code ec;
    probe.open(ip::udp::v4(), ec);
    if (!ec)
        probe.bind(ip::udp::endpoint(ip::address_v4::loopback(), 0), ec);
    if (!ec)
        probe.non_blocking(true, ec);
    if (ec)
        return {};
    const std::uint8_t request[1] = {0xF4};
    for (int round = 0; round < 2; ++round) // a second request against a lossy simulator
        for (const auto& a : unsure)
            probe.send_to(boost::asio::buffer(request), ip::udp::endpoint(a, port_number), 0, ec);
    std::vector<ip::address_v4> taken;
    std::array<std::uint8_t, 512> reply{};
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    while (taken.size() < unsure.size() && std::chrono::steady_clock::now() < until) {
        ip::udp::endpoint from;
        const std::size_t n = probe.receive_from(boost::asio::buffer(reply), from, 0, ec);
        if (ec == boost::asio::error::would_block) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        if (ec || n == 0 || reply[0] != 0xF4 || !from.address().is_v4())
            continue;
        const auto a = from.address().to_v4();
        if (std::find(unsure.begin(), unsure.end(), a) != unsure.end() &&
            std::find(taken.begin(), taken.end(), a) == taken.end())
            taken.push_back(a);
    }
    return taken;
}

std::string udp_front::taken_message(const boost::asio::ip::address_v4& address, unsigned short port_number)
{
    return "cannot bind " + endpoint_text(address, port_number) +
           ": the address is taken (another simulator or program listens there)";
}

std::size_t udp_front::open(const boost::asio::ip::address_v4& address, unsigned short port_number,
                            bool device)
{
    auto p = std::make_shared<port>(io_);
    bind_socket(p->socket, address, port_number, device, false);
    ports_.push_back(p);
    return ports_.size() - 1;
}

bool udp_front::rebind(std::size_t id, const boost::asio::ip::address_v4& address, std::string& error)
{
    auto fresh = std::make_shared<port>(io_);
    try {
        bind_socket(fresh->socket, address, ports_.at(id)->socket.local_endpoint().port(), true, true);
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
