// sim_rig: the simulated calibration rig both checks run on, and the loop
// that stands in for the program's main timer.
//
// An in-process k7sim holds a sensor looking at a scene and the control board
// (type 0x50) whose actuators move that scene. connect() connects both the
// way the program does, switches the sensor's calibration off over the whole
// window and hands every polled profile to the rig; drive() runs a procedure
// to its end with one acquisition step, board poll and procedure resumption
// per millisecond.
#pragma once

#include "calibr/calibration_rig.h"
#include "calibr/ext_board.h"
#include "calibr/procedure_runner.h"
#include "link/sensor_device.h"
#include "simulator.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvex::rigcheck {

/// A number as k7sim's keys take it, whatever the locale.
std::string key_number(double v);

class sim_rig {
public:
    struct keys {
        std::string sensor_address, board_address, search_address; // 127.x.x.x, free
        std::string serial_prefix;                                 // one letter
        std::string scene;                                         // scene and its keys
        double noise = 0.0;                                        // line noise, pixels
        double speed = 50.0;                                       // actuator speed, mm/s
    };

    /// Starts the simulator.
    explicit sim_rig(const keys& k);

    /// Empty when sensor and board are ready, else what failed.
    std::string connect();

    /// Runs `runner`'s procedure to its end.
    void drive(calibr::procedure_runner& runner);

    sim::simulator& simulator() { return simulator_; }
    k7::ExtBoard& board() { return *board_; }
    calibr::calibration_rig& rig() { return *rig_; }

private:
    keys keys_;
    sim::simulator simulator_;
    k7::sensor_device sensor_, board_device_;
    std::unique_ptr<k7::ExtBoard> board_;
    std::unique_ptr<calibr::calibration_rig> rig_;
    std::vector<double> values_;
};

/// A log for a procedure: keeps every line in `lines`, the last failure in
/// `error` (and sets `failed`), and passes each line to `progress` when set.
calibr::log_sink collecting_log(std::vector<std::string>& lines, std::string& error, bool& failed,
                                const std::function<void(const std::string&)>& progress);

} // namespace orvex::rigcheck
