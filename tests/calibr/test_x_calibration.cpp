// X calibration in the core: the step rule and the table from records.
#include "calibr/x_calibration.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace orvex::calibr;

namespace {

void add(x_calibration_state& s, double position, double line)
{
    std::vector<double> p(1024, line);
    s.records.emplace_back(position, p.data(), p.size());
}

// A record file: one line per (position, value for every point).
std::string records(const std::vector<std::pair<double, double>>& lines)
{
    std::ostringstream out;
    out.setf(std::ios::fixed);
    out.precision(3);
    for (const auto& [pos, value] : lines) {
        std::vector<double> p(1024, value);
        write_record_line(out, pos, p.data());
    }
    out << "\n\n\n";
    return out.str();
}

double cell(const x_table& t, int row, int col)
{
    return t.cells[std::size_t(row) * 1280 + std::size_t(col)];
}

} // namespace

TEST(XStepRule, FallsBackOnTheInitialStepAndFollowsTheDirection)
{
    x_calibration_state s;
    EXPECT_DOUBLE_EQ(x_step(s), 0.001); // nothing recorded, no initial step yet
    s.initial_step = 0.05;
    add(s, 0.0, 100.0);
    add(s, 0.5, 105.0);
    add(s, 0.9, 109.9);
    EXPECT_DOUBLE_EQ(x_step(s), 0.05); // newest within 10 px of every older one

    add(s, 1.2, 112.0); // 12 px from the oldest: 0.1 per pixel
    EXPECT_NEAR(x_step(s), 0.02, 1e-12);
    EXPECT_NEAR(s.position_per_pixel, 0.1, 1e-12);

    x_calibration_state inv;
    inv.inverted = true;
    add(inv, 0.0, 500.0);
    add(inv, 2.0, 480.0); // towards smaller pixels
    EXPECT_NEAR(x_step(inv), 0.02, 1e-12);

    x_calibration_state back;
    back.initial_step = 0.0001;
    add(back, 0.0, 100.0);
    add(back, -2.0, 120.0); // a negative step is not taken
    EXPECT_DOUBLE_EQ(x_step(back), 0.001);
}

TEST(XTable, InterpolatesInsideTheRecordedSpanOnly)
{
    // Point values 100.5 .. 103.5 at positions 0 .. 3, with a repeated value.
    std::istringstream in(records({{2.0, 102.5}, {0.0, 100.5}, {1.0, 101.5}, {1.5, 101.5}, {3.0, 103.5}}));
    const x_table t = build_x_table(in);
    ASSERT_TRUE(t.ok) << t.error;
    EXPECT_EQ(t.records, 5u);
    EXPECT_EQ(cell(t, 0, 100), 65535.0); // below the smallest value
    EXPECT_NEAR(cell(t, 0, 101), 0.5, 1e-12);
    EXPECT_NEAR(cell(t, 7, 102), 1.75, 1e-12); // 101.5@1.5 .. 102.5@2.0
    EXPECT_NEAR(cell(t, 1023, 103), 2.5, 1e-12);
    EXPECT_EQ(cell(t, 0, 104), 65535.0); // above the largest
    ASSERT_EQ(t.list0.size(), 5u);
    EXPECT_EQ(t.list0.front().first, 100.5);

    // Bracketing pairs of equal value: no division by zero, the cell stays empty.
    std::istringstream flat(records({{0.0, 200.0}, {1.0, 200.0}}));
    const x_table f = build_x_table(flat);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(cell(f, 0, 200), 65535.0);
}

TEST(XTable, BadRecordFilesGiveTheirMessageAndNoTable)
{
    orvex::test::TempDir dir;
    const auto out = dir / "TableX.txt";

    orvex::test::write_file(dir / "one.txt", records({{0.0, 100.0}}));
    std::vector<std::string> phases;
    x_table t = make_x_table_file(dir / "one.txt", out, [&](const char* p) { phases.push_back(p); });
    EXPECT_FALSE(t.ok);
    EXPECT_EQ(t.error, "Мало исходных данных");
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(phases, (std::vector<std::string>{"Чтение", "Расчет"}));
    EXPECT_EQ(make_x_table_file(dir / "missing.txt", out).error, "Мало исходных данных");

    std::string text = records({{0.0, 100.0}, {1.0, 110.0}});
    orvex::test::write_file(dir / "short.txt", text.substr(0, text.find('\n') - 8) + "\n" + text);
    t = make_x_table_file(dir / "short.txt", out);
    EXPECT_FALSE(t.ok);
    EXPECT_NE(t.error.find("строке 1"), std::string::npos) << t.error;

    std::string bad = text;
    bad.replace(bad.find("100.000"), 7, "1o0.000");
    orvex::test::write_file(dir / "bad.txt", bad);
    EXPECT_NE(make_x_table_file(dir / "bad.txt", out).error.find("1o0.000"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));

    // Values beyond the image and points without line: nothing written
    // outside the rows, no cells for the row with a missing point.
    std::string wide = records({{0.0, 1270.0}, {1.0, 1300.0}});
    const std::size_t tab = wide.find('\t');
    wide.replace(tab + 1, 8, "-1.000\t");
    orvex::test::write_file(dir / "wide.txt", wide);
    t = make_x_table_file(dir / "wide.txt", out, [&](const char* p) { phases.push_back(p); });
    ASSERT_TRUE(t.ok) << t.error;
    EXPECT_EQ(phases.back(), "Запись");
    EXPECT_EQ(cell(t, 0, 1275), 65535.0); // point 0 was missing in one record
    EXPECT_NEAR(cell(t, 1, 1279), 0.3, 1e-12);
    EXPECT_EQ(t.beyond_row, 1023u);
    const std::string table = orvex::test::read_file(out);
    const std::string first_row = table.substr(0, table.find('\n') + 1);
    EXPECT_EQ(first_row.size(), 1280u * 12 + 8);
    EXPECT_EQ(first_row.substr(0, 12), "   65535.000");
    EXPECT_EQ(first_row.substr(first_row.size() - 8), "   eol \n");
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 1024);
}
