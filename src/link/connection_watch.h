// connection_watch: whether a connected device still answers, found out
// without ever waiting on it.
//
// Once per main-timer tick the watch takes the reply to its last probe (the
// description request 0xF4, sent on the auxiliary link, which no page uses
// while it polls) and sends the next probe when one is due: every 250 ms
// while the device answers, every 50 ms while it is suspect. A device is
// suspect from the moment one of its command transactions fails until the
// next probe reply; blocking work (a profile read, a settings command) is
// held back meanwhile, so a silent device costs one transaction time-out
// instead of one per tick. When no probe reply came for 1 s the device counts
// as lost; the first reply afterwards makes it answer again.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>

namespace orvex::k7 {

class sensor_device;

class connection_watch {
public:
    using clock = std::chrono::steady_clock;
    enum class change { none, lost, answering };

    static constexpr std::chrono::milliseconds probe_period{250};
    static constexpr std::chrono::milliseconds suspect_probe_period{50};
    static constexpr std::chrono::milliseconds probe_timeout{300};
    static constexpr std::chrono::milliseconds lost_after{1000};

    /// One tick for `device` (which must be connected). A device connected
    /// anew since the last step (its links were reopened) starts as answering.
    change step(sensor_device& device, clock::time_point now = clock::now());

    /// The device is busy with work that judges its answers itself (a flash
    /// job, during which a sensor may not answer for seconds while it erases):
    /// no probe goes out and the silence does not count.
    void rest(clock::time_point now = clock::now());

    /// Not lost.
    bool answering() const { return !lost_; }
    /// False while the device is lost or suspect: work that waits for a reply
    /// should not start.
    bool may_block() const { return !lost_ && !suspect_; }

private:
    void restart(sensor_device& device, clock::time_point now);

    std::uint16_t watched_port_ = 0; // local port of the auxiliary link when watching began
    std::uint64_t failures_seen_ = 0;
    bool lost_ = false;
    bool suspect_ = false;
    bool probe_out_ = false;
    clock::time_point last_reply_{};
    clock::time_point probe_sent_{};
    std::array<std::uint8_t, 257> reply_{};
};

} // namespace orvex::k7
