#include "charts/chart_series.h"

namespace orvex::qt {

void ChartSegmentSet::append(const Point2d& p)
{
    if (last_point)
        segments.push_back({*last_point, p});
    last_point = p;
}

void ChartSegmentSet::add_polyline(const std::vector<Point2d>& points)
{
    for (std::size_t i = 1; i < points.size(); ++i)
        segments.push_back({points[i - 1], points[i]});
}

void ChartSegmentSet::clear()
{
    segments.clear();
    last_point.reset();
}

} // namespace orvex::qt
