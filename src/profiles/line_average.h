// Robust mean of a line of measured values, used by the calibration
// procedures on lines of a table or a profile.
//
// A point counts only when it is not negative and agrees (within 5 units)
// with most of its 20 neighbour positions i-10..i+10; positions beyond the
// line's ends count as agreeing, so short lines are kept whole. The result is
// the mean of the points that count.
#pragma once

#include <cstddef>
#include <vector>

namespace orvex::math {

/// Throws std::runtime_error "Все точки линии вне диапазона" when the line is
/// empty or no point counts.
double line_average(const double* values, std::size_t n);
inline double line_average(const std::vector<double>& values)
{
    return line_average(values.data(), values.size());
}

} // namespace orvex::math
