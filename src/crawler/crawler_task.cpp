#include "crawler/crawler_task.h"

#include "link/byte_order.h"

#include <algorithm>
#include <cstring>

namespace orvex::crawler {

CrawlerTaskReadFrame::CrawlerTaskReadFrame(k7::udp_link& link, std::uint8_t* frame_buffer)
    : link_(link),
      buffer_(frame_buffer)
{}

void CrawlerTaskReadFrame::begin(clock::time_point now)
{
    start_requested_ = false;
    running_ = true;
    success_ = false;
    link_.drain();
    started_ = now;
    deadline_at_ = now + deadline;
    requests_sent_ = 0;
    repeated_ = 0;
    received_count_ = 0;
    table_.fill(line_entry{});
}

void CrawlerTaskReadFrame::take_datagrams()
{
    for (;;) {
        const std::size_t n = link_.receive(datagram_.data(), datagram_.size());
        if (n == 0)
            return;
        if (n != datagram_size)
            continue;
        const unsigned line = bytes::get_be16(&datagram_[2]);
        if (line >= lines)
            continue;
        // Only the line's own 1024 bytes: the surplus of the payload would
        // run into the next line's place.
        std::memcpy(buffer_ + std::size_t(line) * line_bytes, &datagram_[4], line_bytes);
        if (!table_[line].received) {
            table_[line].received = true;
            ++received_count_;
        }
    }
}

void CrawlerTaskReadFrame::step_at(clock::time_point now)
{
    if (!running_) {
        if (!start_requested_)
            return;
        begin(now);
    }
    take_datagrams();

    const auto elapsed_ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - started_).count();
    const long long allowance =
        std::max<long long>(0, elapsed_ms) * requests_per_ms - (long long)requests_sent_;
    unsigned due = 0;
    for (const line_entry& e : table_)
        if (!e.received && (!e.requested || now - e.last_request >= repeat_after))
            ++due;

    std::array<std::uint16_t, max_lines_per_request> picked{};
    unsigned count = 0;
    if (!(due >= least_batch && allowance < (long long)least_batch) && allowance > 0) {
        const unsigned limit =
            unsigned(std::min<long long>({allowance, (long long)due, max_lines_per_request}));
        for (unsigned line = 0; line < lines && count < limit; ++line) {
            line_entry& e = table_[line];
            if (e.received || (e.requested && now - e.last_request < repeat_after))
                continue;
            if (e.requested)
                ++repeated_;
            e.requested = true;
            e.last_request = now;
            picked[count++] = std::uint16_t(line);
        }
    }

    if (received_count_ == lines) {
        running_ = false;
        success_ = true;
        return;
    }
    if (now >= deadline_at_) {
        running_ = false;
        success_ = false;
        return;
    }
    if (count == 0)
        return;
    requests_sent_ += count;
    std::array<std::uint8_t, 3 + 2 * max_lines_per_request> rq{};
    rq[0] = 0x2F;
    rq[1] = frame_;
    rq[2] = 0;
    for (unsigned i = 0; i < count; ++i)
        bytes::put_be16(&rq[3 + 2 * i], picked[i]);
    link_.send(rq.data(), 3 + 2 * std::size_t(count));
}

} // namespace orvex::crawler
