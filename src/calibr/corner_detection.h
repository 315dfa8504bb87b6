// Corner detection: finds where two straight stretches of the laser line meet
// in one sensor's raw calibration profile (a corner piece, the tips of
// teeth).
//
// The line is split at its local extremes (each with a dead time of 19
// points and a margin of 10 points either side), the stretches between them
// are trimmed at the ends of the line, the first stretch is dropped when it
// runs the wrong way for the channel (so that pairs meet at the tips facing
// the sensor), and every pair of neighbouring stretches gives the
// intersection of their fitted lines. Coordinates are those of the profile:
// x the line position in pixels, y the point index.
#pragma once

#include <cstddef>
#include <vector>

namespace orvex::calibr {

/// A found corner and, for the Y calibration, two fields it fills: `third`
/// (the X position of the rig) and `value` (the Y value written to the result
/// file).
struct corner_entry {
    double x = 0.0; // pixels
    double y = 0.0; // profile point index
    double third = 0.0;
    double value = 0.0;
};

struct corner_point {
    double x = 0.0;
    double y = 0.0;
};

/// Line a*x + b*y + c = 0.
struct corner_line {
    double a = 0.0, b = 0.0, c = 0.0;
};

/// Value both coordinates take when the two fitted lines are parallel.
constexpr double parallel_corner = 1.7976931348623157e308;

/// What one run found, with the intermediate points the window draws.
struct corner_result {
    std::vector<corner_entry> corners;
    std::vector<corner_point> points;   // every point with a line
    std::vector<corner_point> a_points; // stretches 0, 2, 4, ...
    std::vector<corner_point> b_points; // stretches 1, 3, 5, ...
};

/// Corners of a profile of n values (negative: no line). `channel` is 1 or
/// 2; `inverted` is the X calibration's inverted flag.
corner_result find_corners(const double* values, std::size_t n, int channel, bool inverted);

/// Least sum of perpendicular distances, by coordinate search on the y of
/// the stretch's end points (their x stay). Needs at least one point.
corner_line fit_line(const std::vector<corner_point>& stretch);

/// Intersection; parallel lines give parallel_corner in both coordinates.
corner_point intersect(const corner_line& l1, const corner_line& l2);

} // namespace orvex::calibr
