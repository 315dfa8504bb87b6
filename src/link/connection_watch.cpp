#include "link/connection_watch.h"

#include "link/sensor_device.h"

namespace orvex::k7 {
namespace {
constexpr std::uint8_t probe_code = 0xF4;
}

void connection_watch::restart(sensor_device& device, clock::time_point now)
{
    watched_port_ = device.link(link_aux).local_port();
    failures_seen_ = device.commands().failed_transactions();
    lost_ = false;
    suspect_ = false;
    probe_out_ = false;
    last_reply_ = now;
    probe_sent_ = now;
}

void connection_watch::rest(clock::time_point now)
{
    last_reply_ = now;
    probe_sent_ = now;
    probe_out_ = false;
}

connection_watch::change connection_watch::step(sensor_device& device, clock::time_point now)
{
    udp_link& link = device.link(link_aux);
    if (link.local_port() != watched_port_)
        restart(device, now);
    const std::uint64_t failures = device.commands().failed_transactions();
    if (failures != failures_seen_) {
        failures_seen_ = failures;
        suspect_ = true;
    }

    change result = change::none;
    if (probe_out_) {
        if (link.take(reply_.data(), reply_.size(), probe_code)) {
            probe_out_ = false;
            suspect_ = false;
            last_reply_ = now;
            if (lost_) {
                lost_ = false;
                result = change::answering;
            }
        } else if (now - probe_sent_ >= probe_timeout) {
            probe_out_ = false;
        }
    }
    if (!lost_ && now - last_reply_ >= lost_after) {
        lost_ = true;
        result = change::lost;
    }
    const auto period = suspect_ || lost_ ? suspect_probe_period : probe_period;
    if (!probe_out_ && now - probe_sent_ >= period) {
        link.drain();
        const std::uint8_t request[1] = {probe_code};
        link.send(request, 1);
        probe_out_ = true;
        probe_sent_ = now;
    }
    return result;
}

} // namespace orvex::k7
