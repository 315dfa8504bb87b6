#include "scene.h"

#include <cmath>
#include <limits>

namespace orvex::sim {
namespace {

constexpr double perspective = 0.5; // how much the far end of the range is compressed
constexpr int trace_samples = 400;  // steps along a row's line of sight
constexpr int bisection_steps = 40;
constexpr double pi = 3.14159265358979323846;

const double nan = std::numeric_limits<double>::quiet_NaN();

double frac(double v)
{
    return v - std::floor(v);
}

} // namespace

bool parse_scene_kind(const std::string& text, scene_kind& out)
{
    static const scene_kind kinds[] = {scene_kind::plane, scene_kind::corner, scene_kind::teeth,
                                       scene_kind::comb};
    for (scene_kind k : kinds)
        if (text == scene_kind_name(k)) {
            out = k;
            return true;
        }
    return false;
}

const char* scene_kind_name(scene_kind k)
{
    switch (k) {
    case scene_kind::plane:
        return "plane";
    case scene_kind::corner:
        return "corner";
    case scene_kind::teeth:
        return "teeth";
    case scene_kind::comb:
        return "comb";
    }
    return "plane";
}

double optics::fraction_at_column(double column) const
{
    const double w = image_columns - 2.0 * column_margin;
    const double c = (column - column_margin) / w;
    return c / (1.0 + perspective - perspective * c);
}

double optics::column_at_fraction(double u) const
{
    const double w = image_columns - 2.0 * column_margin;
    return column_margin + w * u * (1.0 + perspective) / (1.0 + perspective * u);
}

double optics::y_at(double row, double u) const
{
    const double low = y1_low + u * (y2_low - y1_low);
    const double high = y1_high + u * (y2_high - y1_high);
    return low + (high - low) * (row + 0.5) / image_rows;
}

scene::scene(scene_config cfg, optics o)
    : cfg_(cfg),
      optics_(o),
      distance_(cfg.distance >= 0.0 ? cfg.distance : 0.5 * (o.x1 + o.x2))
{}

double scene::depth(double y) const
{
    const double ys = y - dy_;
    double d = distance_ + dx_ + std::tan(cfg_.tilt * pi / 180.0) * ys;
    switch (cfg_.kind) {
    case scene_kind::plane:
        break;
    case scene_kind::corner:
        d += std::fabs(ys) * cfg_.height / cfg_.pitch;
        break;
    case scene_kind::teeth:
        // Tips towards the sensor at ys = k pitch, roots half a pitch away:
        // every tip is a corner of two straight flanks.
        d += cfg_.height * std::fabs(2.0 * frac(ys / cfg_.pitch + 0.5) - 1.0);
        break;
    case scene_kind::comb:
        if (frac(ys / cfg_.pitch) >= 0.5)
            return nan;
        break;
    }
    return d;
}

double scene::line_column(int row) const
{
    // h(u) = distance seen at u minus the surface's depth there; the line lies
    // where h first rises through zero along the line of sight.
    auto h = [&](double u) { return optics_.x_at_fraction(u) - depth(optics_.y_at(row, u)); };
    double a = 0.0;
    double ha = h(a);
    if (!std::isnan(ha) && ha >= 0.0)
        return nan; // the surface is nearer than the range begins
    for (int i = 1; i <= trace_samples; ++i) {
        const double b = double(i) / trace_samples;
        const double hb = h(b);
        if (!std::isnan(ha) && !std::isnan(hb) && ha < 0.0 && hb >= 0.0) {
            double lo = a, hi = b;
            for (int k = 0; k < bisection_steps; ++k) {
                const double mid = 0.5 * (lo + hi);
                const double hm = h(mid);
                if (std::isnan(hm) || hm < 0.0)
                    lo = mid;
                else
                    hi = mid;
            }
            return optics_.column_at_fraction(0.5 * (lo + hi));
        }
        a = b;
        ha = hb;
    }
    return nan;
}

double scene::offset_for_column(int row, double column) const
{
    // The surface's depth is its depth at offset 0 plus dx, so the line
    // stands on `column` when dx closes the gap between the distance seen
    // there and the surface at that lateral position.
    const double u = optics_.fraction_at_column(column);
    const double surface = depth(optics_.y_at(row, u));
    return optics_.x_at_fraction(u) - (surface - dx_);
}

double scene::lateral_at(double row, double column) const
{
    return optics_.y_at(row, optics_.fraction_at_column(column));
}

line_positions scene::trace() const
{
    line_positions p;
    for (int r = 0; r < image_rows; ++r)
        p[std::size_t(r)] = line_column(r);
    return p;
}

} // namespace orvex::sim
