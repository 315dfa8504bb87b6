// Widget-free arithmetic of the chart: ranges with margins, the keep-aspect
// rule, data <-> pixel mapping, nice grid steps, auto-scale extents, line and
// segment clipping, and the per-column thinning of dense point lists.
//
// Everything here works in "display terms": x is the horizontal axis and y the
// vertical one. Swapping the data axes is the widget's business; it hands this
// code already swapped coordinates.
#pragma once

#include "profiles/geometry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace orvex::math {

/// Smallest span a range may have; a narrower (or empty) range is widened to it.
inline constexpr double kMinChartSpan = 2.220446049250313e-13;
/// Half of kMinChartSpan: how far each end moves when a range is widened.
inline constexpr double kHalfMinChartSpan = 1.1102230246251565e-13;

struct ChartRange {
    double lo = 0.0;
    double hi = 0.0;
    double span() const { return hi - lo; }
};

/// Rectangle in data units, (x0, y0) the low ends and (x1, y1) the high ends.
struct ChartRect {
    double x0 = 0.0;
    double y0 = 0.0;
    double x1 = 0.0;
    double y1 = 0.0;
    ChartRange x() const { return {x0, x1}; }
    ChartRange y() const { return {y0, y1}; }
};

struct Segment2d {
    Point2d a;
    Point2d b;
};

/// Range shown for [lo, hi] with a margin fraction m: ends given in reverse
/// order are put in order; a span below kMinChartSpan is widened to it around
/// its middle; then each end moves outward by span x m.
ChartRange range_with_margin(double lo, double hi, double margin);

/// The keep-aspect rule. aspect = plot height / plot width in pixels. When the
/// requested rectangle is relatively taller than the plot, X is widened around
/// its centre, when it is flatter, Y is widened; nothing changes with keep off,
/// with a zero X span, or with an aspect that is not a positive finite number.
ChartRect apply_aspect(const ChartRect& requested, bool keep_aspect, double aspect);

/// Plot rectangle of a widget of w x h pixels at a scale: margins of 55 s left,
/// 25 s right, 20 at the top and 25 s at the bottom (pixels, y down).
struct PlotArea {
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;
    /// Plot height / plot width (not finite for an empty plot).
    double aspect() const { return (bottom - top) / (right - left); }
};
PlotArea plot_area(double w, double h, double scale);

/// Data <-> pixel mapping of one view onto the plot rectangle (pixels, y down).
struct ChartMapping {
    ChartRect view;
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;
    bool invert_x = false;
    bool invert_y = false;

    double width() const { return right - left; }
    double height() const { return bottom - top; }
    /// Exact pixel position (not rounded) of a data x / y.
    double px(double x) const;
    double py(double y) const;
    /// Fraction of the plot from the low end of the axis to a pixel position:
    /// from the left (right when inverted) and from the bottom (top when inverted).
    double fx(double px) const { return invert_x ? (right - px) / width() : (px - left) / width(); }
    double fy(double py) const { return invert_y ? (py - top) / height() : (bottom - py) / height(); }
    /// Data value under a pixel position; inverse of px() / py().
    double x_at(double px) const;
    double y_at(double py) const;
    /// Data size of one pixel along each axis (always positive for a sane view).
    double x_per_pixel() const { return view.x().span() / width(); }
    double y_per_pixel() const { return view.y().span() / height(); }
    /// True when both spans and both plot sizes are positive finite numbers,
    /// i.e. the mapping can be used for painting at all.
    bool drawable() const;
};

/// One wheel step at the plot fractions (g, h) of the cursor (see fx / fy):
/// zooming in (forward) moves the ends inward by a tenth of the span, split so
/// that the data point under the cursor stays; zooming out moves them outward.
ChartRect zoom_at(const ChartRect& view, double g, double h, bool forward);

/// The view panned by a cursor displacement in pixels (y down): the content
/// follows the cursor on normal and on inverted axes.
ChartRect pan_view(const ChartMapping& m, const ChartRect& start, double dx_px, double dy_px);

/// Data rectangle between two pixel corners of a rubber band, in any order;
/// nothing when it has no positive width and height.
std::optional<ChartRect> band_view(const ChartMapping& m, double ax, double ay, double bx, double by);

/// Pixel rounding: 0.5 added, then rounded down.
double round_pixel(double v);

/// Step of the nice grid for a data span covered by the preferred grid
/// spacing: the value is scaled into [1, 10) and the candidate among 10, 5, 2, 1
/// nearest in ratio is taken (the first of equals). 0 when the value is zero,
/// negative, not finite or subnormal.
double nice_step(double value);

/// Decimals of the fixed-grid labels for a visible span: 3 up to 1, 2 up to 10,
/// 1 up to 100, else 0.
int label_decimals(double span);

/// Multiples k x step lying in [lo, hi], ascending; at most max_count of them.
/// Empty for a zero step or a non-finite range.
std::vector<double> grid_multiples(double lo, double hi, double step, std::size_t max_count = 1000);

/// Running minimum and maximum of values; NaN and infinities are ignored.
class Extent {
public:
    Extent() = default;
    /// Start from an initial interval; lo > hi means "start empty".
    Extent(double lo, double hi) : lo_(lo), hi_(hi) {}
    void add(double v);
    bool empty() const { return !(lo_ <= hi_); }
    double lo() const { return lo_; }
    double hi() const { return hi_; }
    /// The range auto-scale applies: the extent with its margin, or the widened
    /// zero range with its margin when the extent is empty.
    ChartRange to_range(double margin) const;

private:
    double lo_ = 1.0;
    double hi_ = -1.0;
};

/// Part of the segment inside the rectangle (Liang-Barsky); nothing when the
/// segment misses it or has a non-finite end.
std::optional<Segment2d> clip_segment(const Segment2d& s, const ChartRect& r);

/// Part of the line a x + b y + c = 0 inside the rectangle; nothing when the
/// line misses it or a and b are both zero.
std::optional<Segment2d> clip_line(double a, double b, double c, const ChartRect& r);

/// Index thin_by_column() puts where a gap breaks the line.
inline constexpr std::size_t kGapIndex = static_cast<std::size_t>(-1);

/// Thinning of a polyline given in pixel coordinates (a NaN coordinate marks a
/// gap). Each run of consecutive points that fall into the same pixel column
/// keeps its first point, its lowest, its highest and its last point, so the
/// line through the kept points covers the same pixels as the full line.
/// Columns left of `left` and right of `right` are merged into one column each.
/// Answers the indices of the kept points in their original order, with one
/// kGapIndex for each gap between kept points.
std::vector<std::size_t> thin_by_column(const Profile2d& px_points, double left, double right);

/// Set of pixels of a w x h area, for drawing each marker position only once.
class PixelSet {
public:
    PixelSet(int w, int h);
    /// True when (x, y) lies in the area and was not there yet.
    bool insert(int x, int y);

private:
    int w_;
    int h_;
    std::vector<std::uint8_t> bits_;
};

} // namespace orvex::math
