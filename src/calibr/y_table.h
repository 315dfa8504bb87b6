// The Y table from the result groups of a Y calibration (CalibrY.txt).
//
// Each group is one sweep at (nearly) one line column: its entries, sorted
// by point index, give the Y value along the profile points. The table is
// built in two steps: along the points, every group is interpolated
// linearly at each integer point index inside its span (the line column too);
// across the columns, at each point index the groups present there are
// sorted by column and interpolated at every integer pixel between the
// outermost ones, by a cubic through the four nearest groups (linear where
// only two are at hand), since the Y value bends with the column in a
// triangulation head's perspective. Cells outside the measured area hold
// 65535.
#pragma once

#include "calibr/corner_detection.h"

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace orvex::calibr {

constexpr int y_table_rows = 1024;
constexpr int y_table_columns = 1280;
constexpr double y_table_empty = 65535.0;

struct y_table {
    bool ok = false;
    std::string error;         // the message for the log when not ok
    std::vector<double> cells; // rows x 1280, 65535 where no value
    std::size_t groups = 0;
    std::size_t entries = 0;
    std::size_t filled = 0;
};

/// Reads result groups: lines of four numbers, groups closed by empty
/// lines. A line that is not four numbers is an error naming the line.
bool read_y_results(std::istream& in, std::vector<std::vector<corner_entry>>& groups, std::string& error);

y_table build_y_table(const std::vector<std::vector<corner_entry>>& groups);

/// Same text shape as the X table: fixed 3 decimals right-aligned in 12
/// characters, each row closed by "   eol \n".
void write_y_table(std::ostream& out, const y_table& t);

/// Reads `in_file`, builds and writes `out_file` through a temporary file.
/// Fewer than two groups with entries give "Мало исходных данных".
y_table make_y_table_file(const std::filesystem::path& in_file, const std::filesystem::path& out_file);

} // namespace orvex::calibr
