// acquisition_engine: the per-channel cycle that turns the pages' wishes into
// requests and collects what comes back, one short step per main-timer tick.
//
// Wishes: poll or stream profiles (with or without intensities), poll or
// stream frames, fetch the stored background frame, fetch the computed line
// positions after each frame. The engine keeps one image or profile request
// outstanding at a time and measures its time-outs on a monotonic clock; image
// lines and streamed profiles are taken from the socket queues without
// waiting, so step() only ever waits for the one profile transaction. All
// storage (a 1280 x 1024 frame, 1024 profile slots, 1024 line positions) is
// allocated once at construction.
#pragma once

#include "link/profile_datagram.h"
#include "link/rate_clock.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace orvex::k7 {

class sensor_commands;

class acquisition_engine {
public:
    enum class state { idle, frame_wait, background_wait, line_data_wait, profile_wait };
    using handler = std::function<void()>;
    using clock = std::chrono::steady_clock;

    static constexpr std::size_t frame_width = 1280;
    static constexpr std::size_t frame_lines = 1024;

    explicit acquisition_engine(sensor_commands& commands);

    void set_profile_poll(bool on) { profile_poll_ = on; }
    void set_intensities(bool on) { intensities_ = on; }
    void set_result_points(bool on) { result_points_ = on; }
    /// Stores the flag and switches the sensor's profile stream (0x23).
    bool set_profile_stream(bool on);
    void set_image_request(bool poll, bool background);
    /// Switching on clears the image poll; sends 0x25.
    bool set_image_stream(bool on);

    /// Called after a frame (or background frame) was handled, complete or not.
    void set_image_handler(handler h) { image_handler_ = std::move(h); }
    /// Called once per step in which one or more profiles were decoded.
    void set_profile_handler(handler h) { profile_handler_ = std::move(h); }
    /// Called for every decoded profile, before the handler; a step that
    /// drains a streaming burst calls it once per profile, so a consumer that
    /// must see every profile (a counter, a file) does not miss any.
    void set_profile_observer(std::function<void(const decoded_profile&)> o)
    {
        profile_observer_ = std::move(o);
    }

    /// One pass of the cycle.
    void step();

    state current_state() const { return state_; }
    bool profile_poll() const { return profile_poll_; }
    bool profile_stream() const { return profile_stream_; }
    bool image_stream() const { return image_stream_; }

    /// 1280 bytes per line, line k at byte 1280 k, in arrival order.
    const std::vector<std::uint8_t>& frame() const { return frame_; }
    bool frame_complete() const { return frame_complete_; }
    unsigned line_count() const { return line_count_; }
    unsigned expected_lines() const { return expected_lines_; }
    /// Numbered lines dropped because they were not the line expected next
    /// (a line before them was lost), and the lines of a frame dropped because
    /// the next frame's line 0 came before it was whole; since construction.
    std::uint64_t skipped_lines() const { return skipped_lines_; }
    double frame_rate() const { return frame_rate_; }
    /// Line position of each image row in pixels.
    const std::array<double, frame_lines>& line_data() const { return line_data_; }
    bool line_data_complete() const { return line_data_complete_; }

    const decoded_profile& profile() const { return profile_; }
    std::int64_t request_time_ns() const { return request_time_ns_; }
    /// Decoded profiles per second (updates at most once per second).
    double profile_rate() { return profile_rate_.read(); }

    /// Received, lost and repeated profiles since the last reset.
    const profile_numbering& numbering() const { return numbering_; }
    /// Datagrams collected outside a transaction, or as a polled profile,
    /// whose length was not the one the current mode expects (4104 or 5160
    /// for profiles, 1280 or 1284 for lines, 1028 for line data): counted and
    /// dropped, never cut and decoded as something else.
    std::uint64_t wrong_length() const { return wrong_length_; }
    void reset_counters()
    {
        numbering_.reset();
        wrong_length_ = 0;
    }

private:
    void idle_step(clock::time_point now);
    void frame_wait_step(clock::time_point now);
    void background_wait_step(clock::time_point now);
    void line_data_wait_step(clock::time_point now);
    void profile_wait_step(clock::time_point now);
    void finish();
    bool collect_lines();
    void reset_frame();
    void decode_last_profile();
    static std::int64_t to_ns(clock::time_point t);

    sensor_commands& cmd_;
    state state_ = state::idle;
    bool profile_stream_ = false;
    bool profile_poll_ = false;
    bool intensities_ = false;
    bool image_stream_ = false;
    bool image_poll_ = false;
    bool background_ = false;
    bool result_points_ = false;
    bool numbered_lines_ = false;
    clock::time_point profile_deadline_{};
    clock::time_point frame_deadline_{};
    std::int64_t request_time_ns_ = 0;

    std::vector<std::uint8_t> frame_;
    std::vector<std::uint8_t> line_scratch_; // one numbered line or one line-data datagram
    unsigned line_count_ = 0;
    unsigned expected_lines_ = 0;
    std::uint64_t skipped_lines_ = 0;
    bool frame_complete_ = false;
    rate_clock frame_clock_;
    double frame_rate_ = 0.0;
    std::array<double, frame_lines> line_data_{};
    unsigned line_data_counter_ = 0;
    bool line_data_complete_ = false;

    decoded_profile profile_;
    rate_clock profile_rate_;
    profile_numbering numbering_;
    std::uint64_t wrong_length_ = 0;
    handler image_handler_;
    handler profile_handler_;
    std::function<void(const decoded_profile&)> profile_observer_;
};

} // namespace orvex::k7
