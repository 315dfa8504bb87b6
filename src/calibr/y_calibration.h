// Y calibration: relates every profile point to a Y coordinate on the target.
//
// Three methods fill the same result groups (one list of groups per sensor
// channel): the corner procedure scans a serpentine grid of X and Y
// positions and records the corner piece's corner with the planned Y; the
// teeth procedure steps a toothed target by a fraction of its pitch and
// tracks every tooth from step to step, giving each tooth corner its
// coordinate on the pitch grid; the comb is manual (find the tines' middles,
// add them as a group, save with a chosen Y step). The groups are written to
// CalibrY.txt / CalibrY_2.txt, from which the Y table is built (y_table.h).
//
// Procedures stop with their reason through procedure_stopped, which the
// runner logs as "Подпрограмма остановлена: reason".
#pragma once

#include "calibr/calibration_rig.h"
#include "calibr/corner_detection.h"
#include "calibr/x_calibration.h"

#include <array>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <vector>

namespace orvex::calibr {

using corner_group = std::vector<corner_entry>;

/// The program-wide Y state: corner lists of the last run per channel (index
/// 0: channel 1) and the result groups per channel.
struct y_calibration_state {
    std::array<std::vector<corner_entry>, 2> corners;
    std::array<std::vector<corner_group>, 2> groups;
};

/// The window's side of a Y procedure; any callback may be empty.
struct y_view {
    x_view x;                                                     // for the direction detection, and the log
    std::function<void(int channel, const corner_result&)> drawn; // after each corner run (channel 1 or 2)
    std::function<void(const std::vector<std::vector<corner_entry>>& first,
                       const std::vector<std::vector<corner_entry>>& second)>
        results;                          // redraw the result chart
    std::function<void()> clear_analysis; // clear the source chart's analysis series
};

/// Runs find_corners on the rig's current profile of `channel` (1 or 2) and
/// replaces that channel's corner list.
const std::vector<corner_entry>& find_rig_corners(calibration_rig& rig, y_calibration_state& s,
                                                  const x_calibration_state& xs, int channel,
                                                  const y_view& view);

/// Moves Y until a corner of channel 1 stands at profile point 512 (within 1).
void find_middle_point(calibration_rig::yield_type& yield, calibration_rig& rig, y_calibration_state& s,
                       x_calibration_state& xs, const y_view& view);

struct corner_settings {
    double range_x = 50.0, step_x = 5.0, range_y = 20.0, step_y = 2.0;
};
struct teeth_settings {
    double range_x = 50.0, pitch = 10.0, step_x = 5.0, step_y = 2.0;
};

/// Columns of the corner procedure: for every X position the Y positions in
/// visiting order (serpentine). Throws procedure_stopped when half the Y
/// range is not a whole multiple of the Y step.
std::vector<std::pair<double, std::vector<double>>> corner_plan(const corner_settings& c);
/// The teeth settings rounded, checked (procedure_stopped) and the Y steps of
/// one column.
teeth_settings checked_teeth_settings(const teeth_settings& t);
std::vector<double> teeth_steps(const teeth_settings& rounded);
/// X positions 0, step, ... up to the range (only 0 for a step of 0).
std::vector<double> x_columns(double range, double step);

void run_corner_calibration(calibration_rig::yield_type& yield, calibration_rig& rig, y_calibration_state& s,
                            x_calibration_state& xs, const corner_settings& c, const y_view& view,
                            const std::filesystem::path& folder);
void run_teeth_calibration(calibration_rig::yield_type& yield, calibration_rig& rig, y_calibration_state& s,
                           x_calibration_state& xs, const teeth_settings& t, const y_view& view,
                           const std::filesystem::path& folder);

/// Tooth labelling of one channel across the Y steps of a column.
class teeth_tracker {
public:
    teeth_tracker(double pitch, double step_y) : pitch_(pitch), step_(step_y) {}
    /// Starts a column.
    void reset_column();
    /// Labels `corners` (their `value`) found at step v; throws
    /// procedure_stopped("Две новых точки снизу.").
    void label(std::vector<corner_entry>& corners, double v);
    double reference_y = 512.0;
    std::vector<corner_entry> accumulator;

private:
    double pitch_, step_;
    std::vector<corner_entry> previous_;
    int empty_steps_ = 0;
};

/// The comb's tine middles in the channel-1 profile (values below 3 count
/// as no line).
std::vector<corner_entry> comb_middles(const double* values, std::size_t n);
/// Gives every entry of every group its coordinate: y_step x (j - s), s the
/// first entry at or beyond the mid line (0 when none).
void comb_coordinates(std::vector<corner_group>& groups, double y_step, int mid_line);

/// Result file text: per group its entries sorted by y, four left-aligned
/// 10-character fields (x, y, 0, value), then an empty line.
void write_y_results(std::ostream& out, const std::vector<corner_group>& groups);
/// Writes CalibrY.txt (and CalibrY_2.txt with a second sensor) to `folder`,
/// logging as the window shows it.
void save_y_results(const y_calibration_state& s, bool second, const std::filesystem::path& folder,
                    const log_sink& log);

} // namespace orvex::calibr
