// A simulated motor board: three channels, each a stepper motor with an
// encoder and a reference mark, moving at a fixed speed towards the position
// last commanded. The calibration rig's control board is one; a device with
// board code 0x50 answers its command set (0xA0..0xAF).
//
// The mechanics are in millimetres from where the channel stood at start
// (the physical position); the counters are the physical position times the
// channel's steps or counts per millimetre plus an offset that the set-position
// request changes. A move runs until the motor's step counter reaches the
// commanded count, at `speed` mm/s, and stops at the travel limits. A
// stalled channel accepts moves but never turns. The emergency stop halts
// every channel where it is and refuses moves until released.
//
// Not synchronised: its owner (the device model) locks around every call.
#pragma once

#include "device_model.h"

#include <array>
#include <chrono>
#include <cstdint>

namespace orvex::sim {

struct rig_config {
    double speed = 10.0;                                     // mm/s
    int stall = 0;                                           // channel 1..3 that never moves; 0 none
    double travel = 500.0;                                   // the channels move within +-travel mm
    std::array<double, 3> steps{1000.0, 1000.0, 1000.0};     // motor steps per mm
    std::array<double, 3> counts{-5000.0, -5000.0, -5000.0}; // encoder counts per mm
};

class motor_board {
public:
    using clock = std::chrono::steady_clock;

    motor_board(rig_config cfg, clock::time_point start);

    /// Answers one request of the command set; true when the code is one of
    /// the board's (0xA0..0xAF), whether or not it was well formed.
    bool serve(const request& rq, clock::time_point now, reply_list& out);

    /// State datagrams due on the board's stream (0xA2), every 10 ms.
    bool stream_due(clock::time_point now, datagram& out, std::uint32_t& address, std::uint16_t& port);

    /// Physical position of channel 0..2 in millimetres.
    double physical(int ch, clock::time_point now);
    /// The motor step counter over steps per mm: the position the program reads.
    double motor_position(int ch, clock::time_point now);
    /// True while some channel runs.
    bool moving(clock::time_point now);

private:
    struct channel {
        double pos = 0.0;    // mm, at `since`
        double target = 0.0; // mm where the motor stops
        std::int64_t target_steps = 0;
        bool running = false;
        clock::time_point since{};
        std::int64_t motor_offset = 0;
        std::int64_t encoder_offset = 0;
        bool mark_valid = false;
        std::int32_t mark_counter = 0;
    };
    void advance(clock::time_point now);
    std::int32_t motor_counter(int ch) const;
    std::int32_t encoder_counter(int ch) const;
    datagram state_reply(clock::time_point now);
    datagram extended_reply(clock::time_point now);

    rig_config cfg_;
    clock::time_point start_;
    std::array<channel, 3> ch_{};
    bool stopped_ = false;
    std::uint8_t outputs_ = 0;
    bool streaming_ = false;
    std::uint32_t stream_address_ = 0;
    std::uint16_t stream_port_ = 0;
    clock::time_point next_stream_{};
};

} // namespace orvex::sim
