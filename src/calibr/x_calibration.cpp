#include "calibr/x_calibration.h"

#include "profiles/calibration_tables.h"
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

x_table build_x_table(std::istream& in, const std::function<void(const char*)>& phase)
{
    x_table t;
    if (phase)
        phase("Чтение");
    std::vector<std::vector<std::pair<double, double>>> lists(calibration_points);
    std::string line;
    std::size_t line_no = 0;
    std::vector<double> numbers;
    numbers.reserve(calibration_points + 1);
    while (std::getline(in, line)) {
        ++line_no;
        numbers.clear();
        std::istringstream tokens(line);
        std::string token;
        while (tokens >> token) {
            double v = 0.0;
            if (!k7::parse_table_number(token, v)) {
                t.error = "Ошибка в строке " + std::to_string(line_no) + ": не число \"" + token + "\"";
                return t;
            }
            numbers.push_back(v);
        }
        if (numbers.empty())
            continue; // the blank lines that close a run
        if (numbers.size() != calibration_points + 1) {
            t.error = "Ошибка в строке " + std::to_string(line_no) + ": " + std::to_string(numbers.size()) +
                      " чисел вместо 1025";
            return t;
        }
        for (std::size_t i = 0; i < calibration_points; ++i)
            lists[i].emplace_back(numbers[i + 1], numbers[0]);
        ++t.records;
    }
    for (auto& l : lists)
        std::stable_sort(l.begin(), l.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    if (phase)
        phase("Расчет");
    if (lists[0].size() < 2) {
        t.error = "Мало исходных данных";
        return t;
    }
    t.cells.assign(calibration_points * x_table_columns, x_table_empty);
    for (std::size_t i = 0; i < calibration_points; ++i) {
        const auto& l = lists[i];
        const double lo_v = std::ceil(l.front().first);
        const double hi_v = std::floor(l.back().first);
        // A row with a missing point (-1) in some record gets no cells: lo is
        // then negative, which as an unsigned number lies above every hi.
        if (lo_v < 0.0 || hi_v < lo_v)
            continue;
        if (l.back().first >= x_table_columns)
            ++t.beyond_row;
        const long lo = long(lo_v);
        const long hi = std::min(long(hi_v), long(x_table_columns - 1));
        double* row = &t.cells[i * x_table_columns];
        std::size_t k = 1;
        for (long p = lo; p <= hi; ++p) {
            while (k < l.size() && l[k].first < double(p))
                ++k;
            if (k >= l.size())
                break;
            const auto& a = l[k - 1];
            const auto& b = l[k];
            if (b.first != a.first)
                row[p] = a.second + (double(p) - a.first) * (b.second - a.second) / (b.first - a.first);
        }
    }
    t.list0 = lists[0];
    t.ok = true;
    return t;
}

void write_x_table(std::ostream& out, const x_table& t)
{
    out.imbue(std::locale::classic());
    out << std::fixed << std::setprecision(3);
    const std::size_t rows = t.cells.size() / x_table_columns;
    for (std::size_t i = 0; i < rows; ++i) {
        const double* row = &t.cells[i * x_table_columns];
        for (int c = 0; c < x_table_columns; ++c)
            out << std::setw(12) << row[c];
        out << "   eol \n";
    }
}

x_table make_x_table_file(const std::filesystem::path& in_file, const std::filesystem::path& out_file,
                          const std::function<void(const char*)>& phase)
{
    std::ifstream in(in_file);
    std::istringstream empty;
    x_table t = in ? build_x_table(in, phase) : build_x_table(empty, phase);
    if (!t.ok)
        return t;
    if (phase)
        phase("Запись");
    std::error_code ec;
    if (out_file.has_parent_path())
        std::filesystem::create_directories(out_file.parent_path(), ec);
    const std::filesystem::path tmp = out_file.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::out | std::ios::trunc);
        if (out)
            write_x_table(out, t);
        out.flush();
        if (!out) {
            std::filesystem::remove(tmp, ec);
            t.ok = false;
            t.error = "Не удалось записать файл " + out_file.string();
            return t;
        }
    }
    std::filesystem::rename(tmp, out_file, ec);
    if (ec) {
        std::filesystem::remove(tmp, ec);
        t.ok = false;
        t.error = "Не удалось записать файл " + out_file.string();
    }
    return t;
}

} // namespace orvex::calibr
