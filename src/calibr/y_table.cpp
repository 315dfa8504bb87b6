#include "calibr/y_table.h"

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

struct sample {
    double x;     // line column, pixels
    double value; // Y
};

// Lagrange polynomial through the nodes at `at`.
double lagrange(const sample* s, int count, double at)
{
    double sum = 0.0;
    for (int i = 0; i < count; ++i) {
        double w = 1.0;
        for (int j = 0; j < count; ++j)
            if (j != i)
                w *= (at - s[j].x) / (s[i].x - s[j].x);
        sum += w * s[i].value;
    }
    return sum;
}

} // namespace

bool read_y_results(std::istream& in, std::vector<std::vector<corner_entry>>& groups, std::string& error)
{
    groups.clear();
    std::string line;
    std::size_t line_no = 0;
    bool open = false;
    while (std::getline(in, line)) {
        ++line_no;
        std::istringstream tokens(line);
        std::vector<double> numbers;
        std::string token;
        while (tokens >> token) {
            double v = 0.0;
            if (!k7::parse_table_number(token, v) || !std::isfinite(v)) {
                error = "Ошибка в строке " + std::to_string(line_no) + ": не число \"" + token + "\"";
                return false;
            }
            numbers.push_back(v);
        }
        if (numbers.empty()) {
            open = false;
            continue;
        }
        if (numbers.size() != 4) {
            error = "Ошибка в строке " + std::to_string(line_no) + ": " + std::to_string(numbers.size()) +
                    " чисел вместо 4";
            return false;
        }
        if (!open)
            groups.emplace_back();
        open = true;
        groups.back().push_back({numbers[0], numbers[1], numbers[2], numbers[3]});
    }
    return true;
}

y_table build_y_table(const std::vector<std::vector<corner_entry>>& groups)
{
    y_table t;
    // Along the points: per group and integer point index, (column, Y).
    std::vector<std::vector<sample>> rows(y_table_rows);
    for (const auto& g : groups) {
        std::vector<corner_entry> e;
        for (const auto& c : g)
            if (std::fabs(c.x) < 1e6 && std::fabs(c.y) < 1e6) // parallel lines found no corner
                e.push_back(c);
        std::stable_sort(e.begin(), e.end(), [](const auto& a, const auto& b) { return a.y < b.y; });
        t.entries += e.size();
        if (e.size() < 2)
            continue;
        ++t.groups;
        const int from = std::max(0, int(std::ceil(e.front().y)));
        const int to = std::min(y_table_rows - 1, int(std::floor(e.back().y)));
        std::size_t k = 0;
        for (int r = from; r <= to; ++r) {
            while (k + 2 < e.size() && e[k + 1].y <= r)
                ++k;
            const corner_entry& a = e[k];
            const corner_entry& b = e[k + 1];
            if (!(b.y > a.y))
                continue; // two entries on one point: no slope to follow
            const double f = (r - a.y) / (b.y - a.y);
            rows[std::size_t(r)].push_back({a.x + f * (b.x - a.x), a.value + f * (b.value - a.value)});
        }
    }
    if (t.groups < 2) {
        t.error = "Мало исходных данных";
        return t;
    }
    t.cells.assign(std::size_t(y_table_rows) * y_table_columns, y_table_empty);
    for (int r = 0; r < y_table_rows; ++r) {
        auto& s = rows[std::size_t(r)];
        std::stable_sort(s.begin(), s.end(), [](const sample& a, const sample& b) { return a.x < b.x; });
        const int n = int(s.size());
        for (int i = 0; i + 1 < n; ++i) {
            if (!(s[std::size_t(i + 1)].x > s[std::size_t(i)].x))
                continue;
            const int from = std::max(0, int(std::ceil(s[std::size_t(i)].x)));
            const int to = std::min(y_table_columns - 1, int(std::floor(s[std::size_t(i + 1)].x)));
            // Four nodes around the interval when they exist and are distinct.
            int first = i, count = 2;
            if (i > 0 && i + 2 < n && s[std::size_t(i)].x > s[std::size_t(i - 1)].x &&
                s[std::size_t(i + 2)].x > s[std::size_t(i + 1)].x) {
                first = i - 1;
                count = 4;
            }
            for (int c = from; c <= to; ++c) {
                const double v = lagrange(&s[std::size_t(first)], count, c);
                if (!std::isfinite(v))
                    continue; // nodes too close together for a value
                double& cell = t.cells[std::size_t(r) * y_table_columns + std::size_t(c)];
                if (cell == y_table_empty)
                    ++t.filled;
                cell = v;
            }
        }
    }
    t.ok = true;
    return t;
}

void write_y_table(std::ostream& out, const y_table& t)
{
    out.imbue(std::locale::classic());
    out << std::fixed << std::setprecision(3);
    for (int r = 0; r < y_table_rows; ++r) {
        const double* row = &t.cells[std::size_t(r) * y_table_columns];
        for (int c = 0; c < y_table_columns; ++c)
            out << std::setw(12) << row[c];
        out << "   eol \n";
    }
}

y_table make_y_table_file(const std::filesystem::path& in_file, const std::filesystem::path& out_file)
{
    y_table t;
    std::ifstream in(in_file);
    if (!in) {
        t.error = "Не удалось открыть файл " + in_file.string();
        return t;
    }
    std::vector<std::vector<corner_entry>> groups;
    if (!read_y_results(in, groups, t.error))
        return t;
    t = build_y_table(groups);
    if (!t.ok)
        return t;
    const std::string failure =
        write_file_atomically(out_file, [&](std::ostream& out) { write_y_table(out, t); });
    if (!failure.empty()) {
        t.ok = false;
        t.error = failure;
    }
    return t;
}

} // namespace orvex::calibr
