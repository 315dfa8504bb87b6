#include "rigcheck/sim_rig.h"

#include <chrono>
#include <locale>
#include <sstream>
#include <thread>

namespace orvex::rigcheck {
namespace {

sim::simulator_options simulator_options(const sim_rig::keys& k)
{
    sim::simulator_options so;
    so.sensors = {k.sensor_address + ",serial=" + k.serial_prefix + "0001,scene=" + k.scene +
                      ",noise=" + key_number(k.noise),
                  k.board_address + ",serial=" + k.serial_prefix +
                      "0050,type=EB1,board=50,rig=" + k.sensor_address + ",speed=" + key_number(k.speed)};
    so.search_bind = k.search_address; // nothing here searches; keep off the wildcard
    return so;
}

} // namespace

std::string key_number(double v)
{
    std::ostringstream s;
    s.imbue(std::locale::classic());
    s << v;
    return s.str();
}

sim_rig::sim_rig(const keys& k) : keys_(k), simulator_(simulator_options(k))
{
    simulator_.start();
}

std::string sim_rig::connect()
{
    if (!sensor_.connect(keys_.sensor_address))
        return "the simulated sensor did not answer";
    if (!board_device_.connect(keys_.board_address) || board_device_.commands().info().board != 0x50)
        return "the simulated control board did not answer";
    k7::qz3p_settings s = sensor_.commands().settings();
    s.calibration_bypass = 1;
    s.window_y_start = 0;
    s.window_y_end = 1023;
    if (!sensor_.commands().write_settings_memory(s))
        return "the sensor's settings could not be written";

    board_ = std::make_unique<k7::ExtBoard>(board_device_.link(k7::link_command));
    rig_ = std::make_unique<calibr::calibration_rig>(*board_);
    values_.assign(calibr::calibration_points, 0.0);
    auto& engine = sensor_.engine();
    engine.set_profile_poll(true);
    engine.set_profile_handler([this, &engine] {
        const auto& p = engine.profile();
        const std::size_t n = p.header.n;
        for (std::size_t i = 0; i < n && i < values_.size(); ++i)
            values_[i] = p.points[i].x;
        rig_->take_profile(0, values_.data(), n, calibr::measured_time(engine, rig_->now()));
    });
    return std::string();
}

void sim_rig::drive(calibr::procedure_runner& runner)
{
    using clock_type = std::chrono::steady_clock;
    auto& engine = sensor_.engine();
    auto next = clock_type::now();
    while (runner.busy()) {
        engine.step();
        rig_->poll();
        runner.tick();
        next += std::chrono::milliseconds(1);
        std::this_thread::sleep_until(next);
        if (clock_type::now() - next > std::chrono::milliseconds(20))
            next = clock_type::now();
    }
}

calibr::log_sink collecting_log(std::vector<std::string>& lines, std::string& error, bool& failed,
                                const std::function<void(const std::string&)>& progress)
{
    return [&lines, &error, &failed, progress](calibr::log_icon icon, const std::string& text) {
        lines.push_back(text);
        if (icon == calibr::log_icon::failure) {
            failed = true;
            error = text;
        }
        if (progress)
            progress(text);
    };
}

} // namespace orvex::rigcheck
