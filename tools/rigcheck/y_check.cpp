#include "calibr/y_calibration.h"
#include "calibr/y_table.h"
#include "rigcheck/rig_check.h"
#include "rigcheck/sim_rig.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace orvex::rigcheck {
namespace {

using clock_type = std::chrono::steady_clock;

} // namespace

y_result run_y(const y_options& o)
{
    y_result r;
    const std::string scene = (o.scene.empty() ? std::string(o.teeth ? "teeth" : "corner") : o.scene) +
                              ",pitch=" + key_number(o.pitch) + ",height=" + key_number(o.height);
    sim_rig simulated(
        {o.sensor_address, o.board_address, o.search_address, o.serial_prefix, scene, o.noise, o.speed});
    r.error = simulated.connect();
    if (!r.error.empty())
        return r;
    sim::simulator& simulator = simulated.simulator();
    k7::ExtBoard& board = simulated.board();
    calibr::calibration_rig& rig = simulated.rig();

    board.move(1, o.start_y);
    for (int i = 0; i < 3000 && std::fabs(simulator.rig_position(1, 1) - o.start_y) > 1e-9; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    bool failed = false;
    const calibr::log_sink log = collecting_log(r.log, r.error, failed, o.progress);
    calibr::procedure_runner runner(log, nullptr);
    calibr::x_calibration_state xs;
    calibr::y_calibration_state ys;
    calibr::y_view view;
    view.x.log = log;
    const auto start = clock_type::now();
    bool finished = false;
    runner.start(
        [&](calibr::procedure_runner::yield_type& y) {
            if (o.teeth)
                run_teeth_calibration(y, rig, ys, xs, {o.range_x, o.pitch, o.step_x, o.step_y}, view,
                                      o.folder);
            else
                run_corner_calibration(y, rig, ys, xs, {o.range_x, o.step_x, o.range_y, o.step_y}, view,
                                       o.folder);
        },
        [&] { finished = true; });
    simulated.drive(runner);
    r.wall_seconds = std::chrono::duration<double>(clock_type::now() - start).count();
    if (failed || !finished) {
        if (r.error.empty())
            r.error = "the Y calibration did not finish";
        return r;
    }

    const auto table_file = o.folder / "TableY.txt";
    std::vector<double> cells;
    if (o.script.empty()) {
        const auto t = calibr::make_y_table_file(o.folder / "CalibrY.txt", table_file);
        if (!t.ok) {
            r.error = t.error;
            return r;
        }
    } else {
        std::error_code ec;
        std::filesystem::remove(table_file, ec);
        const std::string line = "\"" + o.script.string() + "\"";
        if (std::system(line.c_str()) != 0) {
            r.error = "the table script failed: " + line;
            return r;
        }
    }
    {
        std::ifstream in(table_file);
        std::string token;
        while (in >> token)
            if (token != "eol")
                cells.push_back(std::strtod(token.c_str(), nullptr));
    }
    if (cells.size() != std::size_t(calibr::y_table_rows) * calibr::y_table_columns) {
        r.error = "TableY.txt does not hold 1024 x 1280 values";
        return r;
    }
    for (const auto& g : ys.groups[0]) {
        r.entries += g.size();
        r.groups += g.empty() ? 0 : 1;
    }

    // The board counts Y from where the procedure set it to 0; the teeth
    // count from the tooth that stood at the middle then, a whole number of
    // pitches away from the simulator's lateral zero.
    const double origin = simulator.rig_position(1, 1) - simulator.rig_motor_position(1, 1);
    std::vector<std::pair<double, double>> pairs; // (value, truth without the tooth offset)
    for (int row = 0; row < calibr::y_table_rows; ++row)
        for (int col = 0; col < calibr::y_table_columns; ++col) {
            const double v = cells[std::size_t(row) * calibr::y_table_columns + std::size_t(col)];
            if (v != calibr::y_table_empty)
                pairs.emplace_back(v, simulator.target_lateral_at(0, row, col) - origin);
        }
    if (pairs.empty()) {
        r.error = "the table has no filled cell";
        return r;
    }
    double shift = 0.0;
    if (o.teeth) {
        double mean = 0.0;
        for (const auto& [v, t] : pairs)
            mean += t - v;
        shift = o.pitch * std::round(mean / double(pairs.size()) / o.pitch);
    }
    double sum = 0.0;
    for (const auto& [v, t] : pairs) {
        const double e = std::fabs(v - (t - shift));
        r.max_error = std::max(r.max_error, e);
        sum += e * e;
    }
    r.cells = pairs.size();
    r.rms_error = std::sqrt(sum / double(r.cells));
    r.ok = true;
    return r;
}

} // namespace orvex::rigcheck
