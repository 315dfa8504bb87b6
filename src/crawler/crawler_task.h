// Tasks of the crawler device, stepped by its worker thread.
//
// A task is started by a request (start()) and then advanced by repeated
// calls of step(); it never blocks. CrawlerTaskReadFrame reads one frame, a
// 1 MiB block of the crawler's memory (1024 lines of 1024 bytes), into a
// frame buffer. The crawler answers a request 0x2F (frame number, 0, up to
// 120 big-endian line numbers) with one 1284-byte datagram per line: bytes
// 2-3 the line number, bytes 4-1283 a payload whose first 1024 bytes belong
// to the line (the other 256 are ignored). Requests are paced at 3000 lines
// per second from the task's start; a line still missing 500 ms after its
// request is asked for again (a repeated request); after 10 s the task gives
// up.
#pragma once

#include "link/udp_link.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace orvex::crawler {

/// What a task reports to its observer.
struct task_state {
    std::uint8_t busy = 0;    // true while the task runs
    std::uint8_t success = 0; // of the last run
    unsigned done = 0;
    unsigned total = 0;
};

class CrawlerTask {
public:
    virtual ~CrawlerTask() = default;
    /// Requests a start unless the task runs or a start is already requested.
    virtual void start()
    {
        if (!running_ && !start_requested_)
            start_requested_ = true;
    }
    virtual void step() = 0;
    /// Ends a run (or drops a requested start) without success.
    void cancel() { start_requested_ = running_ = success_ = false; }

    bool start_requested() const { return start_requested_; }
    bool running() const { return running_; }
    /// Neither running nor about to start.
    bool idle() const { return !running_ && !start_requested_; }
    bool success() const { return success_; }

protected:
    bool start_requested_ = false;
    bool running_ = false;
    bool success_ = false;
};

/// Line requests allowed at 3000 per second from restart(), minus those
/// spent. Credit beyond `max_credit` is dropped: a worker step delayed by a
/// busy machine is caught up, but a pause of all requests (every frame waiting
/// for re-requests) does not turn into a burst afterwards.
class LineAllowance {
public:
    using clock = std::chrono::steady_clock;
    static constexpr unsigned per_ms = 3;
    static constexpr long long max_credit = 360;

    void restart(clock::time_point now)
    {
        started_ = now;
        spent_ = 0;
    }
    /// Requests allowed at `now` (0 or more).
    long long available(clock::time_point now);
    void spend(unsigned n) { spent_ += n; }

private:
    clock::time_point started_{};
    long long spent_ = 0;
};

class CrawlerTaskReadFrame final : public CrawlerTask {
public:
    using clock = std::chrono::steady_clock;

    static constexpr unsigned lines = 1024;
    static constexpr std::size_t line_bytes = 1024;
    static constexpr std::size_t datagram_size = 1284;
    static constexpr unsigned max_lines_per_request = 120;
    static constexpr unsigned least_batch = 50; // a request waits for this allowance while lines queue up
    static constexpr auto repeat_after = std::chrono::milliseconds(500);
    static constexpr auto deadline = std::chrono::seconds(10);

    /// `link` carries the requests and the line datagrams; `frame_buffer`
    /// holds at least lines x line_bytes bytes. Both outlive the task.
    CrawlerTaskReadFrame(k7::udp_link& link, std::uint8_t* frame_buffer);

    /// Makes the task one of several frames in flight on its link: it then
    /// neither drains nor reads the link (the caller hands it its datagrams
    /// with take_line()) and draws its requests from `allowance`, which the
    /// caller restarts when the first of them starts.
    void share_link(LineAllowance* allowance) { shared_ = allowance; }
    /// Stores a datagram of this frame's read (true); anything else is left
    /// alone (false): another frame, a wrong length or line, or no read running.
    bool take_line(const std::uint8_t* datagram, std::size_t size);

    void set_frame(std::uint8_t frame) { frame_ = frame; }
    std::uint8_t frame() const { return frame_; }

    void step() override { step_at(clock::now()); }
    /// One step as at time `now` (the tests drive the clock).
    void step_at(clock::time_point now);

    /// Line requests sent and repeated requests of the current or last run.
    unsigned long requests_sent() const { return requests_sent_; }
    unsigned long repeated_requests() const { return repeated_; }
    unsigned lines_received() const { return received_count_; }
    /// Every line has been requested at least once (the link would idle but
    /// for re-requests).
    bool all_requested() const { return requested_count_ == lines; }

private:
    struct line_entry {
        bool received = false;
        bool requested = false;
        clock::time_point last_request{};
    };
    void begin(clock::time_point now);
    void take_datagrams();

    k7::udp_link& link_;
    std::uint8_t* buffer_;
    std::uint8_t frame_ = 0;
    std::array<std::uint8_t, 2048> datagram_{};
    std::array<line_entry, lines> table_{};
    LineAllowance own_allowance_;
    LineAllowance* shared_ = nullptr;
    clock::time_point deadline_at_{};
    unsigned long requests_sent_ = 0;
    unsigned long repeated_ = 0;
    unsigned received_count_ = 0;
    unsigned requested_count_ = 0;
};

} // namespace orvex::crawler
