#include "rigcheck/rig_check.h"

#include "calibr/x_calibration.h"
#include "rigcheck/sim_rig.h"

#include <chrono>
#include <cmath>
#include <fstream>
#include <sstream>
#include <thread>

namespace orvex::rigcheck {
namespace {

using clock_type = std::chrono::steady_clock;

double seconds_since(clock_type::time_point t)
{
    return std::chrono::duration<double>(clock_type::now() - t).count();
}

} // namespace

result run(const options& o)
{
    result r;
    sim_rig simulated(
        {o.sensor_address, o.board_address, o.search_address, o.serial_prefix, o.scene, o.noise, o.speed});
    r.error = simulated.connect();
    if (!r.error.empty())
        return r;
    sim::simulator& simulator = simulated.simulator();
    k7::ExtBoard& board = simulated.board();
    calibr::calibration_rig& rig = simulated.rig();

    // The actuator starts away from the board's zero, so that the run must
    // rely on its own set-position.
    board.move(0, 0.7);
    for (int i = 0; i < 2000 && std::fabs(simulator.rig_position(1, 0) - 0.7) > 1e-9; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (int i = 0; i < 2000 && std::fabs(rig.position(0) - 0.7) > 1e-9; ++i) {
        rig.poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    bool failed = false;
    const calibr::log_sink log = collecting_log(r.log, r.error, failed, o.progress);
    calibr::procedure_runner runner(log, nullptr);
    calibr::x_calibration_state state;
    state.range = o.range;
    state.step_pix = o.step_pix;
    calibr::x_view view;
    view.log = log;
    view.step_pix = [&] { return o.step_pix; };

    const auto start = clock_type::now();
    bool finished = false;
    runner.start(
        [&](calibr::procedure_runner::yield_type& y) { run_x_calibration(y, rig, state, view, o.folder); },
        [&] { finished = true; });
    simulated.drive(runner);
    r.wall_seconds = seconds_since(start);
    r.profile_wait_seconds = std::chrono::duration<double>(rig.profile_wait_total()).count();
    if (failed || !finished) {
        if (r.error.empty())
            r.error = "the X calibration did not finish";
        return r;
    }

    const auto table_start = clock_type::now();
    const calibr::x_table t = calibr::make_x_table_file(o.folder / "CalibrX.txt", o.folder / "TableX.txt");
    r.table_seconds = seconds_since(table_start);
    if (!t.ok) {
        r.error = t.error;
        return r;
    }
    r.records = t.records;

    // The board counts from where the procedure set X = 0; the simulator's
    // ground truth is in its physical millimetres from the start.
    const double origin = simulator.rig_motor_position(1, 0) - simulator.rig_position(1, 0);
    double sum = 0.0;
    for (int row = 0; row < int(calibr::calibration_points); ++row)
        for (int col = 0; col < calibr::x_table_columns; ++col) {
            const double v = t.cells[std::size_t(row) * calibr::x_table_columns + std::size_t(col)];
            if (v == calibr::x_table_empty)
                continue;
            const double truth = simulator.target_offset_for_column(0, row, col) + origin;
            const double e = std::fabs(v - truth);
            r.max_error = std::max(r.max_error, e);
            sum += e * e;
            ++r.cells;
        }
    {
        std::ifstream records(o.folder / "CalibrX.txt");
        std::string line;
        constexpr int row = 512;
        while (std::getline(records, line)) {
            std::istringstream in(line);
            double position = 0.0, v = -1.0;
            if (!(in >> position))
                continue;
            for (int i = 0; i <= row && (in >> v); ++i) {
            }
            if (v < 0.0)
                continue;
            const double truth = simulator.target_offset_for_column(0, row, v) + origin;
            r.record_max_error = std::max(r.record_max_error, std::fabs(position - truth));
        }
    }
    if (r.cells == 0) {
        r.error = "the table has no filled cell";
        return r;
    }
    r.rms_error = std::sqrt(sum / double(r.cells));
    r.ok = true;
    return r;
}

} // namespace orvex::rigcheck
