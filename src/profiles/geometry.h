// Geometry types shared by profiles, charts and calibration.
//
// Coordinates are millimetres, or pixels when the sensor bypasses its
// calibration. In a measured profile a negative x marks an invalid point; on a
// chart a NaN coordinate is a gap in a curve.
#pragma once

#include <vector>

namespace orvex::math {

struct Point2d {
    double x = 0.0;
    double y = 0.0;
};

struct Point3d {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

/// One measured profile: points in sensor order (one per image row of the window).
using Profile2d = std::vector<Point2d>;

} // namespace orvex::math
