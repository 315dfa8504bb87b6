#include "charts/chart_math.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace orvex::math {

namespace {

bool finite(const Point2d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

bool positive_finite(double v)
{
    return std::isfinite(v) && v > 0.0;
}

} // namespace

ChartRange range_with_margin(double lo, double hi, double margin)
{
    if (lo > hi)
        std::swap(lo, hi);
    if (hi - lo < kMinChartSpan) {
        lo -= kHalfMinChartSpan;
        hi += kHalfMinChartSpan;
    }
    const double d = (hi - lo) * margin;
    return {lo - d, hi + d};
}

ChartRect apply_aspect(const ChartRect& requested, bool keep_aspect, double aspect)
{
    ChartRect r = requested;
    const double w = r.x1 - r.x0;
    const double h = r.y1 - r.y0;
    if (!keep_aspect || w == 0.0 || !positive_finite(aspect))
        return r;
    const double ratio = h / w;
    if (aspect < ratio) {
        const double cx = (r.x0 + r.x1) / 2.0;
        const double half = h / aspect / 2.0;
        r.x0 = cx - half;
        r.x1 = cx + half;
    } else if (aspect > ratio) {
        const double cy = (r.y0 + r.y1) / 2.0;
        const double half = w * aspect / 2.0;
        r.y0 = cy - half;
        r.y1 = cy + half;
    }
    return r;
}

PlotArea plot_area(double w, double h, double scale)
{
    return {55.0 * scale, 20.0, w - 25.0 * scale, h - 25.0 * scale};
}

ChartRect zoom_at(const ChartRect& view, double g, double h, bool forward)
{
    constexpr double kStep = 0.1;
    const double dir = forward ? 1.0 : -1.0;
    const double sx = view.x1 - view.x0;
    const double sy = view.y1 - view.y0;
    return {view.x0 + dir * sx * g * kStep, view.y0 + dir * sy * h * kStep,
            view.x1 - dir * sx * (1.0 - g) * kStep, view.y1 - dir * sy * (1.0 - h) * kStep};
}

ChartRect pan_view(const ChartMapping& m, const ChartRect& start, double dx_px, double dy_px)
{
    double dx = -dx_px * m.x_per_pixel();
    double dy = dy_px * m.y_per_pixel();
    if (m.invert_x)
        dx = -dx;
    if (m.invert_y)
        dy = -dy;
    return {start.x0 + dx, start.y0 + dy, start.x1 + dx, start.y1 + dy};
}

std::optional<ChartRect> band_view(const ChartMapping& m, double ax, double ay, double bx, double by)
{
    const double x0 = m.x_at(ax);
    const double x1 = m.x_at(bx);
    const double y0 = m.y_at(ay);
    const double y1 = m.y_at(by);
    const ChartRect r{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
    if (!(r.x1 - r.x0 > 0.0) || !(r.y1 - r.y0 > 0.0))
        return std::nullopt;
    return r;
}

double ChartMapping::px(double x) const
{
    const double d = (x - view.x0) / view.x().span() * width();
    return invert_x ? right - d : left + d;
}

double ChartMapping::py(double y) const
{
    const double d = (y - view.y0) / view.y().span() * height();
    return invert_y ? top + d : bottom - d;
}

double ChartMapping::x_at(double p) const
{
    return view.x0 + fx(p) * view.x().span();
}

double ChartMapping::y_at(double p) const
{
    return view.y0 + fy(p) * view.y().span();
}

bool ChartMapping::drawable() const
{
    return std::isnormal(view.x().span()) && view.x().span() > 0.0 && std::isnormal(view.y().span()) &&
           view.y().span() > 0.0 && positive_finite(width()) && positive_finite(height());
}

double round_pixel(double v)
{
    return std::floor(v + 0.5);
}

double nice_step(double value)
{
    if (!std::isnormal(value) || value <= 0.0)
        return 0.0;
    double scaled = value;
    while (scaled >= 10.0)
        scaled /= 10.0;
    while (scaled < 1.0)
        scaled *= 10.0;
    static constexpr std::array<double, 4> kCandidates{10.0, 5.0, 2.0, 1.0};
    double best = kCandidates[0];
    double best_err = std::abs(scaled / best - 1.0);
    for (double c : kCandidates) {
        const double err = std::abs(scaled / c - 1.0);
        if (err < best_err) {
            best = c;
            best_err = err;
        }
    }
    return value * best / scaled;
}

int label_decimals(double span)
{
    if (span <= 1.0)
        return 3;
    if (span <= 10.0)
        return 2;
    if (span <= 100.0)
        return 1;
    return 0;
}

std::vector<double> grid_multiples(double lo, double hi, double step, std::size_t max_count)
{
    std::vector<double> out;
    if (!(step > 0.0) || !std::isfinite(lo) || !std::isfinite(hi) || lo > hi)
        return out;
    const double k0 = std::ceil(lo / step);
    const double k1 = std::floor(hi / step);
    if (!std::isfinite(k0) || !std::isfinite(k1) || k1 < k0)
        return out;
    const double count = std::min(k1 - k0 + 1.0, static_cast<double>(max_count));
    out.reserve(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i)
        out.push_back((k0 + static_cast<double>(i)) * step);
    return out;
}

void Extent::add(double v)
{
    if (!std::isfinite(v))
        return;
    if (empty()) {
        lo_ = hi_ = v;
        return;
    }
    lo_ = std::min(lo_, v);
    hi_ = std::max(hi_, v);
}

ChartRange Extent::to_range(double margin) const
{
    return empty() ? range_with_margin(0.0, 0.0, margin) : range_with_margin(lo_, hi_, margin);
}

std::optional<Segment2d> clip_segment(const Segment2d& s, const ChartRect& r)
{
    if (!finite(s.a) || !finite(s.b))
        return std::nullopt;
    const double dx = s.b.x - s.a.x;
    const double dy = s.b.y - s.a.y;
    double t0 = 0.0;
    double t1 = 1.0;
    int edge0 = -1;
    int edge1 = -1;
    // Edges x0, x1, y0, y1: p t <= q keeps the point inside.
    const std::array<std::pair<double, double>, 4> edges{{
        {-dx, s.a.x - r.x0},
        {dx, r.x1 - s.a.x},
        {-dy, s.a.y - r.y0},
        {dy, r.y1 - s.a.y},
    }};
    for (int k = 0; k < 4; ++k) {
        const auto [p, q] = edges[static_cast<std::size_t>(k)];
        if (p == 0.0) {
            if (q < 0.0)
                return std::nullopt;
            continue;
        }
        const double t = q / p;
        if (p < 0.0 && t > t0) {
            t0 = t;
            edge0 = k;
        } else if (p > 0.0 && t < t1) {
            t1 = t;
            edge1 = k;
        }
        if (t0 > t1)
            return std::nullopt;
    }
    // A cut point lies exactly on its edge, and rounding (far-away ends lose
    // precision) never carries a point outside the rectangle.
    auto point_at = [&](double t, int edge) {
        Point2d p{s.a.x + t * dx, s.a.y + t * dy};
        if (edge == 0 || edge == 1)
            p.x = edge == 0 ? r.x0 : r.x1;
        if (edge == 2 || edge == 3)
            p.y = edge == 2 ? r.y0 : r.y1;
        p.x = std::clamp(p.x, r.x0, r.x1);
        p.y = std::clamp(p.y, r.y0, r.y1);
        return p;
    };
    return Segment2d{point_at(t0, edge0), point_at(t1, edge1)};
}

std::optional<Segment2d> clip_line(double a, double b, double c, const ChartRect& r)
{
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c) || (a == 0.0 && b == 0.0))
        return std::nullopt;
    Segment2d s;
    if (std::abs(b) >= std::abs(a))
        s = {{r.x0, -(a * r.x0 + c) / b}, {r.x1, -(a * r.x1 + c) / b}};
    else
        s = {{-(b * r.y0 + c) / a, r.y0}, {-(b * r.y1 + c) / a, r.y1}};
    return clip_segment(s, r);
}

std::vector<std::size_t> thin_by_column(const Profile2d& pts, double left, double right)
{
    std::vector<std::size_t> out;
    const double below = round_pixel(left) - 1.0;
    const double above = round_pixel(right) + 1.0;
    auto column = [&](double x) { return std::clamp(round_pixel(x), below, above); };

    std::size_t first = 0;
    std::size_t lowest = 0;
    std::size_t highest = 0;
    bool in_run = false;
    double run_col = 0.0;
    auto flush = [&](std::size_t last) {
        std::array<std::size_t, 4> idx{first, lowest, highest, last};
        std::sort(idx.begin(), idx.end());
        out.insert(out.end(), idx.begin(), std::unique(idx.begin(), idx.end()));
    };

    for (std::size_t i = 0; i < pts.size(); ++i) {
        const Point2d& p = pts[i];
        if (!finite(p)) {
            if (in_run)
                flush(i - 1);
            in_run = false;
            if (!out.empty() && out.back() != kGapIndex)
                out.push_back(kGapIndex);
            continue;
        }
        const double col = column(p.x);
        if (in_run && col == run_col) {
            if (p.y < pts[lowest].y)
                lowest = i;
            if (p.y > pts[highest].y)
                highest = i;
            continue;
        }
        if (in_run)
            flush(i - 1);
        in_run = true;
        run_col = col;
        first = lowest = highest = i;
    }
    if (in_run)
        flush(pts.size() - 1);
    return out;
}

PixelSet::PixelSet(int w, int h)
    : w_(std::max(w, 0)),
      h_(std::max(h, 0)),
      bits_(static_cast<std::size_t>(w_) * static_cast<std::size_t>(h_), 0)
{}

bool PixelSet::insert(int x, int y)
{
    if (x < 0 || y < 0 || x >= w_ || y >= h_)
        return false;
    auto& bit =
        bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(w_) + static_cast<std::size_t>(x)];
    if (bit)
        return false;
    bit = 1;
    return true;
}

} // namespace orvex::math
