// Corner detection, the Y procedures' plans and checks, tooth labelling, the
// comb, the result file and the Y table, all in the core.
#include "calibr/corner_detection.h"
#include "calibr/y_calibration.h"
#include "calibr/y_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

using namespace orvex::calibr;

namespace {

// A bend at point 500.5 (between two measured points), of height `sign`.
std::vector<double> bend(double apex_x, double sign)
{
    std::vector<double> v(1024);
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = apex_x + sign * std::fabs(double(i) - 500.5);
    return v;
}

std::string stop_reason(const std::function<void()>& f)
{
    try {
        f();
    } catch (const procedure_stopped& e) {
        return e.what();
    }
    return "no stop";
}

} // namespace

TEST(CornerDetection, FindsOnlyTrueBendsAtTheFittedIntersection)
{
    std::vector<double> none(1024, -1.0);
    EXPECT_TRUE(find_corners(none.data(), none.size(), 1, false).corners.empty());
    std::vector<double> straight(1024);
    for (std::size_t i = 0; i < straight.size(); ++i)
        straight[i] = 200.0 + 0.5 * double(i);
    EXPECT_TRUE(find_corners(straight.data(), straight.size(), 1, false).corners.empty());

    const auto roof = bend(300.0, 1.0); // the apex faces the sensor: smallest pixel
    const auto r = find_corners(roof.data(), roof.size(), 1, false);
    ASSERT_EQ(r.corners.size(), 1u);
    EXPECT_NEAR(r.corners[0].x, 300.0, 1e-3);
    EXPECT_NEAR(r.corners[0].y, 500.5, 1e-3); // no point was measured there
    EXPECT_FALSE(r.a_points.empty());
    EXPECT_FALSE(r.b_points.empty());
}

TEST(CornerDetection, OrientationFollowsChannelAndInvertedFlag)
{
    const auto roof = bend(300.0, 1.0);    // first stretch falls
    const auto valley = bend(800.0, -1.0); // first stretch rises
    EXPECT_EQ(find_corners(roof.data(), 1024, 1, true).corners.size(), 0u);
    ASSERT_EQ(find_corners(valley.data(), 1024, 1, true).corners.size(), 1u);
    EXPECT_NEAR(find_corners(valley.data(), 1024, 1, true).corners[0].x, 800.0, 1e-3);
    EXPECT_EQ(find_corners(valley.data(), 1024, 1, false).corners.size(), 0u);
    EXPECT_EQ(find_corners(roof.data(), 1024, 2, false).corners.size(), 0u);
    EXPECT_EQ(find_corners(valley.data(), 1024, 2, false).corners.size(), 1u);

    const corner_point p = intersect({1.0, 2.0, 3.0}, {2.0, 4.0, -7.0});
    EXPECT_EQ(p.x, 1.7976931348623157e308);
    EXPECT_EQ(p.y, 1.7976931348623157e308);
}

TEST(YProcedures, PlansAndSpinChecksStopBeforeAnythingMoves)
{
    EXPECT_EQ(stop_reason([] { corner_plan({50, 5, 20, 3}); }), "Шаг по Y не кратен шагу зубчиков");
    const auto plan = corner_plan({5, 5, 8, 2});
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].second, (std::vector<double>{-4, -2, 0, 2, 4}));
    EXPECT_EQ(plan[1].first, 5.0);
    EXPECT_EQ(plan[1].second, (std::vector<double>{4, 2, 0, -2, -4}));
    EXPECT_EQ(corner_plan({1.0, 0.1, 1.0, 0.1})[0].second.size(), 11u); // 0.5 is ten steps of 0.1

    EXPECT_EQ(teeth_steps(checked_teeth_settings({50, 10, 5, 2})), (std::vector<double>{0, 2, 4, 6, 8}));
    EXPECT_EQ(stop_reason([] {
                  checked_teeth_settings({50, 6, 5, 2});
              }),
              "Слишком мало шагов в пределах шага зубчиков, должно быть минимум 4");
    // 2.5 and 5 round to 3 and 5.
    EXPECT_EQ(stop_reason([] {
                  checked_teeth_settings({50, 5, 5, 2.5});
              }),
              "Шаг по Y не кратен шагу зубчиков");
    EXPECT_EQ(stop_reason([] {
                  checked_teeth_settings({50, 10, 5, 0.4});
              }),
              "Шаг по Y не кратен шагу зубчиков");
    EXPECT_EQ(x_columns(10, 0.0), (std::vector<double>{0})); // a step rounded to 0 is one column, not a hang
}

TEST(YProcedures, TeethAreLabelledAcrossSteps)
{
    teeth_tracker t(10.0, 2.0);
    t.reset_column();
    std::vector<corner_entry> c{{0, 400, 0, 0}, {0, 505, 0, 0}, {0, 610, 0, 0}};
    t.label(c, 0);
    EXPECT_EQ(t.reference_y, 505.0);
    EXPECT_EQ(c[0].value, -10.0);
    EXPECT_EQ(c[2].value, 10.0);
    // The teeth move up by 20 points; one new tooth comes in at the low end.
    std::vector<corner_entry> d{{0, 320, 0, 0}, {0, 420, 0, 0}, {0, 525, 0, 0}, {0, 630, 0, 0}};
    t.label(d, 2);
    EXPECT_EQ(d[0].value, -10.0 - 10.0 + 2.0);
    EXPECT_EQ(d[1].value, -8.0);
    EXPECT_EQ(d[3].value, 12.0);
    EXPECT_EQ(t.accumulator.size(), 7u);
    // Two new teeth below at once lose the tracking.
    std::vector<corner_entry> e{{0, 100, 0, 0}, {0, 200, 0, 0}, {0, 440, 0, 0}};
    EXPECT_EQ(stop_reason([&] { t.label(e, 4); }), "Две новых точки снизу.");
    // After a step without teeth, the next one counts from the reference.
    t.reset_column();
    std::vector<corner_entry> empty;
    t.label(empty, 0);
    std::vector<corner_entry> f{{0, 300, 0, 0}, {0, 500, 0, 0}};
    t.label(f, 2);
    EXPECT_EQ(f[1].value, 2.0);
    EXPECT_EQ(f[0].value, -8.0);
}

TEST(YProcedures, CombFindsTinesAndNumbersFromTheMidLine)
{
    std::vector<double> p(1024, -1.0);
    for (int i = 100; i <= 120; ++i)
        p[std::size_t(i)] = 400.0;
    for (int i = 300; i <= 330; ++i)
        p[std::size_t(i)] = 500.0;
    p[600] = 2.0; // below 3: no line
    const auto m = comb_middles(p.data(), p.size());
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].y, 110.0);
    EXPECT_EQ(m[1].x, 500.0);
    EXPECT_EQ(m[1].y, 315.0);

    std::vector<corner_group> g{{{0, 600, 0, 0}, {0, 700, 0, 0}, {0, 800, 0, 0}},
                                {{0, 400, 0, 0}, {0, 500, 0, 0}, {0, 520, 0, 0}}};
    comb_coordinates(g, 10.0, 512);
    EXPECT_EQ(g[0][0].value, 0.0);
    EXPECT_EQ(g[0][2].value, 20.0);
    EXPECT_EQ(g[1][0].value, -20.0);
    EXPECT_EQ(g[1][2].value, 0.0);
}

TEST(YTable, ResultFileRoundTripAndTable)
{
    std::vector<corner_group> groups{{{100, 900, 0, 9}, {100, 0, 0, 0}}, {{300, 0, 0, 0}, {300, 900, 0, 18}}};
    std::ostringstream out;
    write_y_results(out, groups);
    EXPECT_EQ(out.str().substr(0, 41), "100.000   0.000     0         0.000     \n");
    EXPECT_EQ(out.str().substr(82, 42), "\n300.000   0.000     0         0.000     \n");

    std::istringstream in(out.str());
    std::vector<corner_group> back;
    std::string error;
    ASSERT_TRUE(read_y_results(in, back, error)) << error;
    ASSERT_EQ(back.size(), 2u);
    const y_table t = build_y_table(back);
    ASSERT_TRUE(t.ok);
    const auto cell = [&](int r, int c) { return t.cells[std::size_t(r) * 1280 + std::size_t(c)]; };
    EXPECT_NEAR(cell(450, 100), 4.5, 1e-9);
    EXPECT_NEAR(cell(450, 200), 6.75, 1e-9);
    EXPECT_EQ(cell(901, 200), 65535.0);
    EXPECT_EQ(cell(450, 301), 65535.0);

    std::istringstream bad("1 2 0 3\n1 2 x 3\n");
    EXPECT_FALSE(read_y_results(bad, back, error));
    EXPECT_EQ(error, "Ошибка в строке 2: не число \"x\"");
    std::istringstream one("1 2 0 3\n1 5 0 4\n");
    ASSERT_TRUE(read_y_results(one, back, error));
    EXPECT_EQ(build_y_table(back).error, "Мало исходных данных");
}
