#include "calibr/corner_detection.h"

#include <cmath>
#include <cstdint>

namespace orvex::calibr {
namespace {

constexpr int half_window = 20; // an extreme is compared with 40 points
constexpr int dead_time = 19;   // positions after a flagged extreme that cannot be one
constexpr int margin = 10;      // points either side of an extreme left out of stretches
constexpr std::size_t min_end_stretch = 15;
constexpr std::size_t min_fit_points = 10;

using stretch = std::vector<corner_point>;

double cost(const std::vector<corner_point>& pts, const corner_point& p, const corner_point& q)
{
    if (p.x == q.x && p.y == q.y) {
        double sum = 0.0;
        for (std::size_t i = 0; i < pts.size(); ++i)
            sum += parallel_corner; // a line through one point costs the most per point
        return sum;
    }
    const double a = p.y - q.y;
    const double b = q.x - p.x;
    const double c = q.y * p.x - q.x * p.y;
    const double norm = std::sqrt(a * a + b * b);
    double sum = 0.0;
    for (const corner_point& s : pts)
        sum += std::fabs(a * s.x + b * s.y + c) / norm;
    return sum;
}

} // namespace

corner_line fit_line(const std::vector<corner_point>& pts)
{
    corner_point p = pts.front();
    corner_point q = pts.back();
    for (double h = 1.0; h >= 0.0001; h *= 0.5) {
        double best = 1e10;
        int bi = 0, bj = 0;
        for (int i = -2; i <= 1; ++i)
            for (int j = -2; j <= 1; ++j) {
                const double c = cost(pts, {p.x, p.y + i * h}, {q.x, q.y + j * h});
                if (c < best) {
                    best = c;
                    bi = i;
                    bj = j;
                }
            }
        p.y += bi * h;
        q.y += bj * h;
    }
    return {p.y - q.y, q.x - p.x, q.y * p.x - q.x * p.y};
}

corner_point intersect(const corner_line& l1, const corner_line& l2)
{
    const double e = l2.a * l1.b - l1.a * l2.b;
    if (e == 0.0)
        return {parallel_corner, parallel_corner};
    return {(l2.b * l1.c - l1.b * l2.c) / e, (l1.a * l2.c - l2.a * l1.c) / e};
}

corner_result find_corners(const double* values, std::size_t count, int channel, bool inverted)
{
    corner_result r;
    for (std::size_t i = 0; i < count; ++i)
        if (values[i] >= 0.0)
            r.points.push_back({values[i], double(i)});
    const auto& pts = r.points;
    const int n = int(pts.size());

    std::vector<std::uint8_t> is_max(std::size_t(n), 0), is_min(std::size_t(n), 0);
    int last_max = -dead_time - 1, last_min = -dead_time - 1;
    for (int k = half_window; k <= n - half_window - 1; ++k) {
        bool larger = false, smaller = false;
        for (int m = k - half_window; m < k + half_window; ++m) {
            larger = larger || pts[std::size_t(m)].x > pts[std::size_t(k)].x;
            smaller = smaller || pts[std::size_t(m)].x < pts[std::size_t(k)].x;
        }
        if (!larger && k - last_max > dead_time) {
            is_max[std::size_t(k)] = 1;
            last_max = k;
        }
        if (!smaller && k - last_min > dead_time) {
            is_min[std::size_t(k)] = 1;
            last_min = k;
        }
    }
    std::vector<std::uint8_t> near(std::size_t(n), 0);
    for (int k = margin; k <= n - margin - 1; ++k)
        if (is_max[std::size_t(k)] || is_min[std::size_t(k)])
            for (int m = k - margin; m < k + margin; ++m)
                near[std::size_t(m)] = 1;

    std::vector<stretch> stretches(1);
    for (int k = 0; k < n; ++k) {
        if (!near[std::size_t(k)])
            stretches.back().push_back(pts[std::size_t(k)]);
        if (is_max[std::size_t(k)] || is_min[std::size_t(k)])
            stretches.emplace_back();
    }
    if (stretches.size() < 2)
        return r;

    // Typical stretch length: the inner ones when there are any to spare.
    std::size_t first = 0, last = stretches.size();
    if (stretches.size() >= 4) {
        first = 1;
        last = stretches.size() - 1;
    }
    std::size_t sum = 0;
    for (std::size_t i = first; i < last; ++i)
        sum += stretches[i].size();
    const std::size_t typical = sum / (last - first);
    const std::size_t keep = (typical + 15) / 2;

    stretch& head = stretches.front();
    if (head.size() > keep)
        head.erase(head.begin(), head.end() - std::ptrdiff_t(keep));
    if (head.size() < min_end_stretch)
        stretches.erase(stretches.begin());
    if (!stretches.empty()) {
        stretch& tail = stretches.back();
        if (tail.size() > keep)
            tail.resize(keep);
        if (tail.size() < min_end_stretch)
            stretches.pop_back();
    }

    if (!stretches.empty()) {
        const stretch& s = stretches.front();
        const bool rises = !s.empty() && s.back().x > s.front().x;
        if ((rises != (channel == 1)) != !inverted)
            stretches.erase(stretches.begin());
    }
    if (stretches.size() % 2 == 1)
        stretches.pop_back();

    std::vector<corner_line> a, b;
    for (std::size_t i = 0; i < stretches.size(); ++i) {
        const stretch& s = stretches[i];
        auto& drawn = i % 2 == 0 ? r.a_points : r.b_points;
        drawn.insert(drawn.end(), s.begin(), s.end());
        if (s.size() >= min_fit_points)
            (i % 2 == 0 ? a : b).push_back(fit_line(s));
    }
    for (std::size_t k = 0; k < a.size() && k < b.size(); ++k) {
        const corner_point c = intersect(a[k], b[k]);
        r.corners.push_back({c.x, c.y, 0.0, 0.0});
    }
    return r;
}

} // namespace orvex::calibr
