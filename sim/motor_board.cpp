#include "motor_board.h"

#include "link/byte_order.h"

#include <algorithm>
#include <cmath>

namespace orvex::sim {
namespace {

constexpr double mark_mm = 1.0; // the reference mark of every channel, physical mm

std::int64_t round_steps(double v)
{
    return std::llround(v);
}

} // namespace

motor_board::motor_board(rig_config cfg, clock::time_point start) : cfg_(cfg), start_(start)
{
    for (auto& c : ch_)
        c.since = start;
}

void motor_board::advance(clock::time_point now)
{
    for (std::size_t i = 0; i < 3; ++i) {
        channel& c = ch_[i];
        if (!c.running) {
            c.since = now;
            continue;
        }
        const double dt = std::chrono::duration<double>(now - c.since).count();
        const double way = c.target - c.pos;
        const double step = cfg_.speed * dt;
        const double before = c.pos;
        if (std::fabs(way) <= step) {
            c.pos = c.target;
            c.running = false;
        } else {
            c.pos += way > 0 ? step : -step;
        }
        c.since = now;
        if (!c.mark_valid && (before - mark_mm) * (c.pos - mark_mm) <= 0.0 && before != c.pos) {
            c.mark_valid = true;
            c.mark_counter = std::int32_t(round_steps(mark_mm * cfg_.counts[i]) + c.encoder_offset);
        }
    }
}

std::int32_t motor_board::motor_counter(int i) const
{
    const channel& c = ch_[std::size_t(i)];
    // A motor that has reached its target stands exactly on the commanded count.
    if (!c.running && c.pos == c.target && std::fabs(c.target) < cfg_.travel)
        return std::int32_t(c.target_steps);
    return std::int32_t(round_steps(c.pos * cfg_.steps[std::size_t(i)]) + c.motor_offset);
}

std::int32_t motor_board::encoder_counter(int i) const
{
    const channel& c = ch_[std::size_t(i)];
    return std::int32_t(round_steps(c.pos * cfg_.counts[std::size_t(i)]) + c.encoder_offset);
}

double motor_board::physical(int i, clock::time_point now)
{
    advance(now);
    return ch_[std::size_t(i)].pos;
}

double motor_board::motor_position(int i, clock::time_point now)
{
    advance(now);
    return motor_counter(i) / cfg_.steps[std::size_t(i)];
}

bool motor_board::moving(clock::time_point now)
{
    advance(now);
    return ch_[0].running || ch_[1].running || ch_[2].running;
}

datagram motor_board::state_reply(clock::time_point now)
{
    datagram d(30, 0);
    d[0] = 0xA0;
    bytes::put_be32(
        &d[1], std::uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now - start_).count()));
    d[5] = std::uint8_t((stopped_ ? 1 : 0) | (outputs_ << 1));
    for (int i = 0; i < 3; ++i) {
        bytes::put_be32(&d[6 + 4 * std::size_t(i)], std::uint32_t(encoder_counter(i)));
        bytes::put_be32(&d[18 + 4 * std::size_t(i)], std::uint32_t(motor_counter(i)));
    }
    return d;
}

datagram motor_board::extended_reply(clock::time_point now)
{
    datagram d(48, 0);
    d[0] = 0xAF;
    bytes::put_be32(
        &d[1], std::uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now - start_).count()));
    d[5] = std::uint8_t((stopped_ ? 1 : 0) | (outputs_ << 1));
    for (std::size_t i = 0; i < 3; ++i) {
        d[6 + 5 * i] = ch_[i].running ? 1 : 0;
        bytes::put_be32(&d[7 + 5 * i], std::uint32_t(motor_counter(int(i))));
        std::uint8_t* e = &d[21 + 9 * i];
        bytes::put_be32(e, std::uint32_t(encoder_counter(int(i))));
        e[4] = ch_[i].mark_valid ? 1 : 0;
        bytes::put_be32(e + 5, std::uint32_t(ch_[i].mark_counter));
    }
    return d;
}

bool motor_board::serve(const request& rq, clock::time_point now, reply_list& out)
{
    const std::uint8_t code = rq.code();
    if (code < 0xA0 || code > 0xAF)
        return false;
    advance(now);
    switch (code) {
    case 0xA0:
        if (rq.size == 1)
            out.push_back(state_reply(now));
        break;
    case 0xAF:
        if (rq.size == 1)
            out.push_back(extended_reply(now));
        break;
    case 0xA1: {
        if (rq.size != 11)
            break;
        // Two (mask, value) pairs; bits 2..4 load motor counters, 5..7 encoder counters.
        for (std::size_t k = 0; k < 2; ++k) {
            const std::uint8_t mask = rq.at(1 + 5 * k);
            const auto value = std::int32_t(bytes::get_be32(rq.data + 2 + 5 * k));
            for (std::size_t i = 0; i < 3; ++i) {
                channel& c = ch_[i];
                if (mask & (4u << i)) {
                    const std::int64_t old = c.motor_offset;
                    c.motor_offset = value - round_steps(c.pos * cfg_.steps[i]);
                    c.target_steps += c.motor_offset - old;
                    if (!c.running)
                        c.target_steps = value;
                }
                if (mask & (32u << i))
                    c.encoder_offset = value - round_steps(c.pos * cfg_.counts[i]);
            }
        }
        out.push_back({code});
        break;
    }
    case 0xA2:
        if (rq.size == 2) {
            streaming_ = rq.at(1) != 0;
            stream_address_ = rq.peer_address;
            stream_port_ = rq.peer_port;
            next_stream_ = now;
        }
        break;
    case 0xA3:
        if (rq.size == 2) {
            outputs_ = rq.at(1) & 3;
            out.push_back({code});
        }
        break;
    case 0xA4:
        if (rq.size == 2 && rq.at(1) == 0xE0) {
            for (auto& c : ch_)
                c.mark_valid = false;
            out.push_back({code});
        }
        break;
    case 0xA6:
    case 0xA7:
    case 0xA8: {
        if (rq.size != 5)
            break;
        const std::size_t i = code - 0xA6u;
        channel& c = ch_[i];
        const auto steps = std::int32_t(bytes::get_be32(rq.data + 1));
        out.push_back({code});
        if (stopped_ || cfg_.stall == int(i) + 1)
            break;
        c.target_steps = steps;
        c.target = double(steps - c.motor_offset) / cfg_.steps[i];
        c.target = std::clamp(c.target, -cfg_.travel, cfg_.travel);
        c.running = c.target != c.pos;
        c.since = now;
        break;
    }
    case 0xAD:
        if (rq.size == 2) {
            stopped_ = rq.at(1) != 0;
            if (stopped_)
                for (auto& c : ch_) {
                    c.target = c.pos;
                    c.running = false;
                    c.target_steps =
                        round_steps(c.pos * cfg_.steps[std::size_t(&c - ch_.data())]) + c.motor_offset;
                }
            out.push_back({code});
        }
        break;
    default:
        break; // 0xA5, 0xA9..0xAC: not the board's
    }
    return true;
}

bool motor_board::stream_due(clock::time_point now, datagram& out, std::uint32_t& address,
                             std::uint16_t& port)
{
    if (!streaming_ || now < next_stream_)
        return false;
    advance(now);
    next_stream_ = now + std::chrono::milliseconds(10);
    out = state_reply(now);
    address = stream_address_;
    port = stream_port_;
    return true;
}

} // namespace orvex::sim
