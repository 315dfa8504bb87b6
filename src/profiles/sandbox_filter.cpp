#include "profiles/sandbox_filter.h"

namespace orvex {

bool inside_cut_zone(const SandboxSettings& s, const math::Point2d& p)
{
    return s.cut_x0 < p.x && p.x < s.cut_x1 && s.cut_y0 < p.y && p.y < s.cut_y1;
}

std::vector<bool> outlier_rejects(const std::vector<math::Point2d>& points, int window, double distance,
                                  int min_count)
{
    const std::size_t n = points.size();
    if (window < 1 || n < static_cast<std::size_t>(window))
        return std::vector<bool>(n, true);
    const std::size_t half = static_cast<std::size_t>(window / 2);
    std::vector<int> counts(n, 0);
    if (window > 1) {
        // n >= window > half, so both ends stay inside the profile.
        for (std::size_t i = 0; i < half; ++i) {
            const int bonus = static_cast<int>(half - i) / 2;
            counts[i] += bonus;
            counts[n - 1 - i] += bonus;
        }
    }
    const double d2 = distance * distance;
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n && j - i < half + 1; ++j) {
            const double dx = points[i].x - points[j].x;
            const double dy = points[i].y - points[j].y;
            if (dx * dx + dy * dy <= d2) {
                ++counts[i];
                ++counts[j];
            }
        }
    }
    std::vector<bool> rejected(n);
    for (std::size_t i = 0; i < n; ++i)
        rejected[i] = counts[i] < min_count;
    return rejected;
}

void sort_sandbox_points(const math::Point2d* points, std::size_t n, const SandboxSettings& s,
                         sandbox_points& out)
{
    out.kept.clear();
    out.cut.clear();
    out.outliers.clear();
    for (std::size_t i = 0; i < n; ++i) {
        const math::Point2d& p = points[i];
        if (p.x < 0)
            continue;
        const bool keep = !s.cut_enabled || (inside_cut_zone(s, p) != s.cut_invert);
        (keep ? out.kept : out.cut).push_back(p);
    }
    if (!s.outliers_enabled)
        return;
    const std::vector<bool> rejected =
        outlier_rejects(out.kept, s.outliers_window, s.outliers_distance, s.outliers_min_count);
    std::vector<math::Point2d> kept;
    kept.reserve(out.kept.size());
    for (std::size_t i = 0; i < out.kept.size(); ++i)
        (rejected[i] ? out.outliers : kept).push_back(out.kept[i]);
    out.kept.swap(kept);
}

} // namespace orvex
