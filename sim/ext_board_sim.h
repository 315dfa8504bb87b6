// The extension boards a simulated sensor may carry (key board=XX), apart
// from the motor board 0x50, which is motor_board. Each answers its type's
// board commands (0xA0..0xAB) over the sensor's own link; an opcode the type
// does not know gets no reply, as a real board would. The parameter areas
// (0x8A..0x8D) are the sensor model's, common to every type.
//
//   0x0F outputs:     A0 + 4 bytes sets the outputs; A5 answers them (4 bytes)
//   0x10 ELIS:        A0 reset, A1 initialise, A4 + 2 bytes manual output value
//   0x30 stepper:     A0 + s32 steps (relative target), A3 + 5-byte speed,
//                     A4 + 4-byte acceleration, A5 + 1 run / 0 stop,
//                     A2 answers the position (s32 steps); the motor runs to
//                     its target at the speed word * 10^6 / 2^32 steps/s
//   0x40 LED driver:  A1 + 1 byte switches the LEDs (0 off)
//   0x51 tube board:  A0 + mask + 3 x u16 widths (the encoder of a channel
//                     counts width per second), A4 resets the marks, A5
//                     answers the 26-byte state (time us, marks, 3 encoders
//                     s32, 2 angles s16 in 1/100 degree)
//   0x81 thermostat:  A0 answers the temperature (s16, 1/256 degC, drifting
//                     slowly around 25 degC), A1 starts a conversion, A2 / A3
//                     read / write the 6-byte configuration, A4 / A5 tests,
//                     AA / AB reset the encoder and its synchronisation
//   0x82 welding:     parameter area only
//
// Not synchronised: its owner (the sensor model) locks around every call.
#pragma once

#include "device_model.h"

#include <array>
#include <chrono>
#include <cstdint>

namespace orvex::sim {

class ext_board_sim {
public:
    using clock = std::chrono::steady_clock;

    /// True for the types this class simulates.
    static bool simulates(std::uint8_t type);

    ext_board_sim(std::uint8_t type, clock::time_point start);

    /// Answers one board command; nothing for an opcode the type does not know
    /// or a request too short for it.
    void serve(const request& rq, clock::time_point now, reply_list& out);

    /// Readings for tests: outputs (0x0F), LED level (0x40), stepper position.
    std::array<std::uint8_t, 4> outputs() const { return outputs_; }
    std::uint8_t led_level() const { return led_; }
    std::int64_t stepper_position(clock::time_point now);
    /// Degrees Celsius at `now`.
    double temperature(clock::time_point now) const;

private:
    void advance(clock::time_point now);

    std::uint8_t type_;
    clock::time_point start_;
    clock::time_point last_{};
    std::array<std::uint8_t, 4> outputs_{};
    std::uint8_t led_ = 0;
    std::uint16_t analog_ = 0;
    // stepper
    double position_ = 0.0, target_ = 0.0, speed_ = 0.0;
    bool running_ = false;
    // tube board
    std::array<std::uint16_t, 3> widths_{};
    std::array<double, 3> encoders_{};
    std::uint8_t marks_ = 0;
    // thermostat
    std::array<std::uint8_t, 6> config_{0x60, 0x1E, 0x00, 0x0A, 0x00, 0x00}; // 12 bits, 30 / 10 degC
};

} // namespace orvex::sim
