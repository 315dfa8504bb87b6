#include "charts/chart_widget.h"

#include "charts/chart_painter.h"
#include "charts/overlay_widget.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace orvex::qt {

using math::ChartRange;
using math::ChartRect;

namespace {

// A right release closer than this to the press (pixels, both directions) is a click.
constexpr int kClickTolerance = 5;

} // namespace

ChartWidget::ChartWidget(QWidget* parent) : QWidget(parent), overlay_(new OverlayWidget(this))
{
    overlay_->resize(size());
    update_plot_rect();
}

ChartWidget::~ChartWidget() = default;

void ChartWidget::set_display_x_home(const ChartRange& r)
{
    home_.x0 = r.lo;
    home_.x1 = r.hi;
}

void ChartWidget::set_display_y_home(const ChartRange& r)
{
    home_.y0 = r.lo;
    home_.y1 = r.hi;
}

void ChartWidget::set_x_range(double lo, double hi, double margin)
{
    const ChartRange r = math::range_with_margin(lo, hi, margin);
    swap_xy_ ? set_display_y_home(r) : set_display_x_home(r);
    reset_view();
}

void ChartWidget::set_y_range(double lo, double hi, double margin)
{
    const ChartRange r = math::range_with_margin(lo, hi, margin);
    swap_xy_ ? set_display_x_home(r) : set_display_y_home(r);
    reset_view();
}

void ChartWidget::set_ranges(double x_lo, double x_hi, double y_lo, double y_hi, double margin)
{
    const ChartRange rx = math::range_with_margin(x_lo, x_hi, margin);
    const ChartRange ry = math::range_with_margin(y_lo, y_hi, margin);
    set_display_x_home(swap_xy_ ? ry : rx);
    set_display_y_home(swap_xy_ ? rx : ry);
    reset_view();
}

void ChartWidget::auto_scale(double x_lo, double x_hi, double y_lo, double y_hi, double margin)
{
    math::Extent ex(x_lo, x_hi);
    math::Extent ey(y_lo, y_hi);
    // A gap (either coordinate not finite) widens neither axis.
    auto add_point = [&](const Point2d& p) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            return;
        ex.add(p.x);
        ey.add(p.y);
    };
    for (const auto& c : curves_)
        std::for_each(c.points.begin(), c.points.end(), add_point);
    for (const auto& s : segments_) {
        for (const auto& seg : s.segments) {
            add_point(seg.a);
            add_point(seg.b);
        }
    }
    for (const auto& ls : lines_) {
        for (const auto& l : ls.lines) {
            if (l.b == 0.0 && l.a != 0.0)
                ex.add(-l.c / l.a);
            if (l.a == 0.0 && l.b != 0.0)
                ey.add(-l.c / l.b);
        }
    }
    // Rectangles mark bands of y; they do not widen X.
    for (const auto& rs : rects_) {
        for (const auto& r : rs.rects) {
            ey.add(r.y0);
            ey.add(r.y1);
        }
    }
    for (const auto& p : polylines_)
        std::for_each(p.points.begin(), p.points.end(), add_point);
    for (const auto& t : thinned_)
        std::for_each(t.points.begin(), t.points.end(), add_point);

    const ChartRange rx = ex.to_range(margin);
    const ChartRange ry = ey.to_range(margin);
    set_display_x_home(swap_xy_ ? ry : rx);
    set_display_y_home(swap_xy_ ? rx : ry);
    reset_view();
}

void ChartWidget::request_view(const ChartRect& r)
{
    visible_ = math::apply_aspect(r, keep_aspect_, aspect_);
    update();
}

void ChartWidget::set_scale(double s)
{
    if (!std::isfinite(s) || s <= 0.0)
        return;
    scale_ = s;
    update_plot_rect();
    update_aspect();
    update();
}

void ChartWidget::set_fixed_grid(bool on)
{
    fixed_grid_ = on;
    update();
}

void ChartWidget::set_fixed_grid_x_labels(bool on)
{
    fixed_grid_x_labels_ = on;
    update();
}

void ChartWidget::set_keep_aspect(bool on)
{
    keep_aspect_ = on;
    update_aspect();
    reset_view();
}

void ChartWidget::set_swap_xy(bool on)
{
    if (on == swap_xy_)
        return;
    swap_xy_ = on;
    home_ = ChartRect{home_.y0, home_.x0, home_.y1, home_.x1};
    reset_view();
}

void ChartWidget::set_invert_x(bool on)
{
    invert_x_ = on;
    update();
}

void ChartWidget::set_invert_y(bool on)
{
    invert_y_ = on;
    update();
}

ChartCurve& ChartWidget::add_curve()
{
    return curves_.emplace_back();
}
ChartLineSeries& ChartWidget::add_line_series()
{
    return lines_.emplace_back();
}
ChartSegmentSet& ChartWidget::add_segment_set()
{
    return segments_.emplace_back();
}
ChartRectSet& ChartWidget::add_rect_set()
{
    return rects_.emplace_back();
}
ChartPolyline& ChartWidget::add_polyline()
{
    return polylines_.emplace_back();
}
ChartThinnedList& ChartWidget::add_thinned_list()
{
    return thinned_.emplace_back();
}

void ChartWidget::clear_curves()
{
    for (auto& c : curves_)
        c.clear();
    update();
}

void ChartWidget::clear_all()
{
    for (auto& c : curves_)
        c.clear();
    for (auto& l : lines_)
        l.clear();
    for (auto& s : segments_)
        s.clear();
    for (auto& r : rects_)
        r.clear();
    for (auto& p : polylines_)
        p.clear();
    for (auto& t : thinned_)
        t.clear();
    update();
}

math::ChartMapping ChartWidget::mapping() const
{
    return {visible_, area_.left, area_.top, area_.right, area_.bottom, invert_x_, invert_y_};
}

QPointF ChartWidget::to_pixel(const Point2d& data) const
{
    const auto m = mapping();
    const Point2d d = to_display(data);
    return {m.px(d.x), m.py(d.y)};
}

Point2d ChartWidget::display_at(const QPointF& px) const
{
    const auto m = mapping();
    return {m.x_at(px.x()), m.y_at(px.y())};
}

void ChartWidget::update_plot_rect()
{
    area_ = math::plot_area(width(), height(), scale_);
}

void ChartWidget::update_aspect()
{
    if (keep_aspect_)
        aspect_ = area_.aspect();
}

void ChartWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paint_chart(p, *this);
}

void ChartWidget::resizeEvent(QResizeEvent*)
{
    update_plot_rect();
    overlay_->resize(size());
    update_aspect();
}

void ChartWidget::mousePressEvent(QMouseEvent* event)
{
    switch (event->button()) {
    case Qt::LeftButton:
        press_pos_ = event->pos();
        banding_ = true;
        overlay_->show_band(QRect(press_pos_, QSize(0, 0)));
        setMouseTracking(true);
        break;
    case Qt::RightButton:
        press_pos_ = event->pos();
        panning_ = true;
        pan_start_ = visible_;
        break;
    case Qt::MiddleButton: {
        const Point2d d = display_at(event->pos());
        label_offset_ = {-d.x, -d.y};
        update();
        break;
    }
    default:
        break;
    }
}

void ChartWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (banding_)
        overlay_->show_band(QRect(press_pos_, event->pos()).normalized());
    if (panning_) {
        const QPoint d = event->pos() - press_pos_;
        request_view(math::pan_view(mapping(), pan_start_, d.x(), d.y()));
    }
}

void ChartWidget::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->pos();
    switch (event->button()) {
    case Qt::LeftButton: {
        if (!banding_)
            break;
        banding_ = false;
        setMouseTracking(false);
        overlay_->hide_band();
        if (pos.x() < press_pos_.x() || pos.y() < press_pos_.y()) {
            reset_view();
            break;
        }
        if (const auto r = math::band_view(mapping(), press_pos_.x(), press_pos_.y(), pos.x(), pos.y()))
            request_view(*r);
        break;
    }
    case Qt::RightButton: {
        if (!panning_)
            break;
        panning_ = false;
        const QPoint d = pos - press_pos_;
        if (std::max(std::abs(d.x()), std::abs(d.y())) < kClickTolerance)
            open_context_menu(press_pos_);
        break;
    }
    case Qt::MiddleButton:
        label_offset_ = {};
        update();
        break;
    default:
        break;
    }
}

void ChartWidget::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0)
        return;
    const QPointF pos = event->position();
    const auto m = mapping();
    request_view(math::zoom_at(visible_, m.fx(pos.x()), m.fy(pos.y()), delta > 0));
    event->accept();
}

void ChartWidget::open_context_menu(const QPoint& pos)
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setTitle(tr("Context menu"));
    auto add_flag = [menu](const QString& text, bool checked, auto setter) {
        QAction* a = menu->addAction(text);
        a->setCheckable(true);
        a->setChecked(checked);
        QObject::connect(a, &QAction::toggled, menu, setter);
    };
    add_flag(tr("Фиксированная сетка"), fixed_grid_, [this](bool on) { set_fixed_grid(on); });
    add_flag(tr("Сохранять пропорции"), keep_aspect_, [this](bool on) { set_keep_aspect(on); });
    menu->addSeparator();
    add_flag(tr("Инвертировать X"), invert_x_, [this](bool on) { set_invert_x(on); });
    add_flag(tr("Инвертировать Y"), invert_y_, [this](bool on) { set_invert_y(on); });
    add_flag(tr("Поменять местами XY"), swap_xy_, [this](bool on) { set_swap_xy(on); });
    popup_menu(menu, mapToGlobal(pos));
    emit context_menu_opened(menu);
}

void ChartWidget::popup_menu(QMenu* menu, const QPoint& global_pos)
{
    menu->popup(global_pos);
}

} // namespace orvex::qt
