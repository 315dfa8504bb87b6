#include "diag/latch_cycle.h"

#include "link/sensor_device.h"

#include <algorithm>
#include <cstdio>
#include <thread>

namespace orvex::diag {

void latch_collector::clear()
{
    record_.fill(0);
    chunks_ = 0;
}

latch_collector::result latch_collector::collect(k7::sensor_device& device)
{
    // One byte more than a chunk datagram, so that a longer one is seen as such.
    std::array<std::uint8_t, latch_datagram_size + 1> buf;
    auto& link = device.link(k7::link_service);
    for (;;) {
        const std::size_t n = link.receive(buf.data(), buf.size());
        if (n == 0)
            return result::empty;
        if (n != latch_datagram_size || buf[0] != 0xD2)
            continue;
        if (chunks_ >= latch_max_chunks)
            return result::overflow;
        std::copy_n(&buf[2], latch_chunk_size, record_.begin() + latch_chunk_size * chunks_);
        ++chunks_;
        if (buf[1] == 1)
            return result::last;
    }
}

latch_cycle::event latch_cycle::step(k7::sensor_device& device)
{
    auto& commands = device.commands();
    switch (state_) {
    case 0:
        commands.latch_command();
        state_ = 1;
        return event::latch_sent;
    case 1: {
        std::uint8_t status = 0;
        if (!commands.latch_status(status)) // drains the link first
            return event::status_failed;
        status_ = status;
        if ((status & latch_busy_mask) != 0)
            return event::status_busy;
        state_ = 2;
        return event::status_ready;
    }
    case 2:
        commands.request_latch_data(); // drains the link first
        state_ = 3;
        requested_ = std::chrono::steady_clock::now();
        collector_.clear();
        return event::read_requested;
    default:
        switch (collector_.collect(device)) {
        case latch_collector::result::last:
            state_ = 0;
            return event::completed;
        case latch_collector::result::overflow:
            state_ = 0;
            return event::failed;
        case latch_collector::result::empty:
            break;
        }
        if (std::chrono::steady_clock::now() - requested_ >= read_timeout) {
            state_ = 0;
            return event::failed;
        }
        return event::waiting;
    }
}

std::size_t read_latch_once(k7::sensor_device& device, latch_record& record)
{
    latch_collector collector;
    collector.clear();
    if (!device.commands().request_latch_data()) {
        record = collector.record();
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    collector.collect(device);
    record = collector.record();
    return collector.chunks();
}

std::string error_state_button_text(const std::array<std::uint8_t, 16>& state)
{
    char text[32];
    std::snprintf(text, sizeof text, "%x %u %u", static_cast<unsigned>(state[0]),
                  static_cast<unsigned>(state[1]), static_cast<unsigned>(state[2]));
    return text;
}

} // namespace orvex::diag
