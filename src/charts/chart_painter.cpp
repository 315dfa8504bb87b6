#include "charts/chart_painter.h"

#include "charts/chart_widget.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QTransform>
#include <QVector>

#include <algorithm>
#include <cmath>

namespace orvex::qt {

using math::ChartMapping;
using math::ChartRect;
using math::round_pixel;

namespace {

// Labels that would overlap the previous label of their axis are left out.
class LabelRow {
public:
    void draw(QPainter& p, const QRectF& box, int flags, const QString& text)
    {
        const QRectF r = p.boundingRect(box, flags, text);
        if (has_last_ && r.intersects(last_))
            return;
        p.drawText(box, flags, text);
        last_ = r;
        has_last_ = true;
    }

private:
    QRectF last_;
    bool has_last_ = false;
};

struct Ctx {
    QPainter& p;
    const ChartWidget& chart;
    ChartMapping m;
    double s;
};

// The visible rectangle grown by pad pixels on every side, in display data units.
// Clipping happens here, before mapping, so that far-away points keep their
// precision and the painter only sees coordinates near the plot.
ChartRect data_bounds(const ChartMapping& m, double pad)
{
    const double dx = pad * m.x_per_pixel();
    const double dy = pad * m.y_per_pixel();
    return {m.view.x0 - dx, m.view.y0 - dy, m.view.x1 + dx, m.view.y1 + dy};
}

bool inside(const ChartRect& r, const Point2d& p)
{
    return p.x >= r.x0 && p.x <= r.x1 && p.y >= r.y0 && p.y <= r.y1;
}

QPointF qpoint(const Point2d& p)
{
    return {p.x, p.y};
}

// Snapped pixel position of a point in display terms.
Point2d snap(const ChartMapping& m, const Point2d& d)
{
    return {round_pixel(m.px(d.x)), round_pixel(m.py(d.y))};
}

// The visible part of the segment between two display points, in pixels.
void add_line(const Ctx& c, QVector<QLineF>& out, const Point2d& a, const Point2d& b, const ChartRect& bounds)
{
    if (const auto seg = math::clip_segment({a, b}, bounds))
        out.push_back(QLineF(qpoint(snap(c.m, seg->a)), qpoint(snap(c.m, seg->b))));
}

// A size in pixels at the chart's scale; a negative or non-finite size counts
// as 0 (a hairline for pens, nothing for markers and dots).
double scaled(double v, double s)
{
    const double r = v * s;
    return std::isfinite(r) && r > 0.0 ? r : 0.0;
}

QPen series_pen(const QColor& color, double width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void fill_circle(QPainter& p, const QPointF& c, double r)
{
    p.drawEllipse(c, r, r);
}

void draw_marker(QPainter& p, MarkerStyle style, const QPointF& c, double r)
{
    switch (style) {
    case MarkerStyle::Circle:
        fill_circle(p, c, r);
        break;
    case MarkerStyle::Triangle: {
        // Equilateral, side 2 r, centred on its centroid, apex up.
        constexpr double kDeg30 = 3.14159265358979323846 / 6.0;
        const double R = 2.0 * r / std::sqrt(3.0);
        const double cos30 = std::cos(kDeg30);
        const double sin30 = std::sin(kDeg30);
        const QPointF pts[3] = {{c.x(), c.y() - R},
                                {c.x() - R * cos30, c.y() + R * sin30},
                                {c.x() + R * cos30, c.y() + R * sin30}};
        p.drawPolygon(pts, 3);
        break;
    }
    case MarkerStyle::Square:
        p.drawRect(QRectF(c.x() - r, c.y() - r, 2.0 * r, 2.0 * r));
        break;
    }
}

// One marker rendered once and copied to every position: dense curves paint
// thousands of markers, and copying a small image is much cheaper than
// rasterising the shape each time. Used only while the painter maps whole
// pixels to whole pixels, so the copy equals the shape drawn in place, and
// only for markers of moderate size.
class MarkerStamp {
public:
    MarkerStamp(MarkerStyle style, double r, const QColor& color, bool whole_pixels) : style_(style), r_(r)
    {
        constexpr double kLargestStamped = 64.0;
        if (!whole_pixels || r > kLargestStamped)
            return;
        half_ = static_cast<int>(std::ceil(2.0 * r / std::sqrt(3.0))) + 2;
        img_ = QImage(2 * half_, 2 * half_, QImage::Format_ARGB32_Premultiplied);
        img_.fill(Qt::transparent);
        QPainter p(&img_);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        draw_marker(p, style, QPointF(half_, half_), r);
    }

    void draw(QPainter& p, const QPointF& c) const
    {
        if (img_.isNull())
            draw_marker(p, style_, c, r_);
        else
            p.drawImage(QPointF(c.x() - half_, c.y() - half_), img_);
    }

private:
    MarkerStyle style_;
    double r_;
    int half_ = 0;
    QImage img_;
};

// True when the painter's device transform moves by whole pixels only.
bool whole_pixel_transform(const QPainter& p)
{
    const QTransform t = p.deviceTransform();
    return t.type() <= QTransform::TxTranslate && t.dx() == std::round(t.dx()) &&
           t.dy() == std::round(t.dy());
}

// Lines between consecutive points, broken at gaps, after per-column thinning.
void draw_connected(const Ctx& c, const std::vector<Point2d>& data, double width)
{
    math::Profile2d px;
    px.reserve(data.size());
    for (const auto& d : data) {
        const Point2d v = c.chart.to_display(d);
        px.push_back({c.m.px(v.x), c.m.py(v.y)});
    }
    const auto keep = math::thin_by_column(px, c.m.left, c.m.right);
    const ChartRect bounds = data_bounds(c.m, width + 2.0);
    QVector<QLineF> lines;
    for (std::size_t i = 1; i < keep.size(); ++i) {
        if (keep[i - 1] == math::kGapIndex || keep[i] == math::kGapIndex)
            continue;
        add_line(c, lines, c.chart.to_display(data[keep[i - 1]]), c.chart.to_display(data[keep[i]]), bounds);
    }
    c.p.drawLines(lines);
}

// ---------------------------------------------------------------- grid

void paint_fixed_grid(const Ctx& c, const QPen& grid_pen, const QPen& text_pen)
{
    const ChartMapping& m = c.m;
    const double s = c.s;
    const Point2d off = c.chart.label_offset();
    const int dx = math::label_decimals(m.view.x().span());
    const int dy = math::label_decimals(m.view.y().span());

    LabelRow row_x;
    const double step_x = 60.0 * s;
    for (int i = 0;; ++i) {
        const double x = m.invert_x ? m.right - i * step_x : m.left + i * step_x;
        if (x < m.left || x > m.right)
            break;
        c.p.setPen(grid_pen);
        c.p.drawLine(QLineF(x, m.top, x, m.bottom));
        if (!c.chart.fixed_grid_x_labels())
            continue;
        c.p.setPen(text_pen);
        const QString text = QString::number(m.x_at(x) + off.x, 'f', dx);
        row_x.draw(c.p, QRectF(x - 25.0 * s, m.bottom + 5.0 * s, 50.0 * s, 20.0 * s),
                   Qt::AlignHCenter | Qt::AlignTop, text);
    }
    LabelRow row_y;
    const double step_y = 50.0 * s;
    for (int i = 0;; ++i) {
        const double y = m.invert_y ? m.top + i * step_y : m.bottom - i * step_y;
        if (y < m.top || y > m.bottom)
            break;
        c.p.setPen(grid_pen);
        c.p.drawLine(QLineF(m.left, y, m.right, y));
        c.p.setPen(text_pen);
        const QString text = QString::number(m.y_at(y) + off.y, 'f', dy);
        row_y.draw(c.p, QRectF(m.left - 55.0 * s, y - 10.0 * s, 50.0 * s, 20.0 * s),
                   Qt::AlignRight | Qt::AlignVCenter, text);
    }
}

void paint_nice_grid(const Ctx& c, double step_x, double step_y, const QPen& grid_pen, const QPen& text_pen)
{
    const ChartMapping& m = c.m;
    const double s = c.s;
    const double spacing_x = step_x / m.x_per_pixel();
    const double spacing_y = step_y / m.y_per_pixel();

    LabelRow row_x;
    for (double v : math::grid_multiples(m.view.x0, m.view.x1, step_x)) {
        const double x = m.px(v);
        if (x < m.left || x > m.right)
            continue;
        c.p.setPen(grid_pen);
        c.p.drawLine(QLineF(x, m.top, x, m.bottom));
        c.p.setPen(text_pen);
        row_x.draw(c.p, QRectF(x - spacing_x / 2.0, m.bottom + 5.0 * s, spacing_x, 20.0 * s),
                   Qt::AlignHCenter | Qt::AlignTop, QString::number(v, 'g', 10));
    }
    LabelRow row_y;
    for (double v : math::grid_multiples(m.view.y0, m.view.y1, step_y)) {
        const double y = m.py(v);
        if (y < m.top || y > m.bottom)
            continue;
        c.p.setPen(grid_pen);
        c.p.drawLine(QLineF(m.left, y, m.right, y));
        c.p.setPen(text_pen);
        row_y.draw(c.p, QRectF(m.left - 55.0 * s, y - spacing_y / 2.0, 50.0 * s, spacing_y),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'g', 6));
    }
}

// ---------------------------------------------------------------- series

void paint_polylines(const Ctx& c)
{
    for (const auto& pl : c.chart.polylines()) {
        const double w = scaled(pl.pen_width, c.s);
        const double r = scaled(pl.marker_radius, c.s);
        const ChartRect bounds = data_bounds(c.m, w + 2.0);
        const ChartRect dot_bounds = data_bounds(c.m, r + 1.0);
        QVector<QLineF> lines;
        for (std::size_t i = 1; i < pl.points.size(); ++i)
            add_line(c, lines, c.chart.to_display(pl.points[i - 1]), c.chart.to_display(pl.points[i]),
                     bounds);
        c.p.setPen(series_pen(pl.color, w));
        c.p.setBrush(Qt::NoBrush);
        c.p.drawLines(lines);
        if (!pl.markers || r == 0.0)
            continue;
        c.p.setPen(Qt::NoPen);
        c.p.setBrush(pl.color);
        for (const auto& d : pl.points) {
            const Point2d v = c.chart.to_display(d);
            if (inside(dot_bounds, v))
                fill_circle(c.p, qpoint(snap(c.m, v)), r);
        }
    }
}

void paint_straight_lines(const Ctx& c)
{
    const bool swap = c.chart.swap_xy();
    for (const auto& ls : c.chart.line_series()) {
        c.p.setPen(series_pen(ls.color, scaled(ls.line_width, c.s)));
        for (const auto& l : ls.lines) {
            // a x + b y + c = 0 in data terms; the display axes may be exchanged.
            const auto seg =
                swap ? math::clip_line(l.b, l.a, l.c, c.m.view) : math::clip_line(l.a, l.b, l.c, c.m.view);
            if (!seg)
                continue;
            const QPointF a(c.m.px(seg->a.x), c.m.py(seg->a.y));
            const QPointF b(c.m.px(seg->b.x), c.m.py(seg->b.y));
            c.p.drawLine(QLineF(a, b));
        }
    }
}

void paint_curves(const Ctx& c)
{
    for (const auto& cv : c.chart.curves()) {
        if (cv.points.empty())
            continue;
        if (cv.connect) {
            const double w = scaled(cv.line_width, c.s);
            c.p.setPen(series_pen(cv.color, w));
            c.p.setBrush(Qt::NoBrush);
            draw_connected(c, cv.points, w);
        }
        // Each marker position is painted once: dense curves cost no more
        // than the pixels they cover.
        const double r = scaled(cv.marker_size, c.s);
        if (r == 0.0)
            continue;
        const double pad = std::ceil(r) + 1.0;
        const ChartRect bounds = data_bounds(c.m, pad);
        const double ox = std::floor(c.m.left) - pad - 1.0;
        const double oy = std::floor(c.m.top) - pad - 1.0;
        math::PixelSet seen(static_cast<int>(c.m.width() + 2.0 * pad) + 4,
                            static_cast<int>(c.m.height() + 2.0 * pad) + 4);
        c.p.setPen(Qt::NoPen);
        c.p.setBrush(cv.color);
        const MarkerStamp stamp(cv.marker_style, r, cv.color, whole_pixel_transform(c.p));
        for (const auto& d : cv.points) {
            const Point2d v = c.chart.to_display(d);
            if (!inside(bounds, v))
                continue;
            const Point2d px = snap(c.m, v);
            if (seen.insert(static_cast<int>(px.x - ox), static_cast<int>(px.y - oy)))
                stamp.draw(c.p, qpoint(px));
        }
    }
}

void paint_thinned(const Ctx& c)
{
    for (const auto& t : c.chart.thinned_lists()) {
        c.p.setRenderHint(QPainter::Antialiasing, t.antialias);
        c.p.setPen(series_pen(t.color, c.s));
        c.p.setBrush(Qt::NoBrush);
        draw_connected(c, t.points, c.s);
    }
    c.p.setRenderHint(QPainter::Antialiasing, true);
}

void paint_segment_sets(const Ctx& c)
{
    for (const auto& set : c.chart.segment_sets()) {
        if (set.segments.empty())
            continue;
        const double w = scaled(set.line_width, c.s);
        const double r = scaled(set.dot_radius, c.s);
        const ChartRect bounds = data_bounds(c.m, w + 2.0);
        const ChartRect dot_bounds = data_bounds(c.m, r + 1.0);
        c.p.setRenderHint(QPainter::Antialiasing, set.antialias);
        QVector<QLineF> lines;
        lines.reserve(static_cast<int>(set.segments.size()));
        for (const auto& seg : set.segments)
            add_line(c, lines, c.chart.to_display(seg.a), c.chart.to_display(seg.b), bounds);
        c.p.setPen(series_pen(set.color, w));
        c.p.setBrush(Qt::NoBrush);
        c.p.drawLines(lines);
        if ((set.dot_at_start || set.dot_at_end) && r > 0.0) {
            c.p.setPen(Qt::NoPen);
            c.p.setBrush(set.color);
            for (const auto& seg : set.segments) {
                for (const auto& [on, end] :
                     {std::pair{set.dot_at_start, seg.a}, std::pair{set.dot_at_end, seg.b}}) {
                    const Point2d v = c.chart.to_display(end);
                    if (on && inside(dot_bounds, v))
                        fill_circle(c.p, qpoint(snap(c.m, v)), r);
                }
            }
        }
    }
    c.p.setRenderHint(QPainter::Antialiasing, true);
}

void paint_rect_sets(const Ctx& c)
{
    const ChartRect bounds = data_bounds(c.m, 1.0);
    for (const auto& rs : c.chart.rect_sets()) {
        for (const auto& r : rs.rects) {
            const Point2d a = c.chart.to_display({r.x0, r.y0});
            const Point2d b = c.chart.to_display({r.x1, r.y1});
            // Cut to the view in data units first (NaN corners drop out here).
            const double x0 = std::max(std::min(a.x, b.x), bounds.x0);
            const double x1 = std::min(std::max(a.x, b.x), bounds.x1);
            const double y0 = std::max(std::min(a.y, b.y), bounds.y0);
            const double y1 = std::min(std::max(a.y, b.y), bounds.y1);
            if (!(x0 < x1) || !(y0 < y1))
                continue;
            const QRectF pr = QRectF(qpoint(snap(c.m, {x0, y0})), qpoint(snap(c.m, {x1, y1}))).normalized();
            if (!pr.isEmpty())
                c.p.fillRect(pr, rs.color);
        }
    }
}

} // namespace

void paint_chart(QPainter& p, const ChartWidget& chart)
{
    p.fillRect(chart.rect(), chart.palette().window());
    const ChartMapping m = chart.mapping();
    if (!m.drawable())
        return;
    const double s = chart.scale();

    QFont font(QStringLiteral("MS Shell Dlg 2"));
    font.setPointSizeF(8.0 * s);
    p.setFont(font);
    const QPen text_pen(Qt::black, 1, Qt::SolidLine);
    const QPen grid_pen(Qt::gray, 1, Qt::DashLine);
    const Ctx c{p, chart, m, s};

    if (chart.fixed_grid()) {
        paint_fixed_grid(c, grid_pen, text_pen);
    } else {
        const double step_x = math::nice_step(72.0 * s * m.x_per_pixel());
        const double step_y = math::nice_step(60.0 * s * m.y_per_pixel());
        if (step_x == 0.0 || step_y == 0.0)
            return;
        paint_nice_grid(c, step_x, step_y, grid_pen, text_pen);
    }

    p.setPen(text_pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(m.left, m.top, m.width(), m.height()));

    p.save();
    p.setClipRect(QRectF(m.left, m.top, m.width(), m.height()));
    p.setRenderHint(QPainter::Antialiasing, true);
    paint_polylines(c);
    paint_straight_lines(c);
    paint_curves(c);
    paint_thinned(c);
    paint_segment_sets(c);
    paint_rect_sets(c);
    p.restore();
}

} // namespace orvex::qt
