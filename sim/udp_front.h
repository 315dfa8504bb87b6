// Sockets and the service thread of the simulator.
//
// Holds one UDP socket per simulated device (bound to the device's loopback
// address, port 11681) and the search socket. The search socket has address
// reuse on, so that several simulators can listen for searches; on Linux a
// device socket needs it as well to sit beside any such wildcard socket, and
// reuse would then let a second simulator silently take a device address
// over. A device address is therefore checked first (addresses_in_use) and a
// taken one refused. One
// thread runs every receive; received datagrams go to the handler on that
// thread, which answers through send(). Replies leave only towards loopback
// addresses, and each one asks the network guard first.
#pragma once

#include "device_model.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvex::sim {

class udp_front {
public:
    using udp = boost::asio::ip::udp;
    using handler = std::function<void(std::size_t port, const std::uint8_t* data, std::size_t size,
                                       const udp::endpoint& from)>;

    explicit udp_front(handler on_datagram);
    ~udp_front();
    udp_front(const udp_front&) = delete;
    udp_front& operator=(const udp_front&) = delete;

    /// Binds address:port (with address reuse, see above); returns the port's
    /// id (0, 1, ... in call order). std::runtime_error naming the address
    /// when it fails. Device addresses are checked with addresses_in_use()
    /// first. Only before start().
    std::size_t open(const boost::asio::ip::address_v4& address, unsigned short port, bool device = false);

    /// Moves device port `id` to another address (same port number), on the
    /// service thread. On failure (the address taken included) the old socket
    /// stays and `error` says why.
    bool rebind(std::size_t id, const boost::asio::ip::address_v4& address, std::string& error);

    /// Those of `addresses` (loopback) at which some socket, of this process
    /// or another, already listens on `port` at exactly that address. Exact
    /// where no wildcard socket holds the port; where one does (another
    /// simulator's search socket), a description request tells: a device
    /// that answers from the address holds it. Waits at most 100 ms.
    static std::vector<boost::asio::ip::address_v4>
    addresses_in_use(const std::vector<boost::asio::ip::address_v4>& addresses, unsigned short port);
    /// The error text for an address that is taken.
    static std::string taken_message(const boost::asio::ip::address_v4& address, unsigned short port);

    /// Sends from port `id` after `delay` (0: now). Dropped silently when the
    /// destination is not loopback or the guard refuses it.
    void send(std::size_t id, datagram d, const udp::endpoint& to, std::chrono::milliseconds delay);

    /// Sends from port `id` on the calling thread (the streaming thread): safe
    /// alongside the service thread and an address move. Dropped silently
    /// when the destination is not loopback or the guard refuses it.
    void send_stream(std::size_t id, const std::uint8_t* data, std::size_t size, std::uint32_t address,
                     std::uint16_t port);

    void start(); // starts the service thread
    void stop();  // idempotent: stops the thread and closes every socket

private:
    struct port;
    void arm(const std::shared_ptr<port>& p, std::size_t id);
    void send_now(std::size_t id, const datagram& d, const udp::endpoint& to);

    handler on_datagram_;
    boost::asio::io_context io_;
    boost::asio::executor_work_guard<boost::asio::io_context::executor_type> work_;
    std::vector<std::shared_ptr<port>> ports_;
    std::mutex ports_mutex_; // ports_ entries are replaced by a move while the streaming thread sends
    std::thread thread_;
    bool stopped_ = false;
};

} // namespace orvex::sim
