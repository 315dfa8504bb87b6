// The chart's widget-free arithmetic: ranges, aspect, mapping, grid steps,
// view changes, clipping and thinning.
#include "charts/chart_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

using namespace orvex::math;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

ChartMapping make_mapping(ChartRect view, bool inv_x = false, bool inv_y = false)
{
    // Plot 100..500 x 50..250 pixels.
    return {view, 100.0, 50.0, 500.0, 250.0, inv_x, inv_y};
}

} // namespace

TEST(ChartMath, RangesGetMarginsAndNarrowRangesAreWidened)
{
    auto r = range_with_margin(2.0, 4.0, 0.1);
    EXPECT_DOUBLE_EQ(r.lo, 1.8);
    EXPECT_DOUBLE_EQ(r.hi, 4.2);

    r = range_with_margin(0.0, 0.0, 0.0);
    EXPECT_EQ(r.lo, -kHalfMinChartSpan);
    EXPECT_EQ(r.hi, kHalfMinChartSpan);
    EXPECT_EQ(r.span(), 2.220446049250313e-13);

    r = range_with_margin(3.0, 3.0, 0.0);
    EXPECT_NEAR(r.span(), 2.220446049250313e-13, 1e-15);
    EXPECT_NEAR((r.lo + r.hi) / 2.0, 3.0, 1e-15);

    // The margin applies to the widened span.
    r = range_with_margin(0.0, 0.0, 0.5);
    EXPECT_NEAR(r.span(), 2.0 * kMinChartSpan, 1e-27);

    // Ends given in reverse order are put in order instead of giving an upside-down view.
    r = range_with_margin(4.0, 2.0, 0.0);
    EXPECT_DOUBLE_EQ(r.lo, 2.0);
    EXPECT_DOUBLE_EQ(r.hi, 4.0);
}

TEST(ChartMath, ExtentsGrowFromTheInitialIntervalAndIgnoreNonFinite)
{
    Extent e(0.0, 0.0);
    for (double v : {5.0, 7.5, 10.0, kNaN, kInf, -kInf})
        e.add(v);
    auto r = e.to_range(0.05);
    EXPECT_DOUBLE_EQ(r.lo, -0.5);
    EXPECT_DOUBLE_EQ(r.hi, 10.5);

    Extent empty(1.0, -1.0);
    EXPECT_TRUE(empty.empty());
    empty.add(kNaN);
    EXPECT_TRUE(empty.empty());
    r = empty.to_range(2.0);
    const double d = 2.220446049250313e-13 * 2.0;
    EXPECT_DOUBLE_EQ(r.lo, -1.1102230246251565e-13 - d);
    EXPECT_DOUBLE_EQ(r.hi, 1.1102230246251565e-13 + d);

    Extent from_empty;
    from_empty.add(-3.0);
    EXPECT_FALSE(from_empty.empty());
    EXPECT_EQ(from_empty.lo(), -3.0);
    EXPECT_EQ(from_empty.hi(), -3.0);
}

TEST(ChartMath, AspectRuleWidensTheShortSide)
{
    const ChartRect square{0.0, 0.0, 10.0, 10.0};
    // Wide plot (height / width = 0.5): X grows around its centre, Y stays.
    auto r = apply_aspect(square, true, 0.5);
    EXPECT_DOUBLE_EQ(r.x0, -5.0);
    EXPECT_DOUBLE_EQ(r.x1, 15.0);
    EXPECT_DOUBLE_EQ(r.y0, 0.0);
    EXPECT_DOUBLE_EQ(r.y1, 10.0);
    // Tall plot: Y grows.
    r = apply_aspect(square, true, 2.0);
    EXPECT_DOUBLE_EQ(r.x0, 0.0);
    EXPECT_DOUBLE_EQ(r.x1, 10.0);
    EXPECT_DOUBLE_EQ(r.y0, -5.0);
    EXPECT_DOUBLE_EQ(r.y1, 15.0);
    // Unchanged: keep off, matching aspect, zero X span, unusable aspect.
    for (const auto& [rect, keep, k] :
         {std::tuple{square, false, 0.5}, std::tuple{square, true, 1.0},
          std::tuple{ChartRect{1, 0, 1, 5}, true, 0.5}, std::tuple{square, true, 0.0},
          std::tuple{square, true, kInf}, std::tuple{square, true, kNaN}}) {
        r = apply_aspect(rect, keep, k);
        EXPECT_EQ(r.x0, rect.x0);
        EXPECT_EQ(r.x1, rect.x1);
        EXPECT_EQ(r.y0, rect.y0);
        EXPECT_EQ(r.y1, rect.y1);
    }
}

TEST(ChartMath, MappingRoundTripsAndInversionMirrors)
{
    const ChartRect view{0.0, -10.0, 40.0, 10.0};
    const auto m = make_mapping(view);
    EXPECT_DOUBLE_EQ(m.px(0.0), 100.0);
    EXPECT_DOUBLE_EQ(m.px(40.0), 500.0);
    EXPECT_DOUBLE_EQ(m.px(10.0), 200.0);
    EXPECT_DOUBLE_EQ(m.py(-10.0), 250.0);
    EXPECT_DOUBLE_EQ(m.py(10.0), 50.0);
    EXPECT_DOUBLE_EQ(m.x_at(m.px(13.7)), 13.7);
    EXPECT_DOUBLE_EQ(m.y_at(m.py(-2.5)), -2.5);

    const auto inv = make_mapping(view, true, true);
    for (double x : {0.0, 7.0, 33.0})
        EXPECT_DOUBLE_EQ(inv.px(x), m.left + m.right - m.px(x));
    for (double y : {-10.0, 1.0, 9.0})
        EXPECT_DOUBLE_EQ(inv.py(y), m.top + m.bottom - m.py(y));
    EXPECT_DOUBLE_EQ(inv.x_at(inv.px(21.0)), 21.0);
    EXPECT_DOUBLE_EQ(inv.y_at(inv.py(4.0)), 4.0);
    EXPECT_DOUBLE_EQ(inv.fx(500.0), 0.0);
    EXPECT_DOUBLE_EQ(inv.fy(50.0), 0.0);

    EXPECT_EQ(round_pixel(10.5), 11.0);
    EXPECT_EQ(round_pixel(10.49), 10.0);
    EXPECT_EQ(round_pixel(-0.5), 0.0);

    EXPECT_TRUE(m.drawable());
    EXPECT_FALSE(make_mapping({0, 0, 0, 10}).drawable());
    EXPECT_FALSE(make_mapping({0, 0, 10, kNaN}).drawable());
    EXPECT_FALSE(make_mapping({0, 0, kInf, 10}).drawable());
    EXPECT_FALSE(make_mapping({5, 0, 1, 10}).drawable());
    EXPECT_FALSE((ChartMapping{view, 100, 50, 100, 250, false, false}.drawable()));
}

TEST(ChartMath, PlotAreaFollowsTheScale)
{
    auto a = plot_area(800, 600, 1.0);
    EXPECT_EQ(a.left, 55.0);
    EXPECT_EQ(a.right, 775.0);
    EXPECT_EQ(a.top, 20.0);
    EXPECT_EQ(a.bottom, 575.0);
    EXPECT_DOUBLE_EQ(a.aspect(), 555.0 / 720.0);
    a = plot_area(800, 600, 2.0);
    EXPECT_EQ(a.left, 110.0);
    EXPECT_EQ(a.right, 750.0);
    EXPECT_EQ(a.top, 20.0);
    EXPECT_EQ(a.bottom, 550.0);
}

TEST(ChartMath, NiceStepPicksTenFiveTwoOrOne)
{
    EXPECT_DOUBLE_EQ(nice_step(7.2), 10.0);
    EXPECT_DOUBLE_EQ(nice_step(3.6), 5.0);
    EXPECT_DOUBLE_EQ(nice_step(180.0), 200.0);
    EXPECT_DOUBLE_EQ(nice_step(1.2), 1.0);
    EXPECT_DOUBLE_EQ(nice_step(0.0012), 0.001);
    EXPECT_DOUBLE_EQ(nice_step(0.045), 0.05);
    EXPECT_NEAR(nice_step(2.5e-12), 2e-12, 1e-24);
    EXPECT_DOUBLE_EQ(nice_step(10.0), 10.0);
    for (double bad : {0.0, -1.0, kNaN, kInf, std::numeric_limits<double>::denorm_min()})
        EXPECT_EQ(nice_step(bad), 0.0) << bad;

    EXPECT_EQ(label_decimals(0.5), 3);
    EXPECT_EQ(label_decimals(1.0), 3);
    EXPECT_EQ(label_decimals(10.0), 2);
    EXPECT_EQ(label_decimals(100.0), 1);
    EXPECT_EQ(label_decimals(100.5), 0);
}

TEST(ChartMath, GridLinesStandAtMultiplesOfTheStep)
{
    auto g = grid_multiples(-0.5, 10.5, 2.0);
    ASSERT_EQ(g.size(), 6u);
    EXPECT_EQ(g.front(), 0.0);
    EXPECT_EQ(g.back(), 10.0);
    g = grid_multiples(-7.0, -1.0, 5.0);
    ASSERT_EQ(g.size(), 1u);
    EXPECT_EQ(g[0], -5.0);
    EXPECT_EQ(grid_multiples(0.0, 1e6, 1.0, 50).size(), 50u);
    EXPECT_TRUE(grid_multiples(0.0, 10.0, 0.0).empty());
    EXPECT_TRUE(grid_multiples(0.0, kInf, 1.0).empty());
    EXPECT_TRUE(grid_multiples(kNaN, 1.0, 1.0).empty());
    // Far from the origin the count stays bounded even where steps vanish in rounding.
    EXPECT_LE(grid_multiples(1e20, 1e20 + 1e6, 1e-3).size(), 1000u);
}

TEST(ChartMath, WheelZoomKeepsThePointUnderTheCursorAndPanFollowsTheCursor)
{
    const ChartRect v{10.0, -4.0, 30.0, 6.0};
    const double g = 0.3;
    const double h = 0.8;
    for (bool forward : {true, false}) {
        const auto r = zoom_at(v, g, h, forward);
        EXPECT_NEAR(r.x0 + g * (r.x1 - r.x0), v.x0 + g * 20.0, 1e-12);
        EXPECT_NEAR(r.y0 + h * (r.y1 - r.y0), v.y0 + h * 10.0, 1e-12);
        EXPECT_NEAR(r.x1 - r.x0, forward ? 18.0 : 22.0, 1e-12);
        EXPECT_NEAR(r.y1 - r.y0, forward ? 9.0 : 11.0, 1e-12);
    }

    // 400 x 200 pixels for 40 x 20 units: 0.1 unit per pixel.
    const ChartRect view{0.0, -10.0, 40.0, 10.0};
    auto r = pan_view(make_mapping(view), view, 10.0, 20.0);
    EXPECT_DOUBLE_EQ(r.x0, -1.0); // dragged right: content moves right, view left
    EXPECT_DOUBLE_EQ(r.x1, 39.0);
    EXPECT_DOUBLE_EQ(r.y0, -8.0); // dragged down: view up
    EXPECT_DOUBLE_EQ(r.y1, 12.0);
    r = pan_view(make_mapping(view, true, true), view, 10.0, 20.0);
    EXPECT_DOUBLE_EQ(r.x0, 1.0);
    EXPECT_DOUBLE_EQ(r.y0, -12.0);

    const auto band = band_view(make_mapping(view), 300.0, 150.0, 200.0, 100.0);
    ASSERT_TRUE(band);
    EXPECT_DOUBLE_EQ(band->x0, 10.0);
    EXPECT_DOUBLE_EQ(band->x1, 20.0);
    EXPECT_DOUBLE_EQ(band->y0, 0.0);
    EXPECT_DOUBLE_EQ(band->y1, 5.0);
    EXPECT_FALSE(band_view(make_mapping(view), 200.0, 100.0, 200.0, 150.0));
}

TEST(ChartMath, ClippingCutsSegmentsAndLinesToTheRectangle)
{
    const ChartRect r{0.0, 0.0, 10.0, 10.0};
    auto s = clip_segment({{-5, 5}, {15, 5}}, r);
    ASSERT_TRUE(s);
    EXPECT_DOUBLE_EQ(s->a.x, 0.0);
    EXPECT_DOUBLE_EQ(s->b.x, 10.0);
    s = clip_segment({{2, 2}, {3, 4}}, r);
    ASSERT_TRUE(s);
    EXPECT_DOUBLE_EQ(s->a.x, 2.0);
    EXPECT_DOUBLE_EQ(s->b.y, 4.0);
    EXPECT_FALSE(clip_segment({{-5, -5}, {-1, 20}}, r));
    EXPECT_FALSE(clip_segment({{11, 0}, {20, 10}}, r));
    EXPECT_FALSE(clip_segment({{kNaN, 1}, {5, 5}}, r));
    EXPECT_FALSE(clip_segment({{-1e308, 5}, {kInf, 5}}, r));
    // Far-away ends still give the visible part, and nothing outside it.
    s = clip_segment({{-1e300, 5}, {1e300, 5}}, r);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->a.x, 0.0);
    EXPECT_EQ(s->b.x, 10.0);
    EXPECT_EQ(s->a.y, 5.0);
    int kept = 0;
    for (double far : {1e15, 1e20, 1e100, 1e300}) {
        for (double slope : {0.3, 1.0, 3.0, 7.0}) {
            s = clip_segment({{-far, 2.0 - slope * far}, {far, 2.0 + slope * far}}, r);
            if (!s)
                continue;
            ++kept;
            for (const Point2d& p : {s->a, s->b})
                EXPECT_TRUE(p.x >= 0.0 && p.x <= 10.0 && p.y >= 0.0 && p.y <= 10.0) << p.x << ' ' << p.y;
        }
    }
    EXPECT_GT(kept, 4);

    auto l = clip_line(1.0, 0.0, -4.0, r); // x = 4
    ASSERT_TRUE(l);
    EXPECT_DOUBLE_EQ(l->a.x, 4.0);
    EXPECT_DOUBLE_EQ(l->b.x, 4.0);
    EXPECT_DOUBLE_EQ(std::abs(l->b.y - l->a.y), 10.0);
    l = clip_line(0.0, 2.0, -6.0, r); // y = 3
    ASSERT_TRUE(l);
    EXPECT_DOUBLE_EQ(l->a.y, 3.0);
    EXPECT_DOUBLE_EQ(l->b.y, 3.0);
    l = clip_line(1.0, -1.0, 0.0, r); // the diagonal
    ASSERT_TRUE(l);
    EXPECT_DOUBLE_EQ(l->a.x, l->a.y);
    EXPECT_DOUBLE_EQ(std::abs(l->b.x - l->a.x), 10.0);
    EXPECT_FALSE(clip_line(1.0, 0.0, -20.0, r));
    EXPECT_FALSE(clip_line(0.0, 0.0, 1.0, r));
}

TEST(ChartMath, ThinningKeepsEachColumnsExtremesInOrder)
{
    // 20 000 points over 100 columns, a fast oscillation with a slow drift.
    Profile2d pts;
    for (int i = 0; i < 20000; ++i)
        pts.push_back({i / 200.0, std::sin(i * 0.37) * 10.0 + i * 0.001});
    const auto kept_idx = thin_by_column(pts, 0.0, 100.0);
    EXPECT_LE(kept_idx.size(), 4u * 101u);
    Profile2d thin;
    for (std::size_t i : kept_idx)
        thin.push_back(pts.at(i));

    std::map<double, std::pair<double, double>> full;
    std::map<double, std::pair<double, double>> kept;
    auto add = [](auto& m, const Point2d& p) {
        const double col = round_pixel(p.x);
        auto [it, fresh] = m.try_emplace(col, p.y, p.y);
        it->second.first = std::min(it->second.first, p.y);
        it->second.second = std::max(it->second.second, p.y);
        (void)fresh;
    };
    for (const auto& p : pts)
        add(full, p);
    for (const auto& p : thin)
        add(kept, p);
    EXPECT_EQ(full, kept);
    EXPECT_EQ(kept_idx.front(), 0u);
    EXPECT_EQ(kept_idx.back(), pts.size() - 1);
    for (std::size_t i = 1; i < kept_idx.size(); ++i)
        EXPECT_LT(kept_idx[i - 1], kept_idx[i]);

    // A gap survives as one gap mark and is never bridged.
    Profile2d gappy{{kNaN, 0}, {0.1, 1}, {0.2, 2}, {kNaN, 5}, {3, kNaN}, {5.0, 3}, {5.1, 4}};
    const std::vector<std::size_t> g = thin_by_column(gappy, 0.0, 10.0);
    const std::vector<std::size_t> expected{1, 2, kGapIndex, 5, 6};
    EXPECT_EQ(g, expected);

    // Everything left or right of the plot collapses into one column each.
    Profile2d wide;
    for (int i = -1000; i <= 1000; ++i)
        wide.push_back({static_cast<double>(i), static_cast<double>(i % 7)});
    EXPECT_LE(thin_by_column(wide, 0.0, 10.0).size(), 4u + 11u + 4u);
}
