// A motor board stand-in on loopback for the core tests: it echoes every
// opcode, answers 0xA0 and 0xAF from counters the test sets, and keeps every
// request it received. Runs a thread of its own.
#pragma once

#include "link/byte_order.h"

#include <boost/asio/ip/udp.hpp>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace orvex::test {

class fake_board {
public:
    fake_board() : socket_(io_, boost::asio::ip::udp::endpoint(boost::asio::ip::address_v4::loopback(), 0))
    {
        socket_.non_blocking(true);
        thread_ = std::thread([this] { serve(); });
    }
    ~fake_board()
    {
        running_ = false;
        thread_.join();
    }
    std::uint16_t port() const { return socket_.local_endpoint().port(); }

    void set_motor(int i, std::int32_t steps)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        motor_[std::size_t(i)] = steps;
    }
    void set_moving(int i, bool on)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        moving_[std::size_t(i)] = on;
    }
    void set_silent(bool on) { silent_ = on; }
    /// Extended-state replies wait until send_held_extended().
    void hold_extended(bool on) { hold_extended_ = on; }
    void send_held_extended()
    {
        std::vector<std::uint8_t> out;
        boost::asio::ip::udp::endpoint to;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            out = held_;
            to = held_to_;
        }
        boost::system::error_code ec;
        socket_.send_to(boost::asio::buffer(out), to, 0, ec);
    }
    std::vector<std::vector<std::uint8_t>> requests()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return log_;
    }

private:
    void serve()
    {
        std::uint8_t in[64];
        while (running_) {
            boost::asio::ip::udp::endpoint from;
            boost::system::error_code ec;
            const std::size_t n = socket_.receive_from(boost::asio::buffer(in), from, 0, ec);
            if (ec || n == 0) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                continue;
            }
            std::vector<std::uint8_t> out;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                log_.emplace_back(in, in + n);
                if (in[0] == 0xA0) {
                    out.assign(30, 0);
                    out[0] = 0xA0;
                    for (int i = 0; i < 3; ++i)
                        bytes::put_be32(&out[18 + 4 * std::size_t(i)], std::uint32_t(motor_[std::size_t(i)]));
                } else if (in[0] == 0xAF) {
                    out.assign(48, 0);
                    out[0] = 0xAF;
                    for (std::size_t i = 0; i < 3; ++i) {
                        out[6 + 5 * i] = moving_[i] ? 1 : 0;
                        bytes::put_be32(&out[7 + 5 * i], std::uint32_t(motor_[i]));
                    }
                    if (hold_extended_) {
                        held_ = out;
                        held_to_ = from;
                        out.clear();
                    }
                } else if (in[0] != 0xA2) {
                    out.assign(1, in[0]);
                }
            }
            if (!silent_ && !out.empty())
                socket_.send_to(boost::asio::buffer(out), from, 0, ec);
        }
    }

    boost::asio::io_context io_;
    boost::asio::ip::udp::socket socket_;
    std::thread thread_;
    std::atomic<bool> running_{true};
    std::atomic<bool> silent_{false};
    std::atomic<bool> hold_extended_{false};
    std::vector<std::uint8_t> held_;
    boost::asio::ip::udp::endpoint held_to_;
    std::mutex mutex_;
    std::array<std::int32_t, 3> motor_{};
    std::array<bool, 3> moving_{};
    std::vector<std::vector<std::uint8_t>> log_;
};

} // namespace orvex::test
