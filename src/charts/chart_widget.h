// ChartWidget: the plotting widget of the program. It holds the series a page
// fills, the home range (what the owner or auto-scale set last) and the
// visible rectangle (what zoom and pan made of it), and turns mouse and wheel
// input into view changes; painting itself lives in chart_painter.
//
// Two kinds of coordinates appear in this interface. The range setters,
// auto_scale() and the series speak data terms: x is the data's x. The view
// getters and request_view() speak display terms: x is the horizontal axis,
// which carries the data's y while swap XY is on.
//
// Setters repaint by themselves; after refilling series a page calls update().
#pragma once

#include "charts/chart_math.h"
#include "charts/chart_series.h"

#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <deque>

class QMenu;

namespace orvex::qt {

class OverlayWidget;

class ChartWidget : public QWidget {
    Q_OBJECT
public:
    explicit ChartWidget(QWidget* parent = nullptr);
    ~ChartWidget() override;

    // --- ranges (data terms) --------------------------------------------------
    /// Sets the home range of the data's x (or y) to [lo, hi] widened by the
    /// margin fraction (see math::range_with_margin) and shows it.
    void set_x_range(double lo, double hi, double margin = 0.0);
    void set_y_range(double lo, double hi, double margin = 0.0);
    void set_ranges(double x_lo, double x_hi, double y_lo, double y_hi, double margin = 0.0);
    /// Grows the initial intervals over all data and applies them as ranges
    /// with the margin. An interval with lo > hi starts empty; (0, 0) keeps the
    /// origin in view.
    void auto_scale(double x_lo, double x_hi, double y_lo, double y_hi, double margin);

    // --- view (display terms) -------------------------------------------------
    math::ChartRect home_range() const { return home_; }
    math::ChartRect visible_range() const { return visible_; }
    /// Shows a rectangle after the keep-aspect rule; the home range stays.
    void request_view(const math::ChartRect& r);
    /// Shows the home range again.
    void reset_view() { request_view(home_); }

    // --- options --------------------------------------------------------------
    /// Multiplies every pixel size (fonts, margins, markers, widths, grid
    /// spacing); values that are not positive and finite are ignored.
    void set_scale(double s);
    double scale() const { return scale_; }
    void set_fixed_grid(bool on);
    bool fixed_grid() const { return fixed_grid_; }
    void set_fixed_grid_x_labels(bool on);
    bool fixed_grid_x_labels() const { return fixed_grid_x_labels_; }
    void set_keep_aspect(bool on);
    bool keep_aspect() const { return keep_aspect_; }
    /// Exchanges the home X and Y ranges when the flag changes, and shows home.
    void set_swap_xy(bool on);
    bool swap_xy() const { return swap_xy_; }
    void set_invert_x(bool on);
    bool invert_x() const { return invert_x_; }
    void set_invert_y(bool on);
    bool invert_y() const { return invert_y_; }
    /// Plot height / plot width, updated on resize while keep aspect is on.
    double aspect_factor() const { return aspect_; }
    /// Added to the fixed-grid labels; set while the middle button is held.
    Point2d label_offset() const { return label_offset_; }

    // --- series ---------------------------------------------------------------
    // The returned references stay valid for the chart's lifetime.
    ChartCurve& add_curve();
    ChartLineSeries& add_line_series();
    ChartSegmentSet& add_segment_set();
    ChartRectSet& add_rect_set();
    ChartPolyline& add_polyline();
    ChartThinnedList& add_thinned_list();

    // Series by kind, in the order they were added (and are drawn). Series
    // are never removed, so element references stay valid.
    const std::deque<ChartCurve>& curves() const { return curves_; }
    const std::deque<ChartLineSeries>& line_series() const { return lines_; }
    const std::deque<ChartSegmentSet>& segment_sets() const { return segments_; }
    const std::deque<ChartRectSet>& rect_sets() const { return rects_; }
    const std::deque<ChartPolyline>& polylines() const { return polylines_; }
    const std::deque<ChartThinnedList>& thinned_lists() const { return thinned_; }
    /// One series to refill; throws std::out_of_range for an index not added yet.
    ChartCurve& curve(std::size_t i) { return curves_.at(i); }
    ChartLineSeries& line_series(std::size_t i) { return lines_.at(i); }
    ChartSegmentSet& segment_set(std::size_t i) { return segments_.at(i); }
    ChartRectSet& rect_set(std::size_t i) { return rects_.at(i); }
    ChartPolyline& polyline(std::size_t i) { return polylines_.at(i); }
    ChartThinnedList& thinned_list(std::size_t i) { return thinned_.at(i); }

    /// Removes the points of every curve; the curves and their styles stay.
    void clear_curves();
    /// Removes the contents of every series of every kind.
    void clear_all();

    // --- geometry -------------------------------------------------------------
    /// Plot area in widget pixels.
    QRectF plot_rect() const
    {
        return {area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top};
    }
    /// Mapping of the visible rectangle onto the plot area.
    math::ChartMapping mapping() const;
    /// A data point in display terms (its coordinates exchanged while swap XY is on).
    Point2d to_display(const Point2d& p) const { return swap_xy_ ? Point2d{p.y, p.x} : p; }
    /// Exact widget pixel position of a data point.
    QPointF to_pixel(const Point2d& data) const;
    /// Display-terms point under a widget pixel position.
    Point2d display_at(const QPointF& px) const;

signals:
    /// The context menu has just been shown (non-blocking) at a right click.
    void context_menu_opened(QMenu* menu);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    /// Builds the options menu (deleted when closed), shows it through
    /// popup_menu() and emits context_menu_opened().
    void open_context_menu(const QPoint& pos);
    /// Shows the menu without blocking; a subclass may show it otherwise.
    virtual void popup_menu(QMenu* menu, const QPoint& global_pos);

private:
    void update_plot_rect();
    void update_aspect();
    void set_display_x_home(const math::ChartRange& r);
    void set_display_y_home(const math::ChartRange& r);

    double scale_ = 1.0;
    math::ChartRect home_{0.0, 0.0, 100.0, 100.0};
    math::ChartRect visible_{0.0, 0.0, 100.0, 100.0};
    bool fixed_grid_x_labels_ = true;
    bool fixed_grid_ = false;
    bool keep_aspect_ = false;
    bool swap_xy_ = false;
    bool invert_x_ = false;
    bool invert_y_ = false;
    double aspect_ = 1.0;
    Point2d label_offset_;
    math::PlotArea area_;

    QPoint press_pos_;
    bool banding_ = false;
    bool panning_ = false;
    math::ChartRect pan_start_;

    std::deque<ChartCurve> curves_;
    std::deque<ChartLineSeries> lines_;
    std::deque<ChartSegmentSet> segments_;
    std::deque<ChartRectSet> rects_;
    std::deque<ChartPolyline> polylines_;
    std::deque<ChartThinnedList> thinned_;

    OverlayWidget* overlay_ = nullptr;
};

} // namespace orvex::qt
