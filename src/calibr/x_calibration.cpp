#include "calibr/x_calibration.h"

#include "profiles/line_average.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iomanip>
#include <locale>
#include <sstream>
#include <stdexcept>

namespace orvex::calibr {
namespace {

std::string general(double v)
{
    std::ostringstream s;
    s.imbue(std::locale::classic());
    s << v; // general notation, 6 significant digits
    return s.str();
}

std::string fixed(double v, int decimals)
{
    std::ostringstream s;
    s.imbue(std::locale::classic());
    s << std::fixed << std::setprecision(decimals) << v;
    return s.str();
}

void open_record_file(std::ofstream& f, const std::filesystem::path& p)
{
    f.open(p, std::ios::out | std::ios::trunc);
    if (!f)
        throw std::runtime_error("Не удалось создать файл " + p.string());
    f.imbue(std::locale::classic());
    f << std::fixed << std::setprecision(3);
}

void move_x(calibration_rig::yield_type& yield, calibration_rig& rig, double target)
{
    rig.target_position = target;
    if (!rig.move_and_wait(yield, target, 0))
        throw std::runtime_error("Нет ответа от платы управления.");
}

void add_record(calibration_rig& rig, x_calibration_state& s)
{
    const rig_profile& p = rig.profile(0);
    s.records.emplace_back(p.position, p.values.data(), p.values.size());
}

} // namespace

ProfileRecord::ProfileRecord(double position, const double* values, std::size_t n)
    : position_(position),
      profile_(values, values + n)
{}

double ProfileRecord::line() const
{
    if (line_ == -1.0)
        line_ = math::line_average(profile_);
    return line_;
}

double x_step(x_calibration_state& s)
{
    double step = s.initial_step;
    if (!s.records.empty()) {
        const ProfileRecord& newest = s.records.back();
        for (std::size_t k = s.records.size() - 1; k-- > 0;) {
            const ProfileRecord& r = s.records[k];
            double d = newest.line() - r.line();
            if (s.inverted)
                d = -d;
            if (d >= s.pixel_threshold) {
                s.position_per_pixel = (newest.position() - r.position()) / d;
                step = s.position_per_pixel * s.step_pix;
                if (step < 0.0)
                    step = s.initial_step;
                break;
            }
        }
    }
    return std::max(s.min_step, step);
}

void detect_x_direction(calibration_rig::yield_type& yield, calibration_rig& rig, x_calibration_state& s,
                        const x_view& view)
{
    s.records.clear();
    view.log(log_icon::step, "Определение настроек калибровки.");
    // Without a range the search could never move and would wait forever
    // (the Y tabs allow an X range of 0).
    if (!(s.range > 0.0))
        throw std::runtime_error("Слишком маленький диапазон в пикселях (0.0)");
    const double start = rig.position(0);
    rig.target_position = start;
    s.step_pix = view.step_pix();
    double d = 0.0;
    for (;;) {
        rig.wait_for_profile(yield, 2000);
        add_record(rig, s);
        const double moved = s.records.back().line() - s.records.front().line();
        if (std::fabs(rig.target_position - start) > s.range)
            throw std::runtime_error("Слишком маленький диапазон в пикселях (" + fixed(std::fabs(moved), 1) +
                                     ")");
        d = moved;
        if (std::fabs(d) > s.pixel_threshold)
            break;
        if (view.info)
            view.info("pix: " + general(d));
        if (view.status)
            view.status(general(rig.target_position) + " of " + general(s.range));
        move_x(yield, rig, rig.position(0) + s.range / 10.0);
    }
    s.inverted = d < 0.0;
    if (view.inverted)
        view.inverted(s.inverted);
    s.initial_step = x_step(s);
    view.log(log_icon::info,
             std::string("Перемещение X: ") + (s.inverted ? "Инвертировано" : "Не инвертировано"));
    // The step is in the position unit, millimetres; the label asks for micrometres.
    view.log(log_icon::info, "Начальный шаг, мкм: " + general(s.initial_step * 1000.0));
    s.records.clear();
    move_x(yield, rig, start);
}

void write_record_line(std::ostream& out, double position, const double* values)
{
    out << position << '\t';
    for (std::size_t i = 0; i < calibration_points; ++i)
        out << values[i] << '\t';
    out << '\n';
}

void run_x_calibration(calibration_rig::yield_type& yield, calibration_rig& rig, x_calibration_state& s,
                       const x_view& view, const std::filesystem::path& folder)
{
    if (!rig.board().set_position(0, 0.0))
        throw std::runtime_error("Нет ответа от платы управления.");
    // The detection starts from the current position: it must be the one
    // counted from the new zero, not the last one read before it.
    rig.wait_for_state(yield);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::ofstream first, second;
    open_record_file(first, folder / "CalibrX.txt");
    const bool two = rig.second_sensor();
    if (two)
        open_record_file(second, folder / "CalibrX_2.txt");

    detect_x_direction(yield, rig, s, view);

    s.records.clear();
    rig.target_position = 0.0;
    for (;;) {
        rig.wait_for_profile(yield, 2000);
        add_record(rig, s);
        const rig_profile& p1 = rig.profile(0);
        write_record_line(first, p1.position, p1.values.data());
        if (two) {
            const rig_profile& p2 = rig.profile(1);
            write_record_line(second, p2.position, p2.values.data());
        }
        if (!first || (two && !second))
            throw std::runtime_error("Ошибка записи в файл CalibrX.txt");
        if (rig.target_position > s.range)
            break;
        if (view.info)
            view.info("P: um/pix: " + fixed(s.position_per_pixel * 1000.0, 0));
        if (view.status)
            view.status("P : " + general(rig.target_position) + " of " + general(s.range));
        move_x(yield, rig, rig.target_position + x_step(s));
    }
    first << "\n\n\n";
    if (two)
        second << "\n\n\n";
    first.flush();
    if (view.status)
        view.status("F " + general(rig.target_position));
    view.log(log_icon::success, "Калибровка X завершена");
}

} // namespace orvex::calibr
