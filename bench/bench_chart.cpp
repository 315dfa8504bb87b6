// Paint cost of the chart widget in an 800 x 600 area, offscreen: a live
// profile of 1024 points with two range outlines, and a 100 000-point curve
// drawn as a curve with markers and as a thinned list.
#include "charts/chart_orvex.h"

#include <QApplication>
#include <QByteArray>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

using orvex::qt::ChartOrvex;

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

std::unique_ptr<ChartOrvex> make_chart()
{
    auto c = std::make_unique<ChartOrvex>();
    c->resize(kWidth, kHeight);
    c->show();
    return c;
}

// A closed outline of n vertices around the working range.
std::vector<orvex::math::Point2d> outline(double x0, double x1, double y0, double y1, int n)
{
    std::vector<orvex::math::Point2d> pts;
    const int side = n / 4;
    for (int i = 0; i < side; ++i)
        pts.push_back({x0 + (x1 - x0) * i / side, y0 + 2.0 * std::sin(i * 0.3)});
    for (int i = 0; i < side; ++i)
        pts.push_back({x1 + 10.0 * i / side, y0 + (y1 - y0) * i / side});
    for (int i = 0; i < side; ++i)
        pts.push_back({x1 + 10.0 - (x1 - x0 + 20.0) * i / side, y1});
    for (int i = 0; i <= side; ++i)
        pts.push_back({x0 - 10.0 + 10.0 * i / side, y1 - (y1 - y0) * i / side});
    return pts;
}

void paint(benchmark::State& state, ChartOrvex& chart)
{
    QImage img(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&img);
        chart.render(&p);
        p.end();
        benchmark::DoNotOptimize(img.constBits());
    }
}

void BM_ChartProfileWithOutlines(benchmark::State& state)
{
    auto c = make_chart();
    auto& valid = *c->named(ChartOrvex::Blue).curve;
    auto& invalid = *c->named(ChartOrvex::Red).curve;
    for (int i = 0; i < 1024; ++i) {
        const double x = -40.0 + 80.0 * i / 1023.0;
        const double y = 120.0 + 8.0 * std::sin(i * 0.01) + 0.05 * std::sin(i * 1.7);
        if (i % 50 == 0)
            invalid.append(x, 100.0);
        else
            valid.append(x, y);
    }
    c->named(ChartOrvex::Green).segments->add_polyline(outline(-45.0, 45.0, 90.0, 160.0, 256));
    c->named(ChartOrvex::Black).segments->add_polyline(outline(-50.0, 50.0, 85.0, 165.0, 256));
    c->auto_scale(0.0, 0.0, 0.0, 0.0, 0.05);
    paint(state, *c);
}
BENCHMARK(BM_ChartProfileWithOutlines)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

void fill_dense(std::vector<orvex::math::Point2d>& pts)
{
    for (int i = 0; i < 100000; ++i)
        pts.push_back({i * 0.001, std::sin(i * 0.0005) * 50.0 + std::sin(i * 0.7) * 3.0});
}

void BM_ChartCurve100k(benchmark::State& state)
{
    auto c = make_chart();
    auto& curve = *c->anonymous(1).curve;
    curve.connect = true;
    fill_dense(curve.points);
    c->auto_scale(1.0, -1.0, 1.0, -1.0, 0.05);
    paint(state, *c);
}
BENCHMARK(BM_ChartCurve100k)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

void BM_ChartThinnedList100k(benchmark::State& state)
{
    auto c = make_chart();
    auto& list = c->add_thinned_list();
    fill_dense(list.points);
    c->auto_scale(1.0, -1.0, 1.0, -1.0, 0.05);
    paint(state, *c);
}
BENCHMARK(BM_ChartThinnedList100k)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
