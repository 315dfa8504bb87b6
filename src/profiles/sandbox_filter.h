// The sandbox's profile post-processing: a rectangular cut zone that keeps
// the points inside it (or, inverted, outside it), and an outlier filter
// that rejects points with too few close neighbours along the profile.
#pragma once

#include "profiles/geometry.h"
#include "profiles/sandbox_settings.h"

#include <cstddef>
#include <vector>

namespace orvex {

/// Strictly inside x0 < x < x1 and y0 < y < y1: a point on the border is outside.
bool inside_cut_zone(const SandboxSettings& s, const math::Point2d& p);

/// Outlier filter over points in profile order with window `window`,
/// distance `distance` (mm) and minimum count `min_count`. Every point is
/// compared with the next window/2 points; a pair closer than or exactly at
/// `distance` counts for both. Points within window/2 of either end get a
/// bonus of (window/2 - i)/2 for the neighbours they lack. Returns, per
/// point, whether it is rejected; fewer points than `window` are all rejected.
std::vector<bool> outlier_rejects(const std::vector<math::Point2d>& points, int window, double distance,
                                  int min_count);

struct sandbox_points {
    std::vector<math::Point2d> kept;
    std::vector<math::Point2d> cut;
    std::vector<math::Point2d> outliers;
};

/// Sorts the valid points (x not negative) of a profile: the cut zone when
/// enabled, then the outlier filter on the kept points when enabled.
void sort_sandbox_points(const math::Point2d* points, std::size_t n, const SandboxSettings& s,
                         sandbox_points& out);

} // namespace orvex
