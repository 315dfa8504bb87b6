// ExtBoard: the command object of a motor board with up to three channels,
// each a stepper motor with an encoder. The calibration rig's control board is
// one; a motor extension board behind a sensor is driven the same way over the
// sensor's link.
//
// Positions are in the unit the six coefficients define (motor steps and
// encoder counts per millimetre). Requests are big-endian; a position becomes
// a 32-bit count by rounding halves away from zero and keeping the low 32 bits.
// The two state reads are sent without waiting and collected later, so a
// caller polling from a timer never blocks on them.
//
// Stale replies: a move records its time and marks the channel moving in the
// extended record; an extended reply changes a channel's moving flag only
// when its request went out after that channel's last move, so an answer
// that was already on its way cannot report a fresh move as finished.
#pragma once

#include "calibr/ext_board_data.h"
#include "link/udp_link.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace orvex::k7 {

class ExtBoard {
public:
    using clock = std::chrono::steady_clock;
    using poll_callback = std::function<void(bool success, const ExtBoardData&)>;

    /// Drives the board over `link`, which the caller keeps alive and open.
    explicit ExtBoard(udp_link& link);
    /// Without a link: the board opens and owns one (open_own_link()).
    ExtBoard();
    ExtBoard(const ExtBoard&) = delete;
    ExtBoard& operator=(const ExtBoard&) = delete;

    /// Only for a board without a given link: opens its own link to address:port.
    void open_own_link(const std::string& address, std::uint16_t port);
    udp_link& link() { return *link_; }

    ExtBoardCoefficients& coefficients() { return coef_; }
    const ExtBoardCoefficients& coefficients() const { return coef_; }
    void set_coefficients(const ExtBoardCoefficients& c) { coef_ = c; }

    /// Short state read (0xA0) in two halves: the request goes out without
    /// waiting (queued datagrams are discarded first); collect takes a waiting
    /// 30-byte reply, if any, into state().
    bool request_state();
    bool collect_state();
    /// Extended state read (0xAF), the same way; the reply fills extended_state().
    bool request_extended_state();
    bool collect_extended_state();

    /// Transactions; true when the board echoed the opcode.
    bool set_position(int index, double position);
    bool move(int index, double position);
    bool user_outputs(bool out1, bool out2);
    bool reset_marks();
    /// true: emergency stop; false: release.
    bool emergency_stop(bool stop);
    /// Sent without waiting (no reply); while on the board streams 0xA0 replies.
    bool stream(bool on);

    const ExtBoardData& state() const { return state_; }
    const ExtBoardData& extended_state() const { return extended_; }

    void set_poll_callback(poll_callback cb) { poll_callback_ = std::move(cb); }
    const poll_callback& callback() const { return poll_callback_; }

    /// Time source; tests replace it.
    void set_clock(std::function<clock::time_point()> now) { now_ = std::move(now); }

private:
    bool transact(std::size_t send_len);
    bool take_exact(std::size_t size, std::uint8_t code);
    static void check_index(int index);

    std::unique_ptr<udp_link> own_link_;
    udp_link* link_;
    ExtBoardCoefficients coef_;
    std::array<std::uint8_t, 64> buffer_{};
    std::array<clock::time_point, 3> move_time_{};
    clock::time_point extended_request_time_{};
    ExtBoardData state_;
    ExtBoardData extended_;
    poll_callback poll_callback_;
    std::function<clock::time_point()> now_ = [] { return clock::now(); };
};

} // namespace orvex::k7
