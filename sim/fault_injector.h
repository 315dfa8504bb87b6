// Fault injection for replies: loss, duplication and delay, reproducible from
// a seed. Used only on the service thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>

namespace orvex::sim {

class fault_injector {
public:
    /// loss and dup are probabilities 0..1; delay_ms >= 0.
    fault_injector(double loss, double dup, int delay_ms, std::uint32_t seed)
        : loss_(loss),
          dup_(dup),
          delay_(delay_ms),
          rng_(seed)
    {}

    /// How many copies of the next reply to send: 0 (lost), 1, or 2 (duplicated).
    unsigned copies()
    {
        if (loss_ > 0.0 && unit_(rng_) < loss_)
            return 0;
        if (dup_ > 0.0 && unit_(rng_) < dup_)
            return 2;
        return 1;
    }

    std::chrono::milliseconds delay() const { return delay_; }

private:
    double loss_;
    double dup_;
    std::chrono::milliseconds delay_;
    std::mt19937 rng_;
    std::uniform_real_distribution<double> unit_{0.0, 1.0};
};

} // namespace orvex::sim
