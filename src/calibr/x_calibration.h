// X calibration: relates the laser line's pixel position, per profile point,
// to the X actuator's position, and turns the records into the X table.
//
// The procedure first finds in which direction the line moves and how large
// a first step is (direction detection), then steps the actuator over the
// range with a step that keeps the line's movement near the chosen number of
// pixels per step, and records every profile with the position it was
// stamped with, one text line per profile, in CalibrX.txt (and CalibrX_2.txt
// for a second sensor). The table builder reads such a file and finds, for
// every profile point and every integer pixel, the position at which the
// line stood on that pixel by linear interpolation between records.
//
// Everything here runs without widgets: the window passes callbacks for its
// labels and its check box, tests pass their own.
#pragma once

#include "calibr/calibration_rig.h"
#include "calibr/x_table.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace orvex::calibr {

/// One recorded profile: the position it was stamped with, the 1024 values,
/// and the line position (line average of the values), computed on first use.
class ProfileRecord {
public:
    ProfileRecord(double position, const double* values, std::size_t n);
    double position() const { return position_; }
    const std::vector<double>& profile() const { return profile_; }
    /// Throws "Все точки линии вне диапазона" when no point counts.
    double line() const;

private:
    double position_;
    std::vector<double> profile_;
    mutable double line_ = -1.0;
};

/// What survives between runs, and the records of the run in progress.
struct x_calibration_state {
    double pixel_threshold = 10.0; // pixels
    double min_step = 0.001;       // position unit
    bool inverted = false;
    double range = 10.0;
    double step_pix = 0.2;
    double position_per_pixel = 0.0;
    double initial_step = 0.0;
    std::vector<ProfileRecord> records;
};

/// The window's side of a procedure.
struct x_view {
    log_sink log;
    std::function<void(const std::string&)> status;        // lab_status
    std::function<void(const std::string&)> info;          // lab_info_0
    std::function<void(bool)> inverted;                    // cb_inverted_x
    std::function<double()> step_pix = [] { return 0.2; }; // spin_x_step_pix
};

/// Next X step from the records (updates position_per_pixel when a record
/// qualifies); never below min_step.
double x_step(x_calibration_state& s);

/// Finds the direction of the line's movement and the initial step, then
/// moves X back to where it started. Throws with the message for the log.
void detect_x_direction(calibration_rig::yield_type& yield, calibration_rig& rig, x_calibration_state& s,
                        const x_view& view);

/// The whole X calibration; record files go to `folder` (created when
/// missing). Throws with the message for the log; the files keep what was
/// written.
void run_x_calibration(calibration_rig::yield_type& yield, calibration_rig& rig, x_calibration_state& s,
                       const x_view& view, const std::filesystem::path& folder);

/// One record line: position, tab, 1024 values each followed by a tab, line
/// end; fixed notation with 3 decimals.
void write_record_line(std::ostream& out, double position, const double* values);

} // namespace orvex::calibr
