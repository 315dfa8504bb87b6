#include "link/sensor_search.h"

#include "link/local_addresses.h"
#include "link/net_guard.h"
#include "link/udp_socket_io.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace orvex::k7 {

namespace asio = boost::asio;
using asio::ip::udp;
using namespace std::chrono_literals;

namespace {
constexpr auto round_length = 1000ms;
constexpr auto read_interval = 100ms;
constexpr std::size_t reply_size = 1 + description_size; // 257
// Datagrams read from one socket per 100 ms pass; a flood cannot keep the
// thread (and the address change waiting for the sockets) busy for ever.
constexpr int reads_per_pass = 4096;
} // namespace

struct sensor_search::search_socket {
    asio::ip::address_v4 local;
    udp::socket socket;

    explicit search_socket(const asio::ip::address_v4& a) : local(a), socket(detail::link_io())
    {
        socket.open(udp::v4());
        socket.set_option(asio::socket_base::reuse_address(true));
        socket.set_option(asio::socket_base::broadcast(true));
        socket.bind(udp::endpoint(a, 0));
        socket.non_blocking(true);
    }
};

sensor_search::sensor_search(address_source source, std::uint16_t port)
    : source_(source ? std::move(source) : address_source(local_ipv4_addresses)),
      port_(port)
{}

sensor_search::~sensor_search()
{
    stop();
}

void sensor_search::start(const std::string& destination)
{
    boost::system::error_code ec;
    const auto dest = asio::ip::make_address_v4(destination, ec);
    if (ec)
        throw std::invalid_argument("search address is not IPv4: " + destination);
    stop();
    {
        std::lock_guard<std::mutex> lock(sockets_mutex_);
        destination_ = udp::endpoint(dest, port_);
    }
    {
        std::lock_guard<std::mutex> lock(found_mutex_);
        found_.clear();
        count_ = 0;
    }
    stop_ = false;
    thread_ = std::thread([this] { run(); });
}

void sensor_search::stop()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(wake_mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

std::vector<sensor_info> sensor_search::found() const
{
    std::lock_guard<std::mutex> lock(found_mutex_);
    return found_;
}

std::vector<asio::ip::address_v4> sensor_search::socket_addresses() const
{
    std::lock_guard<std::mutex> lock(sockets_mutex_);
    std::vector<asio::ip::address_v4> out;
    for (const auto& s : sockets_)
        out.push_back(s->local);
    return out;
}

std::string sensor_search::last_error() const
{
    std::lock_guard<std::mutex> lock(error_mutex_);
    return last_error_;
}

void sensor_search::note_error(const std::string& what)
{
    ++errors_;
    std::lock_guard<std::mutex> lock(error_mutex_);
    last_error_ = what;
}

bool sensor_search::wait_or_stop(std::chrono::milliseconds d)
{
    std::unique_lock<std::mutex> lock(wake_mutex_);
    return wake_.wait_for(lock, d, [this] { return stop_.load(); });
}

void sensor_search::run()
{
    using clock = std::chrono::steady_clock;
    unsigned round = 0;
    while (!stop_) {
        const std::uint8_t code = (round++ % 2 == 0) ? 0xF3 : 0xF4;
        const auto start = clock::now();
        bool healthy = true;
        try {
            refresh_sockets();
            send_requests(code);
        } catch (const std::exception& e) {
            note_error(e.what());
            healthy = false;
        }
        while (!stop_ && clock::now() - start < round_length) {
            // A search stopped between two reads still takes the replies that
            // came in meanwhile: a short search must not miss them.
            const bool stopping = wait_or_stop(read_interval);
            if (healthy) {
                try {
                    collect(code);
                } catch (const std::exception& e) {
                    note_error(e.what());
                    healthy = false;
                }
            }
            if (stopping)
                break;
        }
        ++rounds_;
    }
}

void sensor_search::refresh_sockets()
{
    const auto wanted = search_addresses(source_(), destination_.address().to_v4());
    std::lock_guard<std::mutex> lock(sockets_mutex_);
    sockets_.erase(std::remove_if(sockets_.begin(), sockets_.end(),
                                  [&](const auto& s) {
                                      return std::find(wanted.begin(), wanted.end(), s->local) ==
                                             wanted.end();
                                  }),
                   sockets_.end());
    for (const auto& a : wanted) {
        const bool have =
            std::any_of(sockets_.begin(), sockets_.end(), [&](const auto& s) { return s->local == a; });
        if (!have)
            sockets_.push_back(std::make_unique<search_socket>(a)); // raises system_error
    }
}

void sensor_search::send_requests(std::uint8_t code)
{
    std::lock_guard<std::mutex> lock(sockets_mutex_);
    if (!net::send_allowed(destination_.address()))
        return;
    for (const auto& s : sockets_) {
        boost::system::error_code ec;
        s->socket.send_to(asio::buffer(&code, 1), destination_, 0, ec);
        if (ec)
            note_error("search send from " + s->local.to_string() + ": " + ec.message());
    }
}

void sensor_search::collect(std::uint8_t code)
{
    std::uint8_t reply[reply_size];
    std::lock_guard<std::mutex> lock(sockets_mutex_);
    for (const auto& s : sockets_) {
        for (int n = 0; n < reads_per_pass; ++n) {
            const auto r = detail::read_next(s->socket, reply, sizeof reply);
            if (r.status == detail::read_status::empty)
                break;
            if (r.status == detail::read_status::failed) {
                note_error("search read on " + s->local.to_string());
                break;
            }
            if (r.count != reply_size || reply[0] != code)
                continue;

            sensor_info info;
            decode_description(reply + 1, description_size, info);
            info.computer_address = s->local.to_uint();
            info.computer_address_text = s->local.to_string();

            std::lock_guard<std::mutex> found_lock(found_mutex_);
            const bool known = std::any_of(found_.begin(), found_.end(), [&](const sensor_info& f) {
                return f.serial == info.serial && f.address_text == info.address_text;
            });
            if (known)
                continue;
            found_.push_back(std::move(info));
            std::stable_sort(found_.begin(), found_.end(), [](const sensor_info& a, const sensor_info& b) {
                return a.address_text < b.address_text;
            });
            count_ = found_.size();
        }
    }
}

bool sensor_search::send_address_change(const sensor_info& device, std::uint32_t new_address)
{
    const auto frame = address_change_datagram(device.serial, new_address);
    if (!frame)
        return false;
    std::lock_guard<std::mutex> lock(sockets_mutex_);
    for (const auto& s : sockets_) {
        if (s->local.to_uint() != device.computer_address)
            continue;
        if (!net::send_allowed(destination_.address()))
            return false;
        boost::system::error_code ec;
        const auto n = s->socket.send_to(asio::buffer(*frame), destination_, 0, ec);
        return !ec && n == frame->size();
    }
    return false;
}

} // namespace orvex::k7
