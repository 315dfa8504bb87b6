// calibration_rig: what the calibration procedures stand on, without widgets.
//
// It keeps the rig's shared state: the board's last state (through its
// ExtBoard), the two-phase state poll, the last-answer time, the current
// profile of each sensor channel with its position stamp and reception time,
// and the procedure target position every received profile is stamped with.
// On top of it the two waiting primitives of the procedures: move-and-wait
// and wait-for-profile, both yielding to the caller's timer instead of
// blocking.
//
// Time comes from a settable clock, so tests drive every time-out with a fake
// one. Positions are in the board's unit (millimetres on the rig); the X
// actuator is channel index 0, Y index 1.
#pragma once

#include "calibr/ext_board.h"
#include "calibr/procedure_runner.h"
#include "link/acquisition_engine.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <functional>

namespace orvex::calibr {

constexpr std::size_t calibration_points = 1024;

/// The newest calibration profile of one sensor channel: line positions in
/// pixels (negative: no line at that point).
struct rig_profile {
    std::array<double, calibration_points> values{};
    double position = 0.0;
    k7::ExtBoard::clock::time_point received{};
};

/// When the engine's current profile was measured, as far as the rig needs
/// it: a polled profile counts from its measurement request, since a read that
/// had to be repeated brings a measurement taken before it arrived (perhaps
/// before the actuator's last move); a streamed profile counts from `now`.
k7::ExtBoard::clock::time_point measured_time(const k7::acquisition_engine& engine,
                                              k7::ExtBoard::clock::time_point now);

class calibration_rig {
public:
    using clock = k7::ExtBoard::clock;
    using yield_type = procedure_runner::yield_type;

    enum class poll_event { none, answered, timed_out };

    explicit calibration_rig(k7::ExtBoard& board);

    k7::ExtBoard& board() { return board_; }

    void set_clock(std::function<clock::time_point()> now);
    clock::time_point now() const { return now_(); }

    /// One step of the state poll (call it on every tick while the board is
    /// connected): phase 0 asks once 20 ms have passed, phase 1 collects the
    /// 30-byte reply or gives up after 300 ms.
    poll_event poll();
    /// Restarts the poll as if nothing had been asked (after a new connection).
    void reset_poll();

    /// The motor position of channel index i from the last state read.
    double position(int i) const { return board_.state().motor_position[std::size_t(i)]; }

    /// The position the procedures last commanded; profiles are stamped with it.
    double target_position = 0.0;
    /// Whether a second sensor is connected (wait-for-profile waits for both).
    std::function<bool()> second_sensor = [] { return false; };

    /// Profile intake for channel 0 or 1. Channel 0 ignores a profile of any
    /// other length than 1024 (false); channel 1 throws for fewer points.
    /// The profile counts as received at `measured` when given (see
    /// measured_time), else now.
    bool take_profile(int channel, const double* values, std::size_t n);
    bool take_profile(int channel, const double* values, std::size_t n, clock::time_point measured);
    const rig_profile& profile(int channel) const { return profiles_[std::size_t(channel)]; }

    /// Moves channel index i to `target` and yields until the position
    /// reaches it within the channel's tolerance. False when the move request
    /// fails; throws "Нет ответа от платы управления." when the board stays
    /// silent for over 1 s, "Актюатор не перемещается." when the position
    /// stands still for over 3 s.
    bool move_and_wait(yield_type& yield, double target, int i);
    /// Yields until a state reply arrives that the board sent after this call
    /// (after a set-position, so that positions read afterwards count from
    /// the new origin); throws "Нет ответа от платы управления." after 1 s.
    void wait_for_state(yield_type& yield);
    /// Yields until both channels in use hold a profile received at least
    /// 200 ms after the call; throws "Не получен результат измерения с
    /// датчика" after timeout_ms.
    void wait_for_profile(yield_type& yield, int timeout_ms);

    /// Time spent inside wait_for_profile since construction (for figures).
    clock::duration profile_wait_total() const { return profile_wait_total_; }

    static double tolerance(int i);

private:
    k7::ExtBoard& board_;
    std::function<clock::time_point()> now_ = [] { return clock::now(); };
    int poll_phase_ = 0;
    clock::time_point poll_time_{};
    clock::time_point last_answer_{};
    std::array<rig_profile, 2> profiles_{};
    clock::duration profile_wait_total_{};
};

} // namespace orvex::calibr
