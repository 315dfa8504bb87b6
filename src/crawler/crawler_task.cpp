#include "crawler/crawler_task.h"

#include "link/byte_order.h"

#include <algorithm>
#include <cstring>

namespace orvex::crawler {

long long LineAllowance::available(clock::time_point now)
{
    const long long earned =
        std::max<long long>(0,
                            std::chrono::duration_cast<std::chrono::milliseconds>(now - started_).count()) *
        per_ms;
    spent_ = std::max(spent_, earned - max_credit);
    return std::max<long long>(0, earned - spent_);
}

CrawlerTaskReadFrame::CrawlerTaskReadFrame(k7::udp_link& link, std::uint8_t* frame_buffer)
    : link_(link),
      buffer_(frame_buffer)
{}

void CrawlerTaskReadFrame::begin(clock::time_point now)
{
    start_requested_ = false;
    running_ = true;
    success_ = false;
    if (!shared_) {
        link_.drain();
        own_allowance_.restart(now);
    }
    deadline_at_ = now + deadline;
    requests_sent_ = 0;
    repeated_ = 0;
    received_count_ = 0;
    requested_count_ = 0;
    table_.fill(line_entry{});
}

bool CrawlerTaskReadFrame::take_line(const std::uint8_t* datagram, std::size_t size)
{
    if (!running_ || size != datagram_size || datagram[1] != frame_)
        return false;
    const unsigned line = bytes::get_be16(&datagram[2]);
    if (line >= lines)
        return false;
    // Only the line's own 1024 bytes: the surplus of the payload would run
    // into the next line's place.
    std::memcpy(buffer_ + std::size_t(line) * line_bytes, &datagram[4], line_bytes);
    if (!table_[line].received) {
        table_[line].received = true;
        ++received_count_;
    }
    return true;
}

void CrawlerTaskReadFrame::take_datagrams()
{
    for (;;) {
        const std::size_t n = link_.receive(datagram_.data(), datagram_.size());
        if (n == 0)
            return;
        take_line(datagram_.data(), n);
    }
}

void CrawlerTaskReadFrame::step_at(clock::time_point now)
{
    if (!running_) {
        if (!start_requested_)
            return;
        begin(now);
    }
    if (!shared_)
        take_datagrams();

    LineAllowance& pace = shared_ ? *shared_ : own_allowance_;
    const long long allowance = pace.available(now);
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
            else
                ++requested_count_;
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
    pace.spend(count);
    std::array<std::uint8_t, 3 + 2 * max_lines_per_request> rq{};
    rq[0] = 0x2F;
    rq[1] = frame_;
    rq[2] = 0;
    for (unsigned i = 0; i < count; ++i)
        bytes::put_be16(&rq[3 + 2 * i], picked[i]);
    link_.send(rq.data(), 3 + 2 * std::size_t(count));
}

} // namespace orvex::crawler
