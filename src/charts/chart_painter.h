// Painting of a ChartWidget: background, grid with labels, frame and series,
// in that order. Kept apart from the widget so that the widget only manages
// state and input; all arithmetic comes from chart_math.
//
// Only what lies in the plot can cost time: lines are clipped to the plot
// before they reach the painter, each marker position is painted once, and
// connected curves and thinned lists are thinned per pixel column first.
#pragma once

class QPainter;

namespace orvex::qt {

class ChartWidget;

/// Paints the chart onto p, whose device is the chart's pixel area. An empty
/// or degenerate view (zero or non-finite span, no plot area) leaves only the
/// background.
void paint_chart(QPainter& p, const ChartWidget& chart);

} // namespace orvex::qt
