// A rate meter for events that arrive in bursts (frames, profiles).
//
// Counts events and, when read at least one window (1 s) after its start,
// computes events per second over the time that passed, then starts over.
// Between updates it keeps answering the last rate, so a display that reads
// it every tick changes at most once per second.
#pragma once

#include <chrono>

namespace orvex::k7 {

class rate_clock {
public:
    using clock = std::chrono::steady_clock;

    explicit rate_clock(clock::time_point start = clock::now()) : start_(start) {}

    void count(unsigned events) { counter_ += events; }

    /// Events per second; 0 until the first window has passed, -1 when no
    /// time has passed at all (a zero window).
    double read(clock::time_point now = clock::now())
    {
        const auto elapsed = now - start_;
        if (elapsed < window_)
            return last_;
        const double ms = std::chrono::duration<double, std::milli>(elapsed).count();
        last_ = ms > 0 ? counter_ * 1000.0 / ms : -1.0;
        start_ = now;
        counter_ = 0;
        return last_;
    }

    void set_window(clock::duration window) { window_ = window; }

private:
    clock::time_point start_;
    clock::duration window_ = std::chrono::milliseconds(1000);
    unsigned long counter_ = 0;
    double last_ = 0.0;
};

} // namespace orvex::k7
