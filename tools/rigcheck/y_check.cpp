#include "calibr/calibration_rig.h"
#include "calibr/ext_board.h"
#include "calibr/procedure_runner.h"
#include "calibr/y_calibration.h"
#include "calibr/y_table.h"
#include "link/sensor_device.h"
#include "rigcheck/rig_check.h"
#include "simulator.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace orvex::rigcheck {
namespace {

using clock_type = std::chrono::steady_clock;

std::string number(double v)
{
    std::ostringstream s;
    s.imbue(std::locale::classic());
    s << v;
    return s.str();
}

} // namespace

y_result run_y(const y_options& o)
{
    y_result r;
    sim::simulator_options so;
    const std::string scene = (o.scene.empty() ? std::string(o.teeth ? "teeth" : "corner") : o.scene) +
                              ",pitch=" + number(o.pitch) + ",height=" + number(o.height);
    so.sensors = {o.sensor_address + ",serial=" + o.serial_prefix + "0001,scene=" + scene +
                      ",noise=" + number(o.noise),
                  o.board_address + ",serial=" + o.serial_prefix +
                      "0050,type=EB1,board=50,rig=" + o.sensor_address + ",speed=" + number(o.speed)};
    so.search_bind = o.search_address;
    sim::simulator simulator(so);
    simulator.start();

    k7::sensor_device sensor, board_device;
    if (!sensor.connect(o.sensor_address)) {
        r.error = "the simulated sensor did not answer";
        return r;
    }
    if (!board_device.connect(o.board_address) || board_device.commands().info().board != 0x50) {
        r.error = "the simulated control board did not answer";
        return r;
    }
    k7::qz3p_settings s = sensor.commands().settings();
    s.calibration_bypass = 1;
    s.window_y_start = 0;
    s.window_y_end = 1023;
    if (!sensor.commands().write_settings_memory(s)) {
        r.error = "the sensor's settings could not be written";
        return r;
    }

    k7::ExtBoard board(board_device.link(k7::link_command));
    calibr::calibration_rig rig(board);
    std::vector<double> values(calibr::calibration_points);
    auto& engine = sensor.engine();
    engine.set_profile_poll(true);
    engine.set_profile_handler([&] {
        const auto& p = engine.profile();
        const std::size_t n = p.header.n;
        for (std::size_t i = 0; i < n && i < values.size(); ++i)
            values[i] = p.points[i].x;
        rig.take_profile(0, values.data(), n, calibr::measured_time(engine, rig.now()));
    });

    board.move(1, o.start_y);
    for (int i = 0; i < 3000 && std::fabs(simulator.rig_position(1, 1) - o.start_y) > 1e-9; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    bool failed = false;
    calibr::log_sink log = [&](calibr::log_icon icon, const std::string& text) {
        r.log.push_back(text);
        if (icon == calibr::log_icon::failure) {
            failed = true;
            r.error = text;
        }
        if (o.progress)
            o.progress(text);
    };
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
    auto next = clock_type::now();
    while (runner.busy()) {
        engine.step();
        rig.poll();
        runner.tick();
        next += std::chrono::milliseconds(1);
        std::this_thread::sleep_until(next);
        if (clock_type::now() - next > std::chrono::milliseconds(20))
            next = clock_type::now();
    }
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
