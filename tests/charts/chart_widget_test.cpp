// ChartWidget and ChartOrvex driven offscreen: ranges, view changes by mouse
// and wheel, the context menu, and what lands on the pixels.
#include "charts/chart_orvex.h"
#include "charts/chart_widget.h"
#include "charts/overlay_widget.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using orvex::math::ChartRect;
using orvex::qt::ChartOrvex;
using orvex::qt::ChartWidget;
using orvex::qt::OverlayWidget;
using orvex::qt::Point2d;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A shown chart, so that its size and plot area are real.
struct ShownChart {
    explicit ShownChart(int w = 400, int h = 300)
    {
        chart.resize(w, h);
        chart.show();
    }
    ChartWidget chart;
};

// Records the context menu instead of showing it.
class MenuRecordingChart : public ChartWidget {
public:
    int shown = 0;

protected:
    void popup_menu(QMenu*, const QPoint&) override { ++shown; }
};

void move_mouse(QWidget& w, QPoint pos, Qt::MouseButtons held)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(pos), QPointF(w.mapToGlobal(pos)), Qt::NoButton, held,
                  Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

void drag(QWidget& w, Qt::MouseButton button, QPoint from, QPoint to)
{
    QTest::mousePress(&w, button, Qt::NoModifier, from);
    move_mouse(w, to, button);
    QTest::mouseRelease(&w, button, Qt::NoModifier, to);
}

void wheel(QWidget& w, QPoint pos, int delta)
{
    QWheelEvent e(QPointF(pos), QPointF(w.mapToGlobal(pos)), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &e);
}

QImage render(QWidget& w)
{
    QImage img(w.size(), QImage::Format_RGB32);
    img.fill(Qt::magenta);
    w.render(&img);
    return img;
}

bool is_red(QRgb c)
{
    return qRed(c) > 150 && qGreen(c) < 120 && qBlue(c) < 120;
}

int red_pixels(const QImage& img, int x0, int x1, int y0, int y1)
{
    int n = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            n += is_red(img.pixel(x, y)) ? 1 : 0;
    return n;
}

QPoint pixel_of(const ChartWidget& w, double x, double y)
{
    return w.to_pixel({x, y}).toPoint();
}

void expect_rect_near(const ChartRect& a, const ChartRect& b, double tol)
{
    EXPECT_NEAR(a.x0, b.x0, tol);
    EXPECT_NEAR(a.y0, b.y0, tol);
    EXPECT_NEAR(a.x1, b.x1, tol);
    EXPECT_NEAR(a.y1, b.y1, tol);
}

} // namespace

TEST(ChartWidget, RangeSettersStoreHomeAndShowIt)
{
    ShownChart s;
    ChartWidget& w = s.chart;
    expect_rect_near(w.home_range(), {0, 0, 100, 100}, 0.0);
    expect_rect_near(w.visible_range(), {0, 0, 100, 100}, 0.0);

    w.set_x_range(2.0, 4.0, 0.1);
    EXPECT_DOUBLE_EQ(w.home_range().x0, 1.8);
    EXPECT_DOUBLE_EQ(w.home_range().x1, 4.2);
    EXPECT_DOUBLE_EQ(w.visible_range().x0, 1.8);

    w.set_y_range(0.0, 0.0);
    EXPECT_EQ(w.home_range().y1 - w.home_range().y0, 2.220446049250313e-13);
    EXPECT_EQ(w.visible_range().y1 - w.visible_range().y0, 2.220446049250313e-13);
    render(w); // a hairline range must paint without trouble

    w.set_ranges(-1.0, 1.0, 10.0, 20.0);
    expect_rect_near(w.home_range(), {-1, 10, 1, 20}, 0.0);

    // With swap on, the data's X range lands on the vertical axis.
    w.set_swap_xy(true);
    w.set_x_range(5.0, 6.0);
    EXPECT_EQ(w.home_range().y0, 5.0);
    EXPECT_EQ(w.home_range().y1, 6.0);
    EXPECT_EQ(w.home_range().x0, 10.0);
}

TEST(ChartWidget, AutoScaleGrowsOverAllSeriesKinds)
{
    ShownChart s;
    ChartWidget& w = s.chart;
    auto& c = w.add_curve();
    for (double x : {5.0, 6.5, 10.0})
        c.append(x, 1.0 + (x - 5.0) / 5.0);
    c.append(kNaN, 1000.0);
    w.auto_scale(0.0, 0.0, 0.0, 0.0, 0.05);
    EXPECT_DOUBLE_EQ(w.home_range().x0, -0.5);
    EXPECT_DOUBLE_EQ(w.home_range().x1, 10.5);
    EXPECT_DOUBLE_EQ(w.home_range().y0, -0.1);
    EXPECT_DOUBLE_EQ(w.home_range().y1, 2.1);
    expect_rect_near(w.visible_range(), w.home_range(), 0.0);

    // A vertical line widens X, a horizontal one Y; rectangles only Y; segments both.
    w.add_line_series().add_vertical(-3.0);
    w.line_series(0).add_horizontal(7.0);
    w.line_series(0).add(1.0, 1.0, 0.0); // slanted: no extent
    w.add_rect_set().add(100.0, -4.0, 200.0, -2.0);
    w.add_segment_set().add_segment({0.0, 0.0}, {12.0, 3.0});
    w.auto_scale(1.0, -1.0, 1.0, -1.0, 0.0);
    expect_rect_near(w.home_range(), {-3, -4, 12, 7}, 0.0);

    w.set_swap_xy(true);
    w.auto_scale(1.0, -1.0, 1.0, -1.0, 0.0);
    expect_rect_near(w.home_range(), {-4, -3, 7, 12}, 0.0);

    // No data and empty initial intervals: the widened zero range.
    ChartWidget empty;
    empty.auto_scale(1.0, -1.0, 1.0, -1.0, 0.0);
    EXPECT_EQ(empty.home_range().x0, -1.1102230246251565e-13);
    EXPECT_EQ(empty.home_range().y1, 1.1102230246251565e-13);
}

TEST(ChartWidget, KeepAspectGrowsTheShortSideAndSwapExchangesHome)
{
    ShownChart s(800, 400);
    ChartWidget& w = s.chart;
    w.set_keep_aspect(true);
    const double k = 355.0 / 720.0; // plot 720 x 355 pixels
    EXPECT_DOUBLE_EQ(w.aspect_factor(), k);
    w.set_ranges(0.0, 10.0, 0.0, 10.0);
    const ChartRect v = w.visible_range();
    EXPECT_DOUBLE_EQ(v.y0, 0.0);
    EXPECT_DOUBLE_EQ(v.y1, 10.0);
    EXPECT_NEAR((v.x0 + v.x1) / 2.0, 5.0, 1e-12);
    EXPECT_NEAR(v.x1 - v.x0, 10.0 / k, 1e-9);
    // Same data per pixel on both axes.
    EXPECT_NEAR(w.mapping().x_per_pixel(), w.mapping().y_per_pixel(), 1e-12);
    // The home range keeps what was asked for.
    expect_rect_near(w.home_range(), {0, 0, 10, 10}, 0.0);

    w.set_keep_aspect(false);
    expect_rect_near(w.visible_range(), {0, 0, 10, 10}, 0.0);

    w.set_ranges(0.0, 10.0, -5.0, 5.0);
    w.set_swap_xy(true);
    expect_rect_near(w.home_range(), {-5, 0, 5, 10}, 0.0);
    expect_rect_near(w.visible_range(), {-5, 0, 5, 10}, 0.0);
    // A data point's y now runs along the horizontal axis.
    const QPointF p = w.to_pixel({10.0, 0.0});
    EXPECT_NEAR(p.x(), (55.0 + 775.0) / 2.0, 1e-9);
    EXPECT_NEAR(p.y(), 20.0, 1e-9);
    w.set_swap_xy(true); // no change, no exchange
    expect_rect_near(w.home_range(), {-5, 0, 5, 10}, 0.0);
    w.set_swap_xy(false);
    expect_rect_near(w.home_range(), {0, -5, 10, 5}, 0.0);
}

TEST(ChartWidget, RightClickOpensTheMenuAndRightDragOnlyPans)
{
    MenuRecordingChart w;
    w.resize(400, 300);
    w.show();
    QPointer<QMenu> menu;
    int opened = 0;
    QObject::connect(&w, &ChartWidget::context_menu_opened, [&](QMenu* m) {
        menu = m;
        ++opened;
    });

    QTest::mousePress(&w, Qt::RightButton, Qt::NoModifier, QPoint(200, 150));
    QTest::mouseRelease(&w, Qt::RightButton, Qt::NoModifier, QPoint(204, 147));
    ASSERT_EQ(opened, 1);
    EXPECT_EQ(w.shown, 1);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), QStringLiteral("Context menu"));
    const auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 6);
    const QStringList texts{QString::fromUtf8("Фиксированная сетка"),
                            QString::fromUtf8("Сохранять пропорции"),
                            QString(),
                            QString::fromUtf8("Инвертировать X"),
                            QString::fromUtf8("Инвертировать Y"),
                            QString::fromUtf8("Поменять местами XY")};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(actions[i]->text(), texts[i]);
        EXPECT_EQ(actions[i]->isSeparator(), i == 2);
        EXPECT_EQ(actions[i]->isCheckable(), i != 2);
        EXPECT_FALSE(actions[i]->isChecked());
    }
    actions[4]->trigger();
    EXPECT_TRUE(w.invert_y());
    actions[0]->trigger();
    EXPECT_TRUE(w.fixed_grid());
    menu->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(menu.isNull()); // a closed menu does not pile up

    // The next menu shows the flags as they are now.
    QTest::mousePress(&w, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseRelease(&w, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
    ASSERT_EQ(opened, 2);
    EXPECT_TRUE(menu->actions()[0]->isChecked());
    EXPECT_TRUE(menu->actions()[4]->isChecked());
    EXPECT_FALSE(menu->actions()[5]->isChecked());
    menu->actions()[5]->trigger();
    EXPECT_TRUE(w.swap_xy());
    menu->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    w.set_swap_xy(false);
    w.set_invert_y(false);

    // A drag of exactly 5 pixels pans and opens nothing.
    w.set_ranges(0.0, 100.0, 0.0, 100.0);
    const double xpp = w.mapping().x_per_pixel();
    const double ypp = w.mapping().y_per_pixel();
    drag(w, Qt::RightButton, QPoint(200, 150), QPoint(205, 150));
    EXPECT_EQ(opened, 2);
    EXPECT_NEAR(w.visible_range().x0, -5.0 * xpp, 1e-9);
    EXPECT_NEAR(w.visible_range().x1, 100.0 - 5.0 * xpp, 1e-9);
    EXPECT_DOUBLE_EQ(w.visible_range().y0, 0.0);
    drag(w, Qt::RightButton, QPoint(200, 150), QPoint(200, 140));
    EXPECT_EQ(opened, 2);
    EXPECT_NEAR(w.visible_range().y0, -10.0 * ypp, 1e-9);
    expect_rect_near(w.home_range(), {0, 0, 100, 100}, 0.0);
}

TEST(ChartWidget, RubberBandZoomsInAndUpLeftReturnsHome)
{
    ShownChart s;
    ChartWidget& w = s.chart;
    w.set_ranges(0.0, 100.0, 0.0, 100.0);
    auto* overlay = w.findChild<OverlayWidget*>();
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->size(), w.size());
    EXPECT_TRUE(overlay->testAttribute(Qt::WA_TransparentForMouseEvents));

    const QPoint a = pixel_of(w, 20.0, 80.0);
    const QPoint b = pixel_of(w, 60.0, 40.0);
    QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, a);
    EXPECT_TRUE(overlay->band_visible());
    move_mouse(w, b, Qt::LeftButton);
    EXPECT_EQ(overlay->band(), QRect(a, b).normalized());
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, b);
    EXPECT_FALSE(overlay->band_visible());
    const double tol = w.mapping().x_per_pixel();
    expect_rect_near(w.visible_range(), {20, 40, 60, 80}, tol);

    // A click without movement changes nothing.
    const ChartRect zoomed = w.visible_range();
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
    expect_rect_near(w.visible_range(), zoomed, 0.0);

    // Up-left (and just up, and just left) returns to home.
    for (const QPoint end : {QPoint(150, 100), QPoint(250, 100), QPoint(150, 200)}) {
        w.request_view(zoomed);
        drag(w, Qt::LeftButton, QPoint(200, 150), end);
        expect_rect_near(w.visible_range(), {0, 0, 100, 100}, 0.0);
    }

    // With inverted axes the band still selects what lies under it.
    w.set_invert_x(true);
    w.set_invert_y(true);
    drag(w, Qt::LeftButton, pixel_of(w, 60.0, 40.0), pixel_of(w, 20.0, 80.0));
    expect_rect_near(w.visible_range(), {20, 40, 60, 80}, tol);
}

TEST(ChartWidget, WheelKeepsThePointUnderTheCursorAndMiddleButtonSetsTheLabelOffset)
{
    ShownChart s;
    ChartWidget& w = s.chart;
    w.set_ranges(0.0, 100.0, 0.0, 100.0);
    const QPoint pos(150, 100);
    for (bool inverted : {false, true}) {
        w.set_invert_x(inverted);
        w.set_invert_y(inverted);
        w.reset_view();
        const Point2d before = w.display_at(pos);
        wheel(w, pos, 120);
        EXPECT_NEAR(w.visible_range().x1 - w.visible_range().x0, 90.0, 1e-9);
        Point2d after = w.display_at(pos);
        EXPECT_NEAR(after.x, before.x, 1e-9);
        EXPECT_NEAR(after.y, before.y, 1e-9);
        wheel(w, pos, -120);
        EXPECT_NEAR(w.visible_range().y1 - w.visible_range().y0, 99.0, 1e-9);
        after = w.display_at(pos);
        EXPECT_NEAR(after.x, before.x, 1e-9);
        EXPECT_NEAR(after.y, before.y, 1e-9);
    }
    w.set_invert_x(false);
    w.set_invert_y(false);
    w.reset_view();

    const Point2d at = w.display_at(pos);
    QTest::mousePress(&w, Qt::MiddleButton, Qt::NoModifier, pos);
    EXPECT_DOUBLE_EQ(w.label_offset().x, -at.x);
    EXPECT_DOUBLE_EQ(w.label_offset().y, -at.y);
    QTest::mouseRelease(&w, Qt::MiddleButton, Qt::NoModifier, pos);
    EXPECT_EQ(w.label_offset().x, 0.0);
    EXPECT_EQ(w.label_offset().y, 0.0);
    expect_rect_near(w.visible_range(), w.home_range(), 0.0);
}

TEST(ChartWidget, CurveLinesBreakAtGapsAndMarkersStay)
{
    ShownChart s;
    ChartWidget& w = s.chart;
    w.set_ranges(0.0, 100.0, 0.0, 100.0);
    auto& c = w.add_curve();
    c.connect = true;
    c.marker_size = 1.5;
    for (const Point2d p :
         {Point2d{10, 50}, Point2d{20, 50}, Point2d{kNaN, 50}, Point2d{80, 50}, Point2d{90, 50}})
        c.append(p.x, p.y);
    const QImage img = render(w);
    const int y = pixel_of(w, 0, 50).y();
    const int x10 = pixel_of(w, 10, 0).x();
    const int x20 = pixel_of(w, 20, 0).x();
    const int x80 = pixel_of(w, 80, 0).x();
    const int x90 = pixel_of(w, 90, 0).x();
    EXPECT_GT(red_pixels(img, x10 + 4, x20 - 4, y - 1, y + 1), 0);
    EXPECT_GT(red_pixels(img, x80 + 4, x90 - 4, y - 1, y + 1), 0);
    EXPECT_EQ(red_pixels(img, x20 + 4, x80 - 4, y - 3, y + 3), 0);
    for (int x : {x10, x20, x80, x90})
        EXPECT_TRUE(is_red(img.pixel(x, y))) << x;

    // A gap given only in y also breaks the line.
    c.clear();
    for (const Point2d p : {Point2d{10, 50}, Point2d{50, kNaN}, Point2d{90, 50}})
        c.append(p.x, p.y);
    EXPECT_EQ(red_pixels(render(w), x10 + 4, x90 - 4, y - 3, y + 3), 0);
}

TEST(ChartWidget, SeriesLandWhereTheMappingSaysAndInversionMirrors)
{
    ShownChart s;
    ChartWidget& w = s.chart;
    w.set_ranges(0.0, 100.0, 0.0, 100.0);
    w.add_line_series().add_vertical(25.0);
    w.add_rect_set().add(60.0, 60.0, 70.0, 75.0);
    auto& seg = w.add_segment_set();
    seg.antialias = false;
    seg.append(10.0, 90.0);
    seg.append(40.0, 90.0);
    auto& pl = w.add_polyline();
    pl.append(10.0, 10.0);
    pl.append(40.0, 10.0);
    pl.append(kNaN, 10.0);
    pl.append(90.0, 10.0);

    for (bool inverted : {false, true}) {
        w.set_invert_x(inverted);
        w.set_invert_y(inverted);
        const QImage img = render(w);
        const QPoint line = pixel_of(w, 25.0, 50.0);
        EXPECT_TRUE(is_red(img.pixel(line))) << inverted;
        EXPECT_FALSE(is_red(img.pixel(line + QPoint(5, 0)))) << inverted;
        EXPECT_TRUE(is_red(img.pixel(pixel_of(w, 65.0, 67.0)))) << inverted;
        EXPECT_FALSE(is_red(img.pixel(pixel_of(w, 65.0, 80.0)))) << inverted;
        EXPECT_TRUE(is_red(img.pixel(pixel_of(w, 25.0 + 3.0, 90.0)))) << inverted;
        EXPECT_TRUE(is_red(img.pixel(pixel_of(w, 30.0, 10.0)))) << inverted;
        EXPECT_FALSE(is_red(img.pixel(pixel_of(w, 60.0, 10.0)))) << inverted;
    }
    // Inversion mirrors the pixel position inside the plot.
    const QRectF plot = w.plot_rect();
    w.set_invert_x(false);
    const double px = w.to_pixel({25.0, 0.0}).x();
    w.set_invert_x(true);
    EXPECT_NEAR(w.to_pixel({25.0, 0.0}).x(), plot.left() + plot.right() - px, 1e-9);

    // With swap on, the vertical line x = 25 becomes horizontal.
    w.set_invert_x(false);
    w.set_invert_y(false);
    w.set_swap_xy(true);
    const QImage img = render(w);
    const QPoint p = pixel_of(w, 25.0, 50.0);
    EXPECT_TRUE(is_red(img.pixel(p)));
    EXPECT_TRUE(is_red(img.pixel(p + QPoint(40, 0))));
    EXPECT_FALSE(is_red(img.pixel(p + QPoint(0, 5))));
}

TEST(ChartWidget, DegenerateViewsPaintOnlyTheBackground)
{
    ShownChart s;
    ChartWidget& w = s.chart;
    w.add_curve().append(1.0, 1.0);
    w.add_line_series().add_vertical(1.0);
    const QRgb bg = w.palette().window().color().rgb();
    auto only_background = [&]() {
        const QImage img = render(w);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) != bg)
                    return false;
        return true;
    };
    EXPECT_FALSE(only_background());
    for (bool fixed : {false, true}) {
        w.set_fixed_grid(fixed);
        for (const ChartRect r : {ChartRect{0, 0, 0, 10}, ChartRect{0, 5, 10, 5}, ChartRect{0, 0, kNaN, 1},
                                  ChartRect{-1e308, 0, 1e308, 1}, ChartRect{10, 0, 0, 10}}) {
            w.request_view(r);
            EXPECT_TRUE(only_background())
                << fixed << ' ' << r.x0 << ' ' << r.x1 << ' ' << r.y0 << ' ' << r.y1;
        }
        // No plot area left.
        w.set_ranges(0.0, 10.0, 0.0, 10.0);
        w.resize(40, 30);
        EXPECT_TRUE(only_background());
        w.resize(400, 300);
        EXPECT_FALSE(only_background());
    }
    // Wheel and pan over a degenerate view do not crash.
    w.request_view({0, 0, 0, 0});
    wheel(w, QPoint(100, 100), 120);
    drag(w, Qt::RightButton, QPoint(100, 100), QPoint(150, 150));
    EXPECT_TRUE(only_background());

    // Nonsense sizes and far-away points paint without complaint.
    w.set_ranges(0.0, 10.0, 0.0, 10.0);
    auto& c = w.add_curve();
    c.marker_size = kNaN;
    c.line_width = -3.0;
    c.connect = true;
    c.append(-1e300, 5.0);
    c.append(1e300, 5.0);
    auto& seg = w.add_segment_set();
    seg.dot_radius = std::numeric_limits<double>::infinity();
    seg.dot_at_start = true;
    seg.add_segment({-1e300, 1.0}, {1e300, 1.0});
    auto& pl = w.add_polyline();
    pl.pen_width = kNaN;
    pl.markers = true;
    pl.marker_radius = 1e9;
    pl.append(1.0, 1.0);
    pl.append(2.0, 2.0);
    const QImage img = render(w);
    EXPECT_TRUE(is_red(img.pixel(pixel_of(w, 5.0, 5.0))));
    EXPECT_TRUE(is_red(img.pixel(pixel_of(w, 5.0, 1.0))));

    // Scale must stay a positive number.
    w.set_scale(2.0);
    w.set_scale(0.0);
    w.set_scale(kNaN);
    EXPECT_EQ(w.scale(), 2.0);
}

TEST(ChartWidget, ThinnedListLooksLikeTheFullLine)
{
    ShownChart s(600, 300);
    ChartWidget& w = s.chart;
    w.set_ranges(0.0, 1.0, -1.5, 1.5);
    std::vector<Point2d> pts;
    for (int i = 0; i < 50000; ++i) {
        const double x = i / 50000.0;
        pts.push_back({x, std::sin(x * 40.0) + 0.3 * std::sin(i * 0.9)});
    }
    auto& full = w.add_polyline();
    full.points = pts;
    const QImage a = render(w);
    full.clear();
    auto& thin = w.add_thinned_list();
    thin.points = pts;
    const QImage b = render(w);
    // Per pixel column, the vertical extent the line covers must be the same.
    const QRect plot = w.plot_rect().toRect().adjusted(2, 2, -2, -2);
    auto extent = [&](const QImage& img, int x) {
        int lo = -1;
        int hi = -1;
        for (int y = plot.top(); y <= plot.bottom(); ++y) {
            if (is_red(img.pixel(x, y))) {
                lo = lo < 0 ? y : lo;
                hi = y;
            }
        }
        return std::pair{lo, hi};
    };
    int columns = 0;
    int mismatched = 0;
    for (int x = plot.left(); x <= plot.right(); ++x) {
        const auto [alo, ahi] = extent(a, x);
        const auto [blo, bhi] = extent(b, x);
        columns += alo >= 0 ? 1 : 0;
        mismatched += (std::abs(alo - blo) > 1 || std::abs(ahi - bhi) > 1) ? 1 : 0;
    }
    EXPECT_GT(columns, 500);
    EXPECT_LE(mismatched, columns / 100) << mismatched << " of " << columns;
}

TEST(ChartSeries, SegmentSetsJoinAppendedPoints)
{
    orvex::qt::ChartSegmentSet set;
    set.append(0.0, 0.0);
    EXPECT_TRUE(set.segments.empty());
    set.append(1.0, 2.0);
    set.append(3.0, 4.0);
    ASSERT_EQ(set.segments.size(), 2u);
    EXPECT_EQ(set.segments[1].a.x, 1.0);
    EXPECT_EQ(set.segments[1].b.y, 4.0);
    set.add_polyline({{10, 10}, {11, 11}, {12, 10}, {13, 11}});
    EXPECT_EQ(set.segments.size(), 5u);
    set.add_polyline({{20, 20}});
    EXPECT_EQ(set.segments.size(), 5u);
    set.clear();
    EXPECT_TRUE(set.segments.empty());
    set.append(5.0, 5.0); // the last point was forgotten: no segment
    EXPECT_TRUE(set.segments.empty());
}

TEST(ChartOrvex, PaletteChannelsAreReadyMade)
{
    ChartOrvex c;
    EXPECT_EQ(c.curves().size(), 23u);
    EXPECT_EQ(c.line_series().size(), 23u);
    EXPECT_EQ(c.segment_sets().size(), 24u);
    EXPECT_EQ(c.anonymous(0).curve->color, QColor(255, 127, 80));
    EXPECT_EQ(c.anonymous(9).segments->color, QColor(255, 140, 0));
    EXPECT_EQ(c.named(ChartOrvex::Green).lines->color, QColor(50, 150, 50));
    EXPECT_EQ(c.named(ChartOrvex::Violet).curve->color, QColor(143, 0, 255));
    EXPECT_EQ(c.named(ChartOrvex::Sky).curve->color, QColor(10, 191, 255));
    EXPECT_EQ(c.named(ChartOrvex::Blue).lines->line_width, 2.0);
    EXPECT_EQ(c.named(ChartOrvex::Blue).curve->line_width, 1.0);
    // Channels are the widget's own series, in palette order.
    EXPECT_EQ(c.anonymous(0).curve, &c.curves()[0]);
    EXPECT_EQ(c.named(ChartOrvex::Red).curve, &c.curves()[10]);
    EXPECT_EQ(c.named(ChartOrvex::Black).segments, &c.segment_sets()[13]);
    // The red segment set was made afresh, last and red.
    EXPECT_EQ(c.named(ChartOrvex::Red).segments, &c.segment_sets().back());
    EXPECT_EQ(c.named(ChartOrvex::Red).segments->color, QColor(255, 0, 0));
    EXPECT_THROW(c.anonymous(10), std::out_of_range);
    // References survive further additions.
    auto* first = c.anonymous(0).curve;
    for (int i = 0; i < 100; ++i)
        c.add_curve();
    EXPECT_EQ(first, &c.curves()[0]);
}
