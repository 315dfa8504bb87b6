// rig_check: proves an X table right against the simulated rig.
//
// Starts an in-process k7sim with one sensor looking at a plane and a
// control board whose X actuator moves that plane, connects both the way the
// program does, runs the program's own X calibration procedure (core code,
// driven by a 1 ms loop that stands in for the main timer: acquisition step,
// board state poll, one procedure resumption), builds TableX.txt from the
// records and compares every filled cell with the simulator's exact target
// offset for that profile point and pixel.
//
// Used by `k7ctl calib xcheck` for the figures and by the end-to-end test
// with a small range.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace orvex::rigcheck {

struct options {
    std::string sensor_address;                       // 127.x.x.x, free
    std::string board_address;                        // 127.x.x.x, free
    std::string search_address;                       // 127.x.x.x, free: the simulator's search socket
    std::string serial_prefix = "R";                  // one letter; serials are prefix + 4 digits
    double range = 10.0;                              // mm, spin_x_range
    double step_pix = 0.2;                            // pixels per step, spin_x_step_pix
    double speed = 50.0;                              // mm/s of the simulated actuator
    std::string scene = "plane";                      // sensor keys after the address, without rig keys
    double noise = 0.0;                               // line noise of the simulated sensor, pixels
    std::filesystem::path folder;                     // where calibr files go
    std::function<void(const std::string&)> progress; // log lines as they come
};

struct result {
    bool ok = false;
    std::string error;
    std::vector<std::string> log;
    std::size_t records = 0;
    std::size_t cells = 0;  // filled cells compared
    double max_error = 0.0; // mm
    double rms_error = 0.0; // mm
    /// Largest difference between a record's position stamp and the
    /// simulator's exact position for the line it holds (middle point), mm:
    /// catches profiles recorded before the actuator stood where stamped.
    double record_max_error = 0.0;
    double wall_seconds = 0.0;         // the calibration procedure alone
    double profile_wait_seconds = 0.0; // of it, waiting for fresh profiles
    double table_seconds = 0.0;
};

result run(const options& o);

/// The Y calibration on the simulated rig: the corner procedure on a corner
/// piece or the teeth procedure on teeth, then the Y table (in-process, or
/// through a table script when `script` is set: the script must write
/// TableY.txt beside CalibrY.txt in `folder`), compared cell by cell with the
/// simulator's exact lateral position.
struct y_options {
    std::string sensor_address, board_address, search_address; // 127.x.x.x, free
    std::string serial_prefix = "Y";
    bool teeth = false; // the teeth procedure instead of the corner one
    std::string scene;  // the target; empty: corner, or teeth for the teeth procedure
    double range_x = 10.0, step_x = 5.0;
    double range_y = 8.0, step_y = 2.0; // corner
    double pitch = 10.0, height = 2.0;  // scene keys; step_y is also the teeth procedure's
    double speed = 50.0;
    double noise = 0.0;
    double start_y = 3.0; // mm the Y actuator stands at first, so the middle-point search has work
    std::filesystem::path folder;
    std::filesystem::path script; // empty: the table is built in-process
    std::function<void(const std::string&)> progress;
};

struct y_result {
    bool ok = false;
    std::string error;
    std::vector<std::string> log;
    std::size_t groups = 0, entries = 0;
    std::size_t cells = 0;
    double max_error = 0.0, rms_error = 0.0; // mm
    double wall_seconds = 0.0;
};

y_result run_y(const y_options& o);

} // namespace orvex::rigcheck
