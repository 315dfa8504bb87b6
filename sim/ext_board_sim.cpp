#include "ext_board_sim.h"

#include "link/byte_order.h"

#include <algorithm>
#include <cmath>

namespace orvex::sim {

bool ext_board_sim::simulates(std::uint8_t type)
{
    switch (type) {
    case 0x0F:
    case 0x10:
    case 0x30:
    case 0x40:
    case 0x51:
    case 0x81:
    case 0x82:
        return true;
    default:
        return false;
    }
}

ext_board_sim::ext_board_sim(std::uint8_t type, clock::time_point start)
    : type_(type),
      start_(start),
      last_(start)
{}

void ext_board_sim::advance(clock::time_point now)
{
    const double dt = std::chrono::duration<double>(now - last_).count();
    last_ = now;
    if (dt <= 0)
        return;
    if (running_ && speed_ > 0) {
        const double step = speed_ * dt;
        if (std::abs(target_ - position_) <= step)
            position_ = target_;
        else
            position_ += target_ > position_ ? step : -step;
    }
    for (std::size_t i = 0; i < 3; ++i)
        encoders_[i] += widths_[i] * dt;
}

std::int64_t ext_board_sim::stepper_position(clock::time_point now)
{
    advance(now);
    return static_cast<std::int64_t>(std::llround(position_));
}

double ext_board_sim::temperature(clock::time_point now) const
{
    const double t = std::chrono::duration<double>(now - start_).count();
    return 25.0 + 1.5 * std::sin(t / 20.0);
}

void ext_board_sim::serve(const request& rq, clock::time_point now, reply_list& out)
{
    advance(now);
    const std::uint8_t code = rq.code();
    const std::size_t n = rq.size - 1; // payload bytes
    const std::uint8_t* p = rq.data + 1;
    auto echo = [&] { out.push_back({code}); };
    switch (type_) {
    case 0x0F:
        if (code == 0xA0 && n >= 4) {
            std::copy_n(p, 4, outputs_.begin());
            echo();
        } else if (code == 0xA5) {
            out.push_back({code, outputs_[0], outputs_[1], outputs_[2], outputs_[3]});
        }
        break;
    case 0x10:
        if (code == 0xA0 || code == 0xA1) {
            echo();
        } else if (code == 0xA4 && n >= 2) {
            analog_ = bytes::get_be16(p);
            echo();
        }
        break;
    case 0x30:
        if (code == 0xA0 && n >= 4) {
            target_ = position_ + static_cast<std::int32_t>(bytes::get_be32(p));
            echo();
        } else if (code == 0xA3 && n >= 5) {
            std::uint64_t w = 0;
            for (std::size_t i = 0; i < 5; ++i)
                w = (w << 8) | p[i];
            speed_ = std::ldexp(double(w), -32) * 1e6;
            echo();
        } else if (code == 0xA4 && n >= 4) {
            echo();
        } else if (code == 0xA5 && n >= 1) {
            running_ = p[0] != 0;
            echo();
        } else if (code == 0xA2) {
            datagram d(5);
            d[0] = code;
            bytes::put_be32(&d[1],
                            static_cast<std::uint32_t>(static_cast<std::int32_t>(std::llround(position_))));
            out.push_back(std::move(d));
        }
        break;
    case 0x40:
        if (code == 0xA1 && n >= 1) {
            led_ = p[0];
            echo();
        }
        break;
    case 0x51:
        if (code == 0xA0 && n >= 7) {
            for (std::size_t i = 0; i < 3; ++i)
                if (p[0] & (1u << i))
                    widths_[i] = bytes::get_be16(p + 1 + 2 * i);
            echo();
        } else if (code == 0xA4) {
            marks_ = 0;
            echo();
        } else if (code == 0xA5) {
            datagram d(27, 0);
            d[0] = code;
            const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now - start_).count();
            bytes::put_be32(&d[1], static_cast<std::uint32_t>(us));
            d[5] = marks_;
            for (std::size_t i = 0; i < 3; ++i)
                bytes::put_be32(&d[6 + 4 * i],
                                static_cast<std::uint32_t>(static_cast<std::int32_t>(encoders_[i])));
            for (std::size_t i = 0; i < 2; ++i) {
                const double deg = std::fmod(encoders_[i] / 100.0, 360.0);
                bytes::put_be16(&d[18 + 2 * i],
                                static_cast<std::uint16_t>(static_cast<std::int16_t>(deg * 100)));
            }
            out.push_back(std::move(d));
        }
        break;
    case 0x81:
        if (code == 0xA0) {
            const auto w = static_cast<std::int16_t>(std::lround(temperature(now) * 256.0));
            datagram d(3);
            d[0] = code;
            bytes::put_be16(&d[1], static_cast<std::uint16_t>(w));
            out.push_back(std::move(d));
        } else if (code == 0xA2) {
            datagram d(7);
            d[0] = code;
            std::copy(config_.begin(), config_.end(), d.begin() + 1);
            out.push_back(std::move(d));
        } else if (code == 0xA3 && n >= 6) {
            std::copy_n(p, 6, config_.begin());
            echo();
        } else if (code == 0xA1 || code == 0xA4 || code == 0xA5 || code == 0xAA || code == 0xAB) {
            echo();
        }
        break;
    default:
        break;
    }
}

} // namespace orvex::sim
