// sensor_search: finds sensors by broadcast, on a thread of its own.
//
// Each round lasts one second: refresh one socket per local address (bound to
// that address, port 0, address reuse and broadcast on), send the one-byte
// request from every socket to the destination, then every 100 ms read every
// queued reply. Rounds alternate the codes 0xF3 and 0xF4. A reply counts only
// when it is exactly 257 bytes long (a longer datagram is cut to 257 and
// counts) and begins with this round's code; everything else is read and
// dropped. Records with the serial and address text of one already listed
// are dropped; the list stays sorted by address text.
//
// A socket error inside the thread (refreshing sockets, sending, reading)
// abandons the rest of that round: the thread waits out the round's second
// and starts afresh with new sockets, so a vanished interface never ends the
// search or the program. Such errors are counted and the last one is kept as
// text. The found list and count are shared with the caller's thread under a
// mutex (the count is atomic too, for a cheap "anything new?" check).
#pragma once

#include "link/address_change.h"
#include "link/link_set.h"
#include "link/sensor_info.h"

#include <atomic>
#include <boost/asio/ip/address_v4.hpp>
#include <boost/asio/ip/udp.hpp>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvex::k7 {

class sensor_search {
public:
    using address_source = std::function<std::vector<boost::asio::ip::address_v4>()>;

    /// The destination offered to the user until one is stored in the program settings.
    static constexpr const char* default_destination = "192.168.1.255";

    /// `source` lists the local addresses (default: local_ipv4_addresses);
    /// `port` is the devices' port (11681 for real devices).
    explicit sensor_search(address_source source = {}, std::uint16_t port = sensor_port);
    ~sensor_search();
    sensor_search(const sensor_search&) = delete;
    sensor_search& operator=(const sensor_search&) = delete;

    /// Clears the found list and starts the thread searching `destination`
    /// (dotted IPv4 text). A running search is stopped first. Raises
    /// std::invalid_argument for text that is not IPv4; the search then does not start.
    void start(const std::string& destination);

    /// Sets the stop flag and waits for the thread (at most about 100 ms). The
    /// sockets stay open, so an address change can still be sent.
    void stop();

    bool running() const { return thread_.joinable(); }

    /// Number of records found since start (cheap, lock-free).
    std::size_t count() const { return count_.load(); }
    /// Copy of the found list, sorted by address text.
    std::vector<sensor_info> found() const;

    /// Local addresses of the current search sockets.
    std::vector<boost::asio::ip::address_v4> socket_addresses() const;

    /// Sends the address-change datagram for `device` to the destination from
    /// the search socket bound to device.computer_address. False when no such
    /// socket exists, the serial is not five bytes or the send fails.
    bool send_address_change(const sensor_info& device, std::uint32_t new_address);

    /// Rounds finished since construction; socket errors seen inside the thread.
    std::uint64_t rounds() const { return rounds_.load(); }
    std::uint64_t error_count() const { return errors_.load(); }
    std::string last_error() const;

private:
    struct search_socket;

    void run();
    bool wait_or_stop(std::chrono::milliseconds d); // true when stopped
    void refresh_sockets();
    void send_requests(std::uint8_t code);
    void collect(std::uint8_t code);
    void note_error(const std::string& what);

    address_source source_;
    const std::uint16_t port_;
    boost::asio::ip::udp::endpoint destination_;

    mutable std::mutex sockets_mutex_; // the sockets: search thread and address change
    std::vector<std::unique_ptr<search_socket>> sockets_;

    mutable std::mutex found_mutex_;
    std::vector<sensor_info> found_;
    std::atomic<std::size_t> count_{0};

    std::mutex wake_mutex_;
    std::condition_variable wake_;
    std::atomic<bool> stop_{false};
    std::thread thread_;

    std::atomic<std::uint64_t> rounds_{0};
    std::atomic<std::uint64_t> errors_{0};
    mutable std::mutex error_mutex_;
    std::string last_error_;
};

} // namespace orvex::k7
