#include "calibr/x_table.h"

#include "calibr/atomic_write.h"
#include "profiles/calibration_tables.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iomanip>
#include <locale>
#include <sstream>

namespace orvex::calibr {
namespace {

constexpr std::size_t points = 1024; // per profile

} // namespace

x_table build_x_table(std::istream& in, const std::function<void(const char*)>& phase)
{
    x_table t;
    if (phase)
        phase("Чтение");
    std::vector<std::vector<std::pair<double, double>>> lists(points);
    std::string line;
    std::size_t line_no = 0;
    std::vector<double> numbers;
    numbers.reserve(points + 1);
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
        if (numbers.size() != points + 1) {
            t.error = "Ошибка в строке " + std::to_string(line_no) + ": " + std::to_string(numbers.size()) +
                      " чисел вместо 1025";
            return t;
        }
        for (std::size_t i = 0; i < points; ++i)
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
    t.cells.assign(points * x_table_columns, x_table_empty);
    for (std::size_t i = 0; i < points; ++i) {
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
    const std::string failure =
        write_file_atomically(out_file, [&](std::ostream& out) { write_x_table(out, t); });
    if (!failure.empty()) {
        t.ok = false;
        t.error = failure;
    }
    return t;
}

} // namespace orvex::calibr
