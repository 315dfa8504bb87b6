#include "calibr/y_calibration.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iomanip>
#include <locale>
#include <sstream>

namespace orvex::calibr {
namespace {

constexpr double middle_point = 512.0;
constexpr double max_y_target = 120.0;

std::string general(double v)
{
    std::ostringstream s;
    s.imbue(std::locale::classic());
    s << v; // general notation, 6 significant digits
    return s.str();
}

void move(calibration_rig::yield_type& yield, calibration_rig& rig, double target, int i)
{
    if (!rig.move_and_wait(yield, target, i))
        throw std::runtime_error("Нет ответа от платы управления.");
}

void set_origin(calibration_rig::yield_type& yield, calibration_rig& rig)
{
    if (!rig.board().set_position(0, 0.0) || !rig.board().set_position(1, 0.0))
        throw std::runtime_error("Нет ответа от платы управления.");
    rig.wait_for_state(yield);
}

// The corner whose y is nearest to `y`; on equal distance the later one.
template <class List>
std::size_t nearest(const List& list, double y)
{
    std::size_t best = 0;
    for (std::size_t i = 1; i < list.size(); ++i)
        if (std::fabs(list[i].y - y) <= std::fabs(list[best].y - y))
            best = i;
    return best;
}

bool is_multiple(double value, double step)
{
    if (!(step > 0.0))
        return false;
    // Spin values such as 0.1 are not exact in binary: a remainder within a
    // billionth of the step either side counts as none.
    const double r = std::fmod(value, step);
    return r <= step * 1e-9 || step - r <= step * 1e-9;
}

void sort_by_y(std::vector<corner_entry>& list)
{
    std::stable_sort(list.begin(), list.end(),
                     [](const corner_entry& a, const corner_entry& b) { return a.y < b.y; });
}

void show_results(const y_view& view, const y_calibration_state& s)
{
    if (view.results)
        view.results(s.groups[0], s.groups[1]);
}

void finish(calibration_rig::yield_type& yield, calibration_rig& rig, const y_calibration_state& s,
            const y_view& view, const std::filesystem::path& folder)
{
    view.x.log(log_icon::success, "Калибровка Y успешно завершена");
    save_y_results(s, rig.second_sensor(), folder, view.x.log);
    if (view.clear_analysis)
        view.clear_analysis();
    move(yield, rig, 0.0, 1);
    move(yield, rig, 0.0, 0);
}

} // namespace

const std::vector<corner_entry>& find_rig_corners(calibration_rig& rig, y_calibration_state& s,
                                                  const x_calibration_state& xs, int channel,
                                                  const y_view& view)
{
    const rig_profile& p = rig.profile(channel - 1);
    corner_result r = find_corners(p.values.data(), p.values.size(), channel, xs.inverted);
    s.corners[std::size_t(channel - 1)] = r.corners;
    if (view.drawn)
        view.drawn(channel, r);
    return s.corners[std::size_t(channel - 1)];
}

void find_middle_point(calibration_rig::yield_type& yield, calibration_rig& rig, y_calibration_state& s,
                       x_calibration_state& xs, const y_view& view)
{
    view.x.log(log_icon::step, "Поиск средней точки");
    struct record {
        double x, y, position;
    };
    std::vector<record> records;
    const auto measure = [&] {
        rig.wait_for_profile(yield, 2000);
        const auto& corners = find_rig_corners(rig, s, xs, 1, view);
        if (corners.empty())
            throw procedure_stopped("Не удалось найти углы");
        const corner_entry& c = corners[nearest(corners, middle_point)];
        records.push_back({c.x, c.y, rig.position(1)});
        return c.y;
    };
    double y = measure();
    while (std::fabs(y - middle_point) > 1.0) {
        std::vector<record> sorted = records;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const record& a, const record& b) { return a.y < b.y; });
        double slope = 0.0;
        const double span = sorted.back().y - sorted.front().y;
        if (sorted.size() >= 2 && span >= 10.0)
            slope = (sorted.back().position - sorted.front().position) / span;
        const double step = slope != 0.0 ? (middle_point - y) * slope : (y > middle_point ? -1.0 : 1.0);
        const double target = rig.position(1) + step;
        if (std::fabs(target) > max_y_target)
            throw procedure_stopped("Перемещение актюатора превышает максимально допустимое: " +
                                    general(target));
        move(yield, rig, target, 1);
        y = measure();
    }
    view.x.log(log_icon::success, "Средняя точка найдена успешно");
}

std::vector<double> x_columns(double range, double step)
{
    std::vector<double> xs;
    if (range < 0.0)
        return xs;
    if (!(step > 0.0))
        return {0.0};
    for (int c = 0;; ++c) {
        const double x = c * step;
        if (x > range + step * 1e-9)
            break;
        xs.push_back(x);
    }
    return xs;
}

std::vector<std::pair<double, std::vector<double>>> corner_plan(const corner_settings& c)
{
    const double half = c.range_y * 0.5;
    if (!is_multiple(half, c.step_y))
        throw procedure_stopped("Шаг по Y не кратен шагу зубчиков");
    const int steps = int(std::lround(2.0 * half / c.step_y));
    std::vector<std::pair<double, std::vector<double>>> plan;
    const auto xs = x_columns(c.range_x, c.step_x);
    for (std::size_t col = 0; col < xs.size(); ++col) {
        std::vector<double> ys;
        for (int k = 0; k <= steps; ++k) {
            const double y = -half + k * c.step_y;
            ys.push_back(col % 2 == 1 ? -y : y);
        }
        plan.emplace_back(xs[col], std::move(ys));
    }
    return plan;
}

void run_corner_calibration(calibration_rig::yield_type& yield, calibration_rig& rig, y_calibration_state& s,
                            x_calibration_state& xs, const corner_settings& c, const y_view& view,
                            const std::filesystem::path& folder)
{
    const auto plan = corner_plan(c); // checks before anything moves
    xs.range = c.range_x;
    detect_x_direction(yield, rig, xs, view.x);
    find_middle_point(yield, rig, s, xs, view);
    set_origin(yield, rig);
    s.groups[0].clear();
    s.groups[1].clear();
    const bool two = rig.second_sensor();
    for (const auto& [x, ys] : plan) {
        s.groups[0].emplace_back();
        s.groups[1].emplace_back();
        for (double y : ys) {
            rig.target_position = x;
            move(yield, rig, x, 0);
            move(yield, rig, y, 1);
            rig.wait_for_profile(yield, 2000);
            const auto first = find_rig_corners(rig, s, xs, 1, view);
            std::vector<corner_entry> second;
            if (two)
                second = find_rig_corners(rig, s, xs, 2, view);
            if (first.size() > 1 || second.size() > 1)
                throw procedure_stopped("Обнаружено больше одного угла");
            if (!first.empty())
                s.groups[0].back().push_back({first[0].x, first[0].y, x, y});
            if (!second.empty())
                s.groups[1].back().push_back({second[0].x, second[0].y, x, y});
            show_results(view, s);
        }
    }
    finish(yield, rig, s, view, folder);
}

teeth_settings checked_teeth_settings(const teeth_settings& t)
{
    teeth_settings r{std::round(t.range_x), std::round(t.pitch), std::round(t.step_x), std::round(t.step_y)};
    if (!(r.step_y > 0.0) || std::fmod(r.pitch, r.step_y) != 0.0)
        throw procedure_stopped("Шаг по Y не кратен шагу зубчиков");
    if (r.pitch / r.step_y < 4.0)
        throw procedure_stopped("Слишком мало шагов в пределах шага зубчиков, должно быть минимум 4");
    return r;
}

std::vector<double> teeth_steps(const teeth_settings& t)
{
    std::vector<double> v;
    for (double y = 0.0; y < t.pitch; y = std::trunc(y + t.step_y))
        v.push_back(y);
    return v;
}

void teeth_tracker::reset_column()
{
    accumulator.clear();
    previous_.clear();
    empty_steps_ = 0;
}

void teeth_tracker::label(std::vector<corner_entry>& corners, double v)
{
    if (v == 0.0 || previous_.empty()) {
        // The column's first step, or a step after one that saw no tooth:
        // the tooth nearest the reference counts as the reference tooth,
        // moved by the steps made since the column began.
        if (!corners.empty()) {
            const std::size_t r = nearest(corners, reference_y);
            if (v == 0.0)
                reference_y = corners[r].y;
            for (std::size_t i = 0; i < corners.size(); ++i)
                corners[i].value = pitch_ * (double(i) - double(r)) + v;
        }
    } else {
        for (std::size_t i = 0; i < corners.size(); ++i) {
            corner_entry& e = corners[i];
            const bool below = previous_.front().y > e.y;
            if (i == 0 && below)
                e.value = previous_.front().value - pitch_ + (empty_steps_ + 1) * step_;
            else if (i == 1 && below)
                throw procedure_stopped("Две новых точки снизу.");
            else
                e.value = step_ + previous_[nearest(previous_, e.y)].value;
        }
    }
    if (v != 0.0)
        empty_steps_ = corners.empty() ? empty_steps_ + 1 : 0;
    accumulator.insert(accumulator.end(), corners.begin(), corners.end());
    previous_ = corners;
    sort_by_y(accumulator);
    sort_by_y(previous_);
}

void run_teeth_calibration(calibration_rig::yield_type& yield, calibration_rig& rig, y_calibration_state& s,
                           x_calibration_state& xs, const teeth_settings& t, const y_view& view,
                           const std::filesystem::path& folder)
{
    s.groups[0].clear();
    s.groups[1].clear();
    const teeth_settings r = checked_teeth_settings(t);
    xs.range = r.range_x;
    detect_x_direction(yield, rig, xs, view.x);
    find_middle_point(yield, rig, s, xs, view);
    set_origin(yield, rig);
    const bool two = rig.second_sensor();
    std::array<teeth_tracker, 2> trackers{teeth_tracker(r.pitch, r.step_y), teeth_tracker(r.pitch, r.step_y)};
    for (double x : x_columns(r.range_x, r.step_x)) {
        for (auto& tr : trackers)
            tr.reset_column();
        move(yield, rig, 0.0, 1);
        rig.target_position = x;
        move(yield, rig, x, 0);
        for (double v : teeth_steps(r)) {
            move(yield, rig, v, 1);
            rig.wait_for_profile(yield, 2000);
            auto first = find_rig_corners(rig, s, xs, 1, view);
            if (two) {
                auto second = find_rig_corners(rig, s, xs, 2, view);
                for (auto& e : second)
                    e.third = x;
                trackers[1].label(second, v);
            }
            for (auto& e : first)
                e.third = x;
            trackers[0].label(first, v);
            if (view.results) {
                auto a = s.groups[0], b = s.groups[1];
                a.push_back(trackers[0].accumulator);
                b.push_back(trackers[1].accumulator);
                view.results(a, b);
            }
        }
        s.groups[0].push_back(trackers[0].accumulator);
        s.groups[1].push_back(trackers[1].accumulator);
    }
    finish(yield, rig, s, view, folder);
}

std::vector<corner_entry> comb_middles(const double* values, std::size_t n)
{
    std::vector<double> v(values, values + std::min(n, calibration_points));
    v.resize(calibration_points, -1.0);
    for (double& d : v)
        if (d < 3.0)
            d = -1.0;
    const auto line = [&](int i) { return v[std::size_t(i)] >= 0.0; };
    std::vector<corner_entry> out;
    int start = -1;
    for (int i = 4; i <= 1019; ++i) {
        if (!line(i - 3) && !line(i - 2) && !line(i - 1) && line(i))
            start = i;
        if (start >= 0 && line(i) && !line(i + 1) && !line(i + 2) && !line(i + 3) && !line(i + 4) &&
            i - start > 4) {
            out.push_back({(v[std::size_t(i)] + v[std::size_t(start)]) / 2.0, (i + start) / 2.0, 0.0, 0.0});
            start = -1;
        }
    }
    return out;
}

void comb_coordinates(std::vector<corner_group>& groups, double y_step, int mid_line)
{
    for (auto& g : groups) {
        std::size_t s = 0;
        for (std::size_t j = 0; j < g.size(); ++j)
            if (g[j].y >= mid_line) {
                s = j;
                break;
            }
        for (std::size_t j = 0; j < g.size(); ++j)
            g[j].value = y_step * (double(j) - double(s));
    }
}

void write_y_results(std::ostream& out, const std::vector<corner_group>& groups)
{
    std::ostringstream text;
    text.imbue(std::locale::classic());
    const auto field = [&](double v) {
        std::ostringstream f;
        f.imbue(std::locale::classic());
        f << std::fixed << std::setprecision(3) << v;
        text << std::left << std::setw(10) << f.str();
    };
    for (const auto& g : groups) {
        corner_group sorted = g;
        sort_by_y(sorted);
        for (const auto& e : sorted) {
            field(e.x);
            field(e.y);
            text << std::left << std::setw(10) << "0";
            field(e.value);
            text << '\n';
        }
        text << '\n';
    }
    out << text.str();
}

void save_y_results(const y_calibration_state& s, bool second, const std::filesystem::path& folder,
                    const log_sink& log)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    {
        std::ofstream f(folder / "CalibrY.txt", std::ios::out | std::ios::trunc);
        if (!f)
            throw std::runtime_error("Не удалось создать файл " + (folder / "CalibrY.txt").string());
        write_y_results(f, s.groups[0]);
        if (!f.flush())
            throw std::runtime_error("Ошибка записи в файл CalibrY.txt");
    }
    log(log_icon::info, "Калибровочные данные Y сохранены в файл.");
    if (!second)
        return;
    std::ofstream f(folder / "CalibrY_2.txt", std::ios::out | std::ios::trunc);
    if (!f) {
        log(log_icon::failure, "Не удалось открыть файл Y2 для записи.");
        return;
    }
    write_y_results(f, s.groups[1]);
    log(log_icon::info, "Калибровочные данные Y2 сохранены в файл.");
}

} // namespace orvex::calibr
