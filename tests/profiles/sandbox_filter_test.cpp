#include "profiles/sandbox_filter.h"

#include <gtest/gtest.h>

using orvex::SandboxSettings;
using orvex::math::Point2d;

namespace {

std::vector<Point2d> line(int n, double step)
{
    std::vector<Point2d> out;
    for (int i = 0; i < n; ++i)
        out.push_back({10.0 + i * step, 5.0});
    return out;
}

} // namespace

TEST(OutlierFilter, IsolatedPointRejectedDenseLineKeptShortProfileRejected)
{
    auto points = line(20, 0.5);
    points[10].y += 3.0; // far from every neighbour
    auto rejected = orvex::outlier_rejects(points, 5, 1.0, 1);
    for (std::size_t i = 0; i < points.size(); ++i)
        EXPECT_EQ(rejected[i], i == 10) << i;

    rejected = orvex::outlier_rejects(line(20, 0.5), 5, 1.0, 3);
    EXPECT_EQ(std::count(rejected.begin(), rejected.end(), true), 0) << "ends make up for missing neighbours";

    rejected = orvex::outlier_rejects(line(4, 0.5), 5, 1.0, 1);
    EXPECT_EQ(rejected, std::vector<bool>(4, true));
    // A neighbour exactly at the distance counts.
    rejected = orvex::outlier_rejects(line(6, 1.0), 3, 1.0, 1);
    EXPECT_EQ(std::count(rejected.begin(), rejected.end(), true), 0);
    rejected = orvex::outlier_rejects(line(6, 1.0), 3, 0.99, 1);
    EXPECT_EQ(std::count(rejected.begin(), rejected.end(), true), 6);
}

TEST(SandboxSort, CutBorderIsOutsideInversionSwapsAndInvalidPointsDrop)
{
    SandboxSettings s;
    s.cut_enabled = true;
    s.cut_x0 = 0;
    s.cut_x1 = 10;
    s.cut_y0 = -10;
    s.cut_y1 = 10;
    const Point2d pts[] = {{0, 0}, {5, 0}, {5, 10}, {-1, 0}, {20, 0}};
    orvex::sandbox_points out;
    orvex::sort_sandbox_points(pts, 5, s, out);
    ASSERT_EQ(out.kept.size(), 1u);
    EXPECT_EQ(out.kept[0].x, 5);
    EXPECT_EQ(out.cut.size(), 3u) << "border points and the far one; the invalid point is dropped";
    s.cut_invert = true;
    orvex::sort_sandbox_points(pts, 5, s, out);
    EXPECT_EQ(out.kept.size(), 3u);
    EXPECT_EQ(out.cut.size(), 1u);
    // The outlier filter works on the kept points only.
    s.outliers_enabled = true;
    s.outliers_window = 5;
    orvex::sort_sandbox_points(pts, 5, s, out);
    EXPECT_TRUE(out.kept.empty());
    EXPECT_EQ(out.outliers.size(), 3u);
    EXPECT_EQ(out.cut.size(), 1u);
}
