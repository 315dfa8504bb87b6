// What the profile page draws, computed without widgets.
//
// The axes and the working-range outline follow the sensor's decoded range
// block (or image pixels with calibration bypass on); the image-window outline
// follows the band table and the settings' window; a profile splits into
// valid points, invalid points (drawn at x = 0 in single-coordinate mode) and
// brightness bars that grow from the left edge of the view.
#pragma once

#include "link/profile_datagram.h"
#include "link/sensor_info.h"
#include "profiles/calibration_range.h"
#include "profiles/geometry.h"
#include "settings/qz3p_settings.h"

#include <optional>
#include <vector>

namespace orvex::k7 {

struct chart_axes {
    double x_lo = 0, x_hi = 1280, y_lo = 0, y_hi = 1024;
};

/// Axes and working-range outline for a settings event.
struct range_view {
    std::optional<chart_axes> axes;           // nothing: keep the previous axes
    std::vector<math::Point2d> range_outline; // closed polyline, empty: none
};

/// With calibration bypass on: pixel axes, no outline. Otherwise the decoded
/// range widened by 3 % on each side with its outline. When the range is not
/// known (a sensor whose range block was never written), the identification's
/// measuring-range outline gives the axes, widened the same way, and no outline
/// is drawn; without a valid identification either, nothing (the page keeps its
/// axes). A point sensor (type 4) always gets Y 0..1024.
range_view range_view_for(const qz3p_settings& settings, const decoded_range& range, const sensor_info& info);

/// The image window's outline in millimetres from the band table: columns
/// xs..xe (units of 8) and rows ys..ye of the settings. Empty when the range
/// is unknown, calibration is bypassed, a band lies outside the table or has
/// no data.
std::vector<math::Point2d> image_window_outline(const qz3p_settings& settings, const decoded_range& range);

struct profile_view_points {
    std::vector<math::Point2d> valid;
    std::vector<math::Point2d> invalid;    // single-coordinate mode: (0, row)
    std::vector<math::Point2d> brightness; // bars: (view x start + b * span / 256, y)
};

/// Splits the first header.n points of `p`. A point sensor draws valid
/// points at (x, index). Brightness bars only with intensities and b != 0.
void split_profile(const decoded_profile& p, bool point_sensor, bool intensities, double view_x_start,
                   double view_x_span, profile_view_points& out);

} // namespace orvex::k7
