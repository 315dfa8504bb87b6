// The series a ChartWidget draws. A page obtains a series from the chart's
// add_...() functions, sets its colour and style once and refills its points
// whenever new data arrive; series are never removed, only cleared.
//
// Coordinates are data units (millimetres on profile charts); a NaN coordinate
// marks a gap. Sizes and widths are pixels before the chart's scale.
#pragma once

#include "charts/chart_math.h"
#include "profiles/geometry.h"

#include <QColor>

#include <optional>
#include <vector>

namespace orvex::qt {

using orvex::math::Point2d;

inline QColor default_series_color()
{
    return QColor(255, 0, 0);
}

enum class MarkerStyle { Circle = 0, Triangle = 1, Square = 2 };

/// Points with a marker each, optionally joined by lines that break at gaps.
struct ChartCurve {
    QColor color = default_series_color();
    std::vector<Point2d> points;
    MarkerStyle marker_style = MarkerStyle::Circle;
    double marker_size = 2.5; ///< circle radius; half the side of triangle and square
    bool connect = false;
    double line_width = 1.0;

    void append(double x, double y) { points.push_back({x, y}); }
    void clear() { points.clear(); }
};

/// Straight line a x + b y + c = 0 across the whole plot.
struct ChartLine {
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
};

struct ChartLineSeries {
    QColor color = default_series_color();
    double line_width = 1.0;
    std::vector<ChartLine> lines;

    void add(double a, double b, double c) { lines.push_back({a, b, c}); }
    /// Helpers for the common cases: x = value and y = value.
    void add_vertical(double x) { add(1.0, 0.0, -x); }
    void add_horizontal(double y) { add(0.0, 1.0, -y); }
    void clear() { lines.clear(); }
};

/// Free segments, with optional dots at their ends. Appending single points
/// draws a polyline: each new point is joined to the previous one.
struct ChartSegmentSet {
    QColor color = default_series_color();
    std::vector<orvex::math::Segment2d> segments;
    std::optional<Point2d> last_point;
    double dot_radius = 2.5;
    double line_width = 1.0;
    bool antialias = true;
    bool dot_at_start = false;
    bool dot_at_end = false;

    void add_segment(const Point2d& a, const Point2d& b) { segments.push_back({a, b}); }
    /// Adds the segment from the last appended point (none for the first one).
    void append(const Point2d& p);
    void append(double x, double y) { append(Point2d{x, y}); }
    /// n points give the n - 1 segments between neighbours; the last appended
    /// point stays as it was.
    void add_polyline(const std::vector<Point2d>& points);
    /// Forgets the segments and the last point.
    void clear();
};

/// Filled rectangles without outline, corners in data units.
struct ChartRectSet {
    QColor color = default_series_color();
    std::vector<orvex::math::ChartRect> rects;

    void add(double x0, double y0, double x1, double y1) { rects.push_back({x0, y0, x1, y1}); }
    void clear() { rects.clear(); }
};

/// Lines between consecutive points and, with markers on, a dot at each point.
/// Not broken at gaps: a segment with a NaN end is simply left out.
struct ChartPolyline {
    QColor color = default_series_color();
    std::vector<Point2d> points;
    double pen_width = 1.0;
    double marker_radius = 2.5;
    bool markers = false;

    void append(double x, double y) { points.push_back({x, y}); }
    void clear() { points.clear(); }
};

/// A long list of points drawn as a line (broken at gaps) from a copy thinned
/// to what the pixels of the current view can show; for dense curves such as
/// an image line or a long recording.
struct ChartThinnedList {
    QColor color = default_series_color();
    std::vector<Point2d> points;
    bool antialias = true;

    void append(double x, double y) { points.push_back({x, y}); }
    void clear() { points.clear(); }
};

} // namespace orvex::qt
