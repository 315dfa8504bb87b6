#include "simulator_core.h"

#include "link/byte_order.h"
#include "options.h"
#include "state_store.h"

#include <cstdio>
#include <iostream>
#include <set>
#include <sstream>
#include <stdexcept>

namespace orvex::sim {

simulator_core::simulator_core(simulator_options opts)
    : opts_(std::move(opts)),
      faults_(opts_.loss, opts_.dup, opts_.delay_ms, opts_.seed),
      front_([this](std::size_t port, const std::uint8_t* d, std::size_t n,
                    const udp_front::udp::endpoint& from) { on_datagram(port, d, n, from); })
{
    if (!(opts_.loss >= 0.0 && opts_.loss <= 1.0))
        throw std::invalid_argument("loss must be a probability between 0 and 1");
    if (!(opts_.dup >= 0.0 && opts_.dup <= 1.0))
        throw std::invalid_argument("dup must be a probability between 0 and 1");
    if (opts_.delay_ms < 0 || opts_.delay_ms > 60000)
        throw std::invalid_argument("delay_ms must be 0..60000 milliseconds");
    std::uint32_t bind = 0;
    if (!parse_ipv4(opts_.search_bind, bind) || (bind != 0 && (bind >> 24) != 127))
        throw std::invalid_argument("search_bind \"" + opts_.search_bind +
                                    "\" must be 0.0.0.0 or an address in 127.0.0.0/8");
    if (opts_.sensors.empty())
        throw std::invalid_argument("no sensor given");
    std::set<std::uint32_t> addresses;
    std::set<std::string> serials;
    if (!(opts_.profile_rate >= 0.0 && opts_.profile_rate <= 100000.0))
        throw std::invalid_argument(
            "profile_rate must be 0..100000 profiles per second (0: from the settings)");
    if (!(opts_.frame_rate > 0.0 && opts_.frame_rate <= 1000.0))
        throw std::invalid_argument("frame_rate must be above 0 and at most 1000 frames per second");
    if (opts_.lines_per_ms < 1 || opts_.lines_per_ms > 1024)
        throw std::invalid_argument("lines_per_ms must be 1..1024");
    for (const auto& text : opts_.sensors) {
        auto cfg = parse_sensor_text(text);
        cfg.profile_rate = opts_.profile_rate;
        cfg.frame_rate = opts_.frame_rate;
        cfg.lines_per_ms = opts_.lines_per_ms;
        if (!addresses.insert(cfg.address_value).second)
            throw std::invalid_argument("sensor \"" + text + "\": address " + cfg.address + " is used twice");
        if (!serials.insert(cfg.serial).second)
            throw std::invalid_argument("sensor \"" + text + "\": serial " + cfg.serial +
                                        " is used twice; give each sensor its own serial=");
        models_.push_back(std::make_unique<sensor_model>(std::move(cfg)));
    }
    for (std::size_t b = 0; b < models_.size(); ++b) {
        const auto& cfg = models_[b]->config();
        if (cfg.rig_targets.empty())
            continue;
        rig_coupling r{b, {}};
        for (const auto& a : cfg.rig_targets) {
            std::uint32_t v = 0;
            parse_ipv4(a, v);
            std::size_t t = 0;
            while (t < models_.size() && models_[t]->config().address_value != v)
                ++t;
            if (t == models_.size() || t == b)
                throw std::invalid_argument("sensor \"" + cfg.address + "\": rig address " + a +
                                            " is not another simulated sensor");
            r.targets.push_back(t);
        }
        rigs_.push_back(std::move(r));
    }
    if (!opts_.state_dir.empty()) {
        prepare_state_dir(opts_.state_dir);
        for (auto& m : models_)
            load_device_state(opts_.state_dir, *m);
    }
}

void simulator_core::start()
{
    if (stopped_)
        throw std::runtime_error("the simulator was stopped; create a new one");
    if (started_)
        return;
    std::vector<boost::asio::ip::address_v4> devices;
    for (auto& m : models_)
        devices.emplace_back(m->address());
    const auto taken = udp_front::addresses_in_use(devices, device_port);
    if (!taken.empty())
        throw std::runtime_error(udp_front::taken_message(taken.front(), device_port));
    for (const auto& a : devices)
        front_.open(a, device_port, true);
    std::uint32_t bind = 0;
    parse_ipv4(opts_.search_bind, bind);
    search_port_ = front_.open(boost::asio::ip::address_v4(bind), device_port);
    front_.start();
    streaming_ = true;
    streamer_ = std::thread([this] { stream_loop(); });
    started_ = true;
}

void simulator_core::stop()
{
    std::lock_guard<std::mutex> lock(state_mutex_);
    if (stopped_)
        return;
    stopped_ = true;
    streaming_ = false;
    if (streamer_.joinable())
        streamer_.join();
    front_.stop();
    if (!opts_.state_dir.empty())
        for (const auto& m : models_)
            for (const auto& e : save_device_state(opts_.state_dir, *m))
                notice(e, true);
}

void simulator_core::stream_loop()
{
    using clock = measuring_head::clock;
    std::vector<stream_batch> batches(models_.size());
    auto next = clock::now();
    while (streaming_) {
        const auto now = clock::now();
        bool active = false;
        for (std::size_t i = 0; i < models_.size(); ++i) {
            active = models_[i]->stream_tick(now, batches[i]) || active;
            send_batch(i, batches[i]);
        }
        couple_rigs();
        // One pass per millisecond while anything streams, every 5 ms when
        // idle; after a long stall start afresh rather than racing to catch
        // up (the devices' rates follow the clock anyway).
        next += std::chrono::milliseconds(active ? 1 : 5);
        const auto after = clock::now();
        if (after - next > std::chrono::milliseconds(10))
            next = after + std::chrono::milliseconds(1);
        std::this_thread::sleep_until(next);
    }
}

void simulator_core::send_batch(std::size_t port, const stream_batch& b)
{
    for (std::size_t k = 0; k < b.profile_count; ++k)
        front_.send_stream(port, b.profiles[k].data(), b.profiles[k].size(), b.profile_address,
                           b.profile_port);
    if (b.board_due)
        front_.send_stream(port, b.board_state.data(), b.board_state.size(), b.board_address, b.board_port);
    if (!b.job)
        return;
    const frame_job& job = *b.job;
    std::uint8_t line[4 + image_columns];
    for (unsigned k = b.first_line; k < b.first_line + b.line_count; ++k) {
        if (job.numbered) {
            // Bytes 0..1: the request code and 0; bytes 2..3: the line number,
            // with 2048 added on the frame's last line.
            line[0] = job.echo;
            line[1] = 0;
            bytes::put_be16(&line[2], std::uint16_t(k + (k + 1 == job.rows ? 2048 : 0)));
            job.render(k, line + 4);
            front_.send_stream(port, line, sizeof line, job.address, job.port);
        } else {
            job.render(k, line);
            front_.send_stream(port, line, image_columns, job.address, job.port);
        }
    }
    if (b.send_tail)
        for (const auto& d : job.tail)
            front_.send_stream(port, d.data(), d.size(), job.address, job.port);
}

// The rig's actuators carry the sensors' target: channel 1 its distance,
// channel 2 its lateral position. Handed on only when they changed, since
// each change makes the sensor trace its line anew.
void simulator_core::couple_rigs()
{
    for (auto& r : rigs_) {
        const double x = models_[r.board]->rig_physical(0);
        const double y = models_[r.board]->rig_physical(1);
        if (x == r.x && y == r.y)
            continue;
        r.x = x;
        r.y = y;
        for (std::size_t t : r.targets)
            models_[t]->set_target_offset(x, y);
    }
}

std::string simulator_core::display_serial(const sensor_model& m) const
{
    const std::string s = m.serial();
    for (unsigned char c : s)
        if (c < 0x20 || c > 0x7E)
            return m.config().serial;
    return s;
}

std::vector<std::string> simulator_core::ready_lines() const
{
    std::vector<std::string> lines;
    for (const auto& m : models_)
        lines.push_back("k7sim: sensor " + display_serial(*m) + " at " + format_ipv4(m->address()) + ":" +
                        std::to_string(device_port));
    return lines;
}

void simulator_core::notice(const std::string& line, bool always)
{
    if (opts_.on_notice)
        opts_.on_notice(line);
    else if (opts_.log || always)
        std::cerr << line << "\n";
}

void simulator_core::log_request(const std::string& where, const request& rq,
                                 const udp_front::udp::endpoint& from)
{
    if (!opts_.log)
        return;
    std::ostringstream s;
    s << "k7sim: " << where << " <- " << from.address().to_string() << ":" << from.port() << " [" << rq.size
      << "]";
    char hex[4];
    for (std::size_t i = 0; i < rq.size && i < 16; ++i) {
        std::snprintf(hex, sizeof hex, " %02x", rq.data[i]);
        s << hex;
    }
    if (rq.size > 16)
        s << " ...";
    std::cerr << s.str() << "\n";
}

void simulator_core::reply(std::size_t port, const reply_list& replies, const udp_front::udp::endpoint& to)
{
    for (const auto& d : replies) {
        const unsigned n = faults_.copies();
        for (unsigned c = 0; c < n; ++c)
            front_.send(port, d, to, faults_.delay());
    }
}

void simulator_core::on_datagram(std::size_t port, const std::uint8_t* data, std::size_t size,
                                 const udp_front::udp::endpoint& from)
{
    const auto a = from.address();
    if (!a.is_v4() || (a.to_v4().to_uint() >> 24) != 127)
        return; // loopback peers only
    const request rq{data, size, a.to_v4().to_uint(), from.port()};
    if (port == search_port_) {
        log_request("search", rq, from);
        if (rq.code() == 0xF6) {
            move_device(rq, models_.size());
            return;
        }
        for (std::size_t i = 0; i < models_.size(); ++i)
            reply(i, models_[i]->serve_search(rq), from);
        return;
    }
    auto& m = *models_.at(port);
    log_request(format_ipv4(m.address()), rq, from);
    const bool was_answering = m.answering();
    reply(port, m.serve(rq), from);
    if (rq.code() == 0xF6 && was_answering)
        move_device(rq, port);
}

// 0xF6: five serial characters and the new address, first octet first. The
// device whose description carries that serial moves; addresses outside
// 127.0.0.0/8 or taken by another simulated device are refused. Received by a
// device socket (`receiver` < count) only that device may take it, as on a
// real network; from the search socket any device may.
void simulator_core::move_device(const request& rq, std::size_t receiver)
{
    if (rq.size < 10)
        return;
    const std::string serial(reinterpret_cast<const char*>(rq.data + 1), 5);
    const std::uint32_t target = bytes::get_be32(rq.data + 6);
    for (std::size_t i = 0; i < models_.size(); ++i) {
        auto& m = *models_[i];
        if ((receiver < models_.size() && receiver != i) || m.serial() != serial || !m.answering())
            continue;
        if (receiver != i)
            m.record(rq);
        const std::string name = "k7sim: sensor " + display_serial(m);
        if ((target >> 24) != 127 || (target & 0xFF) == 0 || (target & 0xFF) == 255 || target == 0x7F000001) {
            notice(name + " refuses to move to " + format_ipv4(target) + ": not a loopback device address");
            return;
        }
        for (const auto& other : models_)
            if (other.get() != &m && other->address() == target) {
                notice(name + " cannot move to " + format_ipv4(target) +
                       ": another simulated sensor is there");
                return;
            }
        std::string error;
        if (!front_.rebind(i, boost::asio::ip::address_v4(target), error)) {
            notice(name + " cannot move to " + format_ipv4(target) + ": " + error);
            return;
        }
        m.set_address(target);
        notice(name + " moved to " + format_ipv4(target) + ":" + std::to_string(device_port));
        return;
    }
}

} // namespace orvex::sim
