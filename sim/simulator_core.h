// The simulator behind its facade: the device models, the sockets, fault
// injection, the state folder and the address change 0xF6.
//
// Datagrams from the device sockets go to their device; the search socket
// answers 0xF3/0xF4 for every device (each reply leaves from the device's own
// socket) and takes 0xF6. Only loopback senders are served. Streams leave
// from the device's socket too, sent by a thread of their own.
#pragma once

#include "fault_injector.h"
#include "sensor_model.h"
#include "simulator.h"
#include "udp_front.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvex::sim {

class simulator_core {
public:
    explicit simulator_core(simulator_options opts);
    ~simulator_core() { stop(); }

    void start();
    void stop();
    std::vector<std::string> ready_lines() const;
    sensor_model& model(std::size_t i) const { return *models_.at(i); }
    std::size_t count() const { return models_.size(); }

private:
    void on_datagram(std::size_t port, const std::uint8_t* data, std::size_t size,
                     const udp_front::udp::endpoint& from);
    void move_device(const request& rq, std::size_t receiver);
    void reply(std::size_t port, const reply_list& replies, const udp_front::udp::endpoint& to);
    void notice(const std::string& line, bool always = false); // always: errors that must be seen
    void log_request(const std::string& where, const request& rq, const udp_front::udp::endpoint& from);
    std::string display_serial(const sensor_model& m) const;
    void stream_loop();
    void send_batch(std::size_t port, const stream_batch& b);

    simulator_options opts_;
    std::vector<std::unique_ptr<sensor_model>> models_;
    fault_injector faults_;
    udp_front front_;
    std::size_t search_port_ = 0;
    std::mutex state_mutex_;
    bool started_ = false;
    bool stopped_ = false;
    // The streaming thread: every millisecond it sends what each device has
    // due (streamed profiles, frame lines, line data), outside the service
    // thread, so that streams never hold up requests.
    // Motor boards coupled to sensors (key rig=): board index, target
    // indices, and the offset last handed to the targets.
    struct rig_coupling {
        std::size_t board;
        std::vector<std::size_t> targets;
        double x = 0.0, y = 0.0;
    };
    std::vector<rig_coupling> rigs_;
    void couple_rigs();
    std::thread streamer_;
    std::atomic<bool> streaming_{false};
};

} // namespace orvex::sim
