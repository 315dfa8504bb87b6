// error_state_poll: the status line's poll of the sensor's error state, one
// short step per main-timer tick that never waits for the sensor.
//
// The request (0x7D) goes out when the period is due; its reply is taken at a
// later tick, or the request counts as failed when none came within 300 ms.
// After three failures in a row the poll backs off to one request every 5 s
// (or the period, when that is longer) until the sensor answers again.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>

namespace orvex::k7 {
class sensor_commands;
}

namespace orvex::diag {

class error_state_poll {
public:
    using clock = std::chrono::steady_clock;
    enum class event { none, sent, answered, failed };

    static constexpr std::chrono::milliseconds reply_timeout{300};
    static constexpr std::chrono::milliseconds backoff_period{5000};
    static constexpr int failures_before_backoff = 3;

    /// One tick with the configured period (positive); on `answered` the
    /// state is in `out`.
    event step(k7::sensor_commands& cmd, int period_ms, std::array<std::uint8_t, 16>& out,
               clock::time_point now = clock::now());

    /// Forgets an outstanding request and the failure count (the poll was
    /// switched off, or the sensor was connected anew).
    void reset();

    int failures_in_row() const { return failures_; }

private:
    bool outstanding_ = false;
    bool ever_sent_ = false;
    int failures_ = 0;
    clock::time_point sent_{};
};

} // namespace orvex::diag
