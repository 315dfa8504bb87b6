#include "diag/error_state_poll.h"

#include "link/sensor_commands.h"

#include <algorithm>

namespace orvex::diag {

void error_state_poll::reset()
{
    outstanding_ = false;
    ever_sent_ = false;
    failures_ = 0;
}

error_state_poll::event error_state_poll::step(k7::sensor_commands& cmd, int period_ms,
                                               std::array<std::uint8_t, 16>& out, clock::time_point now)
{
    if (outstanding_) {
        if (cmd.take_error_state(out)) {
            outstanding_ = false;
            failures_ = 0;
            return event::answered;
        }
        if (now - sent_ < reply_timeout)
            return event::none;
        outstanding_ = false;
        ++failures_;
        return event::failed;
    }
    auto period = std::chrono::milliseconds(period_ms);
    if (failures_ >= failures_before_backoff)
        period = std::max(period, std::chrono::duration_cast<std::chrono::milliseconds>(backoff_period));
    if (ever_sent_ && now - sent_ < period)
        return event::none;
    ever_sent_ = true;
    sent_ = now;
    outstanding_ = true;
    cmd.request_error_state(); // a send that fails shows up as a missing reply
    return event::sent;
}

} // namespace orvex::diag
