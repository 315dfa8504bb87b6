#include "profiles/profile_view.h"

#include "link/sensor_info.h"

#include <algorithm>
#include <cmath>

namespace orvex::k7 {
namespace {

constexpr double range_margin = 0.03;

// A band value decoded from the no-value word 0xFFFF.
bool band_empty(double value, int frac_bits)
{
    return std::lround(value * std::ldexp(1.0, frac_bits)) >= 65535;
}

} // namespace

range_view range_view_for(const qz3p_settings& settings, const decoded_range& range, const sensor_info& info)
{
    const std::int32_t device_type = info.type;
    range_view view;
    if (settings.calibration_bypass != 0) {
        view.axes = chart_axes{0, 1280, 0, 1024};
    } else if (range.known) {
        const double xs = range.x_start, xe = range.x_end;
        const double y_max = std::max(range.y_top_start, range.y_top);
        const double y_min = std::min(range.y_bottom_start, range.y_bottom);
        view.axes =
            chart_axes{xs - range_margin * (xe - xs), xe + range_margin * (xe - xs),
                       y_min - range_margin * (y_max - y_min), y_max + range_margin * (y_max - y_min)};
        view.range_outline = {{xs, range.y_bottom_start},
                              {xs, range.y_top_start},
                              {xe, range.y_top},
                              {xe, range.y_bottom},
                              {xs, range.y_bottom_start}};
    } else if (info.ident_valid && info.x2 > info.x1) {
        const double y_max = std::max(info.y1_high, info.y2_high);
        const double y_min = std::min(info.y1_low, info.y2_low);
        const double dx = range_margin * (info.x2 - info.x1), dy = range_margin * (y_max - y_min);
        view.axes = chart_axes{info.x1 - dx, info.x2 + dx, y_min - dy, y_max + dy};
    }
    if (device_type == type_e1d) {
        chart_axes a = view.axes.value_or(chart_axes{});
        a.y_lo = 0;
        a.y_hi = 1024;
        if (view.axes)
            view.axes = a;
        else
            view.axes = chart_axes{a.x_lo, a.x_hi, 0, 1024};
    }
    return view;
}

std::vector<math::Point2d> image_window_outline(const qz3p_settings& settings, const decoded_range& range)
{
    if (!range.known || settings.calibration_bypass != 0)
        return {};
    const int e = settings.window_x_start / 2 + 2;
    const int f = settings.window_x_end / 2 - 1;
    // A window reaching beyond the 80 bands has no outline (the band table
    // ends there; indexing past it would read garbage).
    if (e < 0 || e >= range_band_count || f < 0 || f >= range_band_count)
        return {};
    if (band_empty(range.band_x_min[e], range.frac_bits) || band_empty(range.band_x_min[f], range.frac_bits))
        return {};
    const double ys = settings.window_y_start;
    const double ye = settings.window_y_end;
    auto edge = [&](int band, double& bottom, double& top) {
        const double y_lo = range.band_y_min[band], y_hi = range.band_y_max[band];
        const double r0 = range.band_row_first[band], r1 = range.band_row_last[band];
        const double k = r1 != r0 ? (y_hi - y_lo) / (r1 - r0) : 0.0; // one row: no slope
        bottom = y_lo + std::max(0.0, ys - r0) * k;
        top = y_hi - std::max(0.0, r1 - ye) * k;
    };
    double bottom_e, top_e, bottom_f, top_f;
    edge(e, bottom_e, top_e);
    edge(f, bottom_f, top_f);
    const double left = range.band_x_max[e];
    const double right = range.band_x_min[f];
    return {{left, bottom_e}, {left, top_e}, {right, top_f}, {right, bottom_f}, {left, bottom_e}};
}

void split_profile(const decoded_profile& p, bool point_sensor, bool intensities, double view_x_start,
                   double view_x_span, profile_view_points& out)
{
    out.valid.clear();
    out.invalid.clear();
    out.brightness.clear();
    const std::size_t n = std::min<std::size_t>(p.header.n, profile_slots);
    const double scale = view_x_span / 256.0;
    for (std::size_t i = 0; i < n; ++i) {
        const math::Point2d& pt = p.points[i];
        if (pt.x < 0) {
            if (!p.header.two_coordinates)
                out.invalid.push_back({0.0, pt.y});
            continue;
        }
        out.valid.push_back(point_sensor ? math::Point2d{pt.x, static_cast<double>(i)} : pt);
        if (intensities && p.intensities[i] != 0)
            out.brightness.push_back({view_x_start + p.intensities[i] * scale, pt.y});
    }
}

} // namespace orvex::k7
