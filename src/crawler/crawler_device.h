// CrawlerDevice: the pipe crawler as the program sees it, one object for the
// whole run.
//
// The crawler sits behind a sensor as an extension board (type 0x80) and
// answers on the sensor's address with four links of its own: the first
// carries the delayed start 0xA6, the encoder reset 0xA8 and the live poll
// 0xA9; the second (4 MiB receive buffer) the panel's state request; the third
// (4 MiB) the worker's state request 0xA4 and the frame read 0x2F with its
// line datagrams; the fourth, aimed at the subnet's broadcast address, the
// wake-up 0xF4 sent while the crawler does not answer. (The panel's state
// request goes on the second link so that it never discards line datagrams
// of a running read queued on the third.)
//
// A worker thread, started in the constructor and joined in the destructor,
// runs the measurement task (idle -> measuring -> reading results -> idle)
// every 100 ms and the memory read. While a frame is being read it steps
// every 2 ms, so that the request allowance of 3000 lines per second, not the
// wake-up period, sets the pace. The GUI thread runs the live poll and the
// commands. Start request, measurement state, connected flag and busy byte
// are atomics; the status texts are guarded by a mutex and handed out as
// copies. The memory image, the frame buffer and the results are written by
// the worker and read by others only after the read has reported its end
// (and under the results mutex, see with_memory()).
//
// The memory read keeps up to four frames in flight: the next frame starts as
// soon as every frame in flight has asked for all its lines once, so the link
// stays busy while they wait for re-requests of lost lines (500 ms each).
// The frames share one request allowance, the older frames first, and their
// line datagrams are handed to the frame named in the datagram. Frames land in
// the memory image in order; a progress step is reported as each one lands.
//
// The memory image (64 MiB: 64 frames of 1 MiB; fewer in tests), the frame
// buffer and the memory read's four 1 MiB frame buffers are allocated once, in
// the constructor.
#pragma once

#include "crawler/crawler_record.h"
#include "crawler/crawler_task.h"
#include "link/rate_clock.h"
#include "link/udp_link.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvex::crawler {

constexpr std::uint16_t crawler_port = 11681;
constexpr std::uint16_t fixed_link_local_port = 11682;
constexpr unsigned memory_frames = 64;
constexpr std::size_t frame_bytes = 0x100000;
constexpr std::size_t frame_buffer_bytes = 1310720; // room for 1024 payloads of 1280 bytes
constexpr std::size_t crawler_link_buffer = 4u << 20;
constexpr unsigned memory_read_window = 4; // frames of the memory read in flight

enum class measure_state : int { idle = 0, measuring = 1, reading = 2 };

class CrawlerDevice {
public:
    using clock = std::chrono::steady_clock;
    using observer = std::function<void(const task_state&)>;

    /// `frames` 1 MiB frames of memory are read (64 on a real crawler). Starts
    /// the worker; a thread that cannot be started raises std::system_error.
    explicit CrawlerDevice(unsigned frames = memory_frames);
    ~CrawlerDevice();
    CrawlerDevice(const CrawlerDevice&) = delete;
    CrawlerDevice& operator=(const CrawlerDevice&) = delete;

    /// Closes the four links and opens them to `address` (dotted IPv4).
    /// Raises k7::link_error as udp_link::open does (the links are closed then).
    void connect(const std::string& address, std::uint16_t port = crawler_port);
    void disconnect();
    /// The further fixed-address link of a crawler board: remote port 11681,
    /// local port 11682. Opened only; nothing is sent on it.
    void open_fixed_link(const std::string& address);
    bool fixed_link_open() const;
    std::string address() const;

    // Commands (any thread but the worker; they wait at most one transaction).
    /// 0xA4: busy byte and whether the crawler answered; updates connected().
    std::pair<std::uint8_t, bool> get_state();
    /// 0xA6 with `parameter`. Refused (false, nothing sent) while a start is
    /// requested or a measurement runs; on success the measurement task starts.
    bool delayed_start(std::uint8_t parameter);
    bool reset_encoders();
    /// Motor fields sent with every live poll; the "once" variant clears them
    /// after the next reply.
    void set_motors(std::uint8_t enable_1, std::uint16_t pulse_1, std::uint8_t enable_2,
                    std::uint16_t pulse_2);
    void set_motors_once(std::uint8_t enable_1, std::uint16_t pulse_1, std::uint8_t enable_2,
                         std::uint16_t pulse_2);

    /// One step of the live poll (call it on a timer, one thread only).
    struct poll_result {
        bool record = false;
        bool answered = false;
        bool lost = false; // the reply did not come in time; the next call asks again
    };
    poll_result live_poll(std::uint8_t flag, clock::time_point now = clock::now());
    /// A one-shot motor command waits for the poll that carries it (or for
    /// its reply); the caller keeps polling until it is through.
    bool motor_command_pending() const;
    const RawEntry& live_raw() const { return live_raw_; }
    const PhysEntry& live_phys() const { return live_phys_; }
    /// Live records per second, recomputed at most once per second.
    double frame_rate(clock::time_point now = clock::now()) { return rate_.read(now); }

    // Memory and frame reads, run by the worker.
    /// Starts reading the whole memory (block 0 first). False when a read of
    /// the memory or of a frame already runs. `on_change`, when given, is
    /// called on the worker thread at each progress step and at the end; it
    /// must not start reads itself (the worker holds its lock), and a GUI
    /// hands the state on to its own thread or polls memory_read_state().
    bool read_memory(observer on_change = {});
    task_state memory_read_state() const;
    /// Repeated line requests of the last memory read.
    unsigned long memory_repeats() const { return memory_repeats_.load(); }
    /// Reads one frame into the frame buffer. False while another read runs.
    bool read_frame(std::uint8_t frame, observer on_change = {});
    task_state frame_read_state() const;
    /// Repeated requests of the last frame read.
    unsigned long frame_repeats() const { return frame_repeats_.load(); }

    /// Decodes the memory image into the result lists; false (lists emptied)
    /// for a header out of range.
    bool decode_results();
    /// Copies of the results of the last decode.
    std::vector<RawEntry> results_raw() const;
    std::vector<PhysEntry> results_phys() const;
    std::size_t result_count() const;
    /// Header of the memory image as it is now.
    LogHeader memory_header() const;
    /// Runs `f` on the memory image (and its size) under the results mutex.
    void with_memory(const std::function<void(const std::uint8_t*, std::size_t)>& f) const;
    void with_frame(const std::function<void(const std::uint8_t*, std::size_t)>& f) const;
    std::size_t memory_size() const { return memory_size_; }

    std::string status() const;
    std::string action_status() const;
    measure_state state() const { return measure_state(state_.load()); }
    bool connected() const { return connected_.load(); }
    std::uint8_t busy() const { return busy_.load(); }

private:
    void worker();
    void measurement_step(clock::time_point now);
    void memory_step();
    void await_frame();
    void finish_memory_read(bool success);
    CrawlerTaskReadFrame& memory_task(unsigned frame) { return *memory_tasks_[frame % memory_tasks_.size()]; }
    void frame_step();
    void set_status(std::string text);
    void set_action_status(std::string text);
    void report(const observer& o, const task_state& s);
    void close_links() noexcept;
    static std::string seconds_text(clock::duration d);

    const unsigned frames_;
    const std::size_t memory_size_;
    std::unique_ptr<std::uint8_t[]> memory_;
    std::unique_ptr<std::uint8_t[]> frame_buffer_;
    std::unique_ptr<std::uint8_t[]> window_buffers_; // a frame buffer per frame in flight

    // Links: [0] commands and live poll, [1] the panel's state request,
    // [2] state request and frame read of the worker, [3] wake-up (broadcast).
    std::array<k7::udp_link, 4> links_;
    k7::udp_link fixed_link_;
    std::string address_;
    mutable std::mutex command_mutex_; // links 0 and 1, the fixed link, the address
    std::mutex worker_mutex_;          // links 2 and 3, the frame task and the read phases

    CrawlerTaskReadFrame frame_task_;
    // Memory read (worker): frames [memory_frame_, memory_next_) are in flight,
    // frame k read by memory_task(k); memory_frame_ is the next to land.
    std::vector<std::unique_ptr<CrawlerTaskReadFrame>> memory_tasks_;
    LineAllowance memory_allowance_;
    std::array<std::uint8_t, 2048> line_datagram_{};
    bool memory_reading_ = false;
    unsigned memory_frame_ = 0;
    unsigned memory_next_ = 0;
    observer memory_observer_;
    bool single_frame_ = false; // the frame task runs a single frame read
    observer frame_observer_;
    std::atomic<bool> memory_request_{false};
    std::atomic<bool> frame_request_{false};
    std::atomic<std::uint8_t> frame_request_number_{0};
    std::atomic<unsigned long> memory_repeats_{0};
    std::atomic<unsigned long> frame_repeats_{0};
    mutable std::mutex state_mutex_; // the two task states
    task_state memory_state_;
    task_state frame_state_;

    // Measurement task.
    std::atomic<bool> start_request_{false};
    std::atomic<int> state_{0};
    std::atomic<bool> connected_{false};
    std::atomic<std::uint8_t> busy_{0};
    clock::time_point measure_start_{};
    clock::time_point last_state_poll_{};
    bool measure_read_started_ = false;

    mutable std::mutex status_mutex_;
    std::string status_;
    std::string action_status_;

    mutable std::mutex results_mutex_; // memory image and results
    std::vector<RawEntry> results_raw_;
    std::vector<PhysEntry> results_phys_;

    // Live poll (one thread).
    int poll_phase_ = 0;
    bool clear_after_reply_ = false;
    clock::time_point poll_sent_{};
    std::uint8_t motor_1_enable_ = 0, motor_2_enable_ = 0;
    std::uint16_t motor_1_pulse_ = 0, motor_2_pulse_ = 0;
    bool motors_once_ = false;
    RawEntry live_raw_;
    PhysEntry live_phys_;
    k7::rate_clock rate_;

    std::mutex wake_mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace orvex::crawler
