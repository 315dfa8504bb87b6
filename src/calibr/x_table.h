// The X table from the records of an X calibration run.
//
// For every profile point the records give pairs (line value in pixels,
// position); sorted by value, they are interpolated linearly at every integer
// pixel between the smallest and the largest value. 65535 marks a cell
// without value: outside the recorded span, between two pairs of equal value,
// in a row where some record had no line (a value of -1), and beyond the
// 1280 pixels of a row.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace orvex::calibr {

/// Result of building an X table.
struct x_table {
    bool ok = false;
    std::string error;                            // the message for the log when not ok
    std::vector<double> cells;                    // rows x 1280, 65535 where no value
    std::vector<std::pair<double, double>> list0; // (value, position) of point 0, sorted
    std::size_t records = 0;
    std::size_t beyond_row = 0; // values of 1280 pixels or more (their cells are not written)
};

constexpr int x_table_columns = 1280;
constexpr double x_table_empty = 65535.0;

/// Builds the table from record text. `phase` is told "Чтение", "Расчет".
/// A line that does not hold a position and 1024 numbers is an error naming
/// the line; fewer than two records give "Мало исходных данных".
x_table build_x_table(std::istream& in, const std::function<void(const char*)>& phase = {});

/// Table text: each value fixed with 3 decimals right-aligned in 12
/// characters, each row closed by "   eol \n".
void write_x_table(std::ostream& out, const x_table& t);

/// Reads `in_file` (a missing file reads as empty), builds the table and
/// writes it to `out_file` through a temporary file, so a failure leaves no
/// half-written table. `phase` also hears "Запись".
x_table make_x_table_file(const std::filesystem::path& in_file, const std::filesystem::path& out_file,
                          const std::function<void(const char*)>& phase = {});

} // namespace orvex::calibr
