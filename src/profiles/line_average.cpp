#include "profiles/line_average.h"

#include <cmath>
#include <stdexcept>

namespace orvex::math {

namespace {
constexpr std::ptrdiff_t reach = 10; // neighbours on each side
constexpr double tolerance = 5.0;    // largest difference that still agrees
constexpr int needed = 15;           // agreeing positions out of 20
} // namespace

double line_average(const double* v, std::size_t n)
{
    double sum = 0;
    std::size_t kept = 0;
    const auto size = static_cast<std::ptrdiff_t>(n);
    for (std::ptrdiff_t i = 0; i < size; ++i) {
        if (!(v[i] >= 0)) // negative or NaN
            continue;
        int agree = 0;
        for (std::ptrdiff_t j = i - reach; j <= i + reach; ++j) {
            if (j == i)
                continue;
            if (j < 0 || j >= size || std::fabs(v[j] - v[i]) <= tolerance)
                ++agree;
        }
        if (agree >= needed) {
            sum += v[i];
            ++kept;
        }
    }
    if (kept == 0)
        throw std::runtime_error("Все точки линии вне диапазона");
    return sum / static_cast<double>(kept);
}

} // namespace orvex::math
