#include "calibr/calibration_rig.h"

#include <cmath>
#include <stdexcept>

namespace orvex::calibr {
namespace {

using ms = std::chrono::milliseconds;

} // namespace

calibration_rig::calibration_rig(k7::ExtBoard& board) : board_(board)
{
    reset_poll();
}

void calibration_rig::set_clock(std::function<clock::time_point()> now)
{
    now_ = std::move(now);
    board_.set_clock(now_);
    reset_poll();
}

void calibration_rig::reset_poll()
{
    poll_phase_ = 0;
    // The first poll asks at once, and a move right after a connection does
    // not count the time before it as silence.
    poll_time_ = now_() - ms(1000);
    last_answer_ = now_();
}

calibration_rig::poll_event calibration_rig::poll()
{
    const auto t = now_();
    if (poll_phase_ == 0) {
        if (t - poll_time_ < ms(20))
            return poll_event::none;
        board_.request_state();
        poll_time_ = t;
        poll_phase_ = 1;
        return poll_event::none;
    }
    if (board_.collect_state()) {
        last_answer_ = t;
        poll_phase_ = 0;
        return poll_event::answered;
    }
    if (t - poll_time_ >= ms(300)) {
        poll_phase_ = 0;
        return poll_event::timed_out;
    }
    return poll_event::none;
}

k7::ExtBoard::clock::time_point measured_time(const k7::acquisition_engine& engine,
                                              k7::ExtBoard::clock::time_point now)
{
    const std::int64_t ns = engine.profile().request_time_ns;
    if (engine.profile_stream() || !engine.profile_poll() || ns <= 0)
        return now;
    return k7::ExtBoard::clock::time_point(std::chrono::nanoseconds(ns));
}

bool calibration_rig::take_profile(int channel, const double* values, std::size_t n)
{
    return take_profile(channel, values, n, now_());
}

bool calibration_rig::take_profile(int channel, const double* values, std::size_t n,
                                   clock::time_point measured)
{
    if (channel == 0 && n != calibration_points)
        return false;
    if (channel == 1 && n < calibration_points)
        throw std::runtime_error("less than 1024 data points passed to function datagram_qz3p_shadow");
    rig_profile& p = profiles_[std::size_t(channel)];
    std::copy(values, values + calibration_points, p.values.begin());
    p.position = target_position;
    p.received = measured;
    return true;
}

double calibration_rig::tolerance(int i)
{
    static const double base[3] = {0.001, 0.0005, 0.0};
    return base[i] + 2.220446049250313e-16;
}

bool calibration_rig::move_and_wait(yield_type& yield, double target, int i)
{
    if (!board_.move(i, target))
        return false;
    const double tol = tolerance(i);
    double last = position(i);
    auto still_since = now_();
    for (;;) {
        yield();
        const auto t = now_();
        if (t - last_answer_ > ms(1000))
            throw std::runtime_error("Нет ответа от платы управления.");
        const double current = position(i);
        if (std::fabs(target - current) <= tol)
            return true;
        if (std::fabs(last - current) > tol) {
            last = current;
            still_since = t;
        }
        if (t - still_since > ms(3000))
            throw std::runtime_error("Актюатор не перемещается.");
    }
}

void calibration_rig::wait_for_state(yield_type& yield)
{
    // A reply the board produced before a transaction that preceded this
    // call was consumed by that transaction, so any answer after now is fresh.
    const auto start = now_();
    for (;;) {
        yield();
        if (last_answer_ > start)
            return;
        if (now_() - start > ms(1000))
            throw std::runtime_error("Нет ответа от платы управления.");
    }
}

void calibration_rig::wait_for_profile(yield_type& yield, int timeout_ms)
{
    const auto start = now_();
    const auto threshold = start + ms(200);
    struct account {
        calibration_rig& rig;
        clock::time_point start;
        ~account() { rig.profile_wait_total_ += rig.now_() - start; }
    } guard{*this, start};
    for (;;) {
        if (now_() - start > ms(timeout_ms))
            throw std::runtime_error("Не получен результат измерения с датчика");
        yield();
        if (profiles_[0].received < threshold)
            continue;
        if (second_sensor() && profiles_[1].received < threshold)
            continue;
        return;
    }
}

} // namespace orvex::calibr
