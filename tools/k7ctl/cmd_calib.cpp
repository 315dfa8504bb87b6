// k7ctl calib: the X and Y tables from result files, and the ground-truth
// checks of the calibrations against an in-process simulated rig.
#include "calibr/x_calibration.h"
#include "calibr/y_table.h"
#include "cli.h"
#include "rigcheck/rig_check.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <algorithm>
#include <cstdio>
#include <fstream>

namespace k7ctl {
namespace {

// The simulated sensor, control board and search socket of a ground-truth
// check on the loopback /24 given as --block.
template <class Options>
void set_rig_addresses(Options& c, const QString& block)
{
    if (!block.startsWith(QLatin1String("127.")) || block.count(QLatin1Char('.')) != 2)
        usage_error(QStringLiteral("--block must be 127.A.B"));
    c.sensor_address = block.toStdString() + ".2";
    c.board_address = block.toStdString() + ".20";
    c.search_address = block.toStdString() + ".254";
}

int run_xtable(const QStringList& args)
{
    options o(QStringLiteral("k7ctl calib xtable [--in CalibrX.txt] [--out TableX.txt]"),
              QStringLiteral("Builds the X calibration table from the records of an X calibration run,\n"
                             "as the calibration window's \"Посчитать таблицу X\" does."),
              QStringLiteral("  k7ctl calib xtable --in calibr/CalibrX.txt --out calibr/TableX.txt\n"));
    o.add({QStringLiteral("in"), QStringLiteral("Record file."), QStringLiteral("FILE"),
           QStringLiteral("CalibrX.txt")});
    o.add({QStringLiteral("out"), QStringLiteral("Table file."), QStringLiteral("FILE"),
           QStringLiteral("TableX.txt")});
    o.parse(args, 0, 0);
    const auto t = orvex::calibr::make_x_table_file(o.value(QStringLiteral("in")).toStdString(),
                                                    o.value(QStringLiteral("out")).toStdString());
    if (!t.ok)
        device_error(QString::fromStdString(t.error));
    print_line(
        QStringLiteral("%1 records, table written to %2").arg(t.records).arg(o.value(QStringLiteral("out"))));
    if (t.beyond_row > 0)
        print_line(QStringLiteral("%1 points reached 1280 pixels or more; those cells were not written")
                       .arg(t.beyond_row));
    return exit_ok;
}

// The table in colour (blue smallest, red largest Y; grey without value),
// the measured points in white.
QImage y_table_image(const orvex::calibr::y_table& t,
                     const std::vector<std::vector<orvex::calibr::corner_entry>>& groups)
{
    using namespace orvex::calibr;
    double lo = 1e300, hi = -1e300;
    for (double v : t.cells)
        if (v != y_table_empty) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    QImage img(y_table_columns, y_table_rows, QImage::Format_RGB32);
    for (int r = 0; r < y_table_rows; ++r)
        for (int c = 0; c < y_table_columns; ++c) {
            const double v = t.cells[std::size_t(r) * y_table_columns + std::size_t(c)];
            const double f = hi > lo ? (v - lo) / (hi - lo) : 0.5;
            img.setPixel(c, r,
                         v == y_table_empty ? qRgb(60, 60, 60)
                                            : QColor::fromHsvF(0.66 * (1.0 - f), 1.0, 1.0).rgb());
        }
    for (const auto& g : groups)
        for (const auto& e : g)
            if (e.x >= 0 && e.x < y_table_columns && e.y >= 0 && e.y < y_table_rows)
                img.setPixel(int(e.x), int(e.y), qRgb(255, 255, 255));
    return img;
}

int run_ytable(const QStringList& args)
{
    options o(QStringLiteral("k7ctl calib ytable [--in CalibrY.txt] [--out TableY.txt] [--png FILE]"),
              QStringLiteral("Builds the Y calibration table from the result groups of a Y calibration\n"
                             "(corner, teeth or comb): along the profile points each group is interpolated\n"
                             "linearly, across the line columns by a cubic through the four nearest groups.\n"
                             "Cells outside the measured area hold 65535. With --png the table is drawn in\n"
                             "colour with the measured points; then the table file is written only when\n"
                             "--out is given."),
              QStringLiteral("  k7ctl calib ytable --in calibr/CalibrY.txt --out calibr/TableY.txt\n"
                             "  k7ctl calib ytable --in calibr/CalibrY.txt --png /tmp/TableY.png\n"));
    o.add({QStringLiteral("in"), QStringLiteral("Result file."), QStringLiteral("FILE"),
           QStringLiteral("CalibrY.txt")});
    o.add({QStringLiteral("out"), QStringLiteral("Table file."), QStringLiteral("FILE"),
           QStringLiteral("TableY.txt")});
    o.add(
        {QStringLiteral("png"), QStringLiteral("Picture of the table."), QStringLiteral("FILE"), QString()});
    o.parse(args, 0, 0);
    const QString in = o.value(QStringLiteral("in"));
    const QString png = o.value(QStringLiteral("png"));
    const bool write_table = png.isEmpty() || o.is_set(QStringLiteral("out"));
    orvex::calibr::y_table t;
    std::vector<std::vector<orvex::calibr::corner_entry>> groups;
    {
        std::ifstream f(in.toStdString());
        if (!f)
            device_error(QStringLiteral("cannot open %1").arg(in));
        std::string error;
        if (!orvex::calibr::read_y_results(f, groups, error))
            device_error(QString::fromStdString(error));
    }
    if (write_table)
        t = orvex::calibr::make_y_table_file(in.toStdString(), o.value(QStringLiteral("out")).toStdString());
    else
        t = orvex::calibr::build_y_table(groups);
    if (!t.ok)
        device_error(QString::fromStdString(t.error));
    print_line(
        QStringLiteral("%1 groups, %2 entries, %3 cells filled").arg(t.groups).arg(t.entries).arg(t.filled));
    if (write_table)
        print_line(QStringLiteral("table written to %1").arg(o.value(QStringLiteral("out"))));
    if (!png.isEmpty()) {
        if (!y_table_image(t, groups).save(png, "PNG"))
            device_error(QStringLiteral("cannot write %1").arg(png));
        print_line(QStringLiteral("picture written to %1").arg(png));
    }
    return exit_ok;
}

int run_xcheck(const QStringList& args)
{
    options o(
        QStringLiteral("k7ctl calib xcheck [--range MM] [--step-pix PX] [--speed MM_S] [--folder DIR] "
                       "[--block 127.A.B] [--noise PX] [--json]"),
        QStringLiteral("Runs the X calibration against a simulated rig inside this process (a sensor on a\n"
                       "plane and the control board moving it, on loopback addresses of --block), builds\n"
                       "the X table and compares every filled cell with the simulator's exact answer.\n"
                       "Prints the largest and the RMS error in millimetres, the wall time of the run and\n"
                       "the time spent waiting for fresh profiles. Exit 1 when the run fails."),
        QStringLiteral("  k7ctl calib xcheck --range 2 --step-pix 1\n"
                       "  k7ctl calib xcheck --json --folder /tmp/xcheck\n"));
    o.add({QStringLiteral("range"), QStringLiteral("X range in millimetres (default 10)."),
           QStringLiteral("MM"), QStringLiteral("10")});
    o.add({QStringLiteral("step-pix"), QStringLiteral("Pixels per step (default 0.2)."), QStringLiteral("PX"),
           QStringLiteral("0.2")});
    o.add({QStringLiteral("speed"), QStringLiteral("Actuator speed in mm/s (default 50)."),
           QStringLiteral("MM_S"), QStringLiteral("50")});
    o.add({QStringLiteral("folder"), QStringLiteral("Where the record and table files go (default calibr)."),
           QStringLiteral("DIR"), QStringLiteral("calibr")});
    o.add({QStringLiteral("block"),
           QStringLiteral("Loopback /24 for the simulated devices (default 127.0.77)."),
           QStringLiteral("127.A.B"), QStringLiteral("127.0.77")});
    o.add({QStringLiteral("noise"), QStringLiteral("Line noise of the simulated sensor, pixels (default 0)."),
           QStringLiteral("PX"), QStringLiteral("0")});
    o.add({QStringLiteral("json"), QStringLiteral("Figures as JSON.")});
    o.parse(args, 0, 0);
    orvex::rigcheck::options c;
    c.noise = o.real(QStringLiteral("noise"), 0.0, 0.0, 100.0);
    c.range = o.real(QStringLiteral("range"), 10.0, 1.0, 30000.0);
    c.step_pix = o.real(QStringLiteral("step-pix"), 0.2, 0.05, 10.0);
    c.speed = o.real(QStringLiteral("speed"), 50.0, 0.1, 10000.0);
    c.folder = o.value(QStringLiteral("folder")).toStdString();
    set_rig_addresses(c, o.value(QStringLiteral("block")));
    const bool json = o.is_set(QStringLiteral("json"));
    if (!json)
        c.progress = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    QDir().mkpath(o.value(QStringLiteral("folder")));
    const auto r = orvex::rigcheck::run(c);
    if (!r.ok)
        device_error(QString::fromStdString(r.error));
    if (json) {
        print_json(QJsonObject{{QStringLiteral("range_mm"), c.range},
                               {QStringLiteral("step_pix"), c.step_pix},
                               {QStringLiteral("noise_px"), c.noise},
                               {QStringLiteral("records"), double(r.records)},
                               {QStringLiteral("cells"), double(r.cells)},
                               {QStringLiteral("max_error_mm"), r.max_error},
                               {QStringLiteral("rms_error_mm"), r.rms_error},
                               {QStringLiteral("record_max_error_mm"), r.record_max_error},
                               {QStringLiteral("wall_s"), r.wall_seconds},
                               {QStringLiteral("profile_wait_s"), r.profile_wait_seconds},
                               {QStringLiteral("table_s"), r.table_seconds}});
        return exit_ok;
    }
    print_line(QStringLiteral("records %1, cells compared %2").arg(r.records).arg(r.cells));
    print_line(QStringLiteral("error: max %1 mm, rms %2 mm; records off their stamp by at most %3 mm")
                   .arg(r.max_error, 0, 'f', 5)
                   .arg(r.rms_error, 0, 'f', 5)
                   .arg(r.record_max_error, 0, 'f', 5));
    print_line(QStringLiteral("calibration %1 s, of it waiting for fresh profiles %2 s (%3 %), table %4 s")
                   .arg(r.wall_seconds, 0, 'f', 1)
                   .arg(r.profile_wait_seconds, 0, 'f', 1)
                   .arg(100.0 * r.profile_wait_seconds / r.wall_seconds, 0, 'f', 0)
                   .arg(r.table_seconds, 0, 'f', 1));
    return exit_ok;
}

int run_ycheck(const QStringList& args)
{
    options o(
        QStringLiteral("k7ctl calib ycheck [--teeth] [--range-x MM] [--step-x MM] [--range-y MM] "
                       "[--step-y MM] [--pitch MM] [--noise PX] [--folder DIR] [--block 127.A.B] [--json]"),
        QStringLiteral("Runs the Y calibration against a simulated rig inside this process: the corner\n"
                       "procedure on a corner piece, or with --teeth the teeth procedure on teeth, the\n"
                       "control board moving the target in distance (X) and sideways (Y). Builds\n"
                       "TableY.txt and compares every filled cell with the simulator's exact lateral\n"
                       "position. Prints the largest and the RMS error in millimetres. Exit 1 when the\n"
                       "run fails."),
        QStringLiteral("  k7ctl calib ycheck --range-x 20 --step-x 5 --range-y 20 --step-y 2\n"
                       "  k7ctl calib ycheck --teeth --pitch 10 --step-y 2 --noise 0.2 --json\n"));
    o.add({QStringLiteral("teeth"), QStringLiteral("Teeth procedure instead of the corner one.")});
    o.add({QStringLiteral("range-x"), QStringLiteral("X range, mm (default 10)."), QStringLiteral("MM"),
           QStringLiteral("10")});
    o.add({QStringLiteral("step-x"), QStringLiteral("X step, mm (default 5)."), QStringLiteral("MM"),
           QStringLiteral("5")});
    o.add({QStringLiteral("range-y"), QStringLiteral("Y range of the corner grid, mm (default 8)."),
           QStringLiteral("MM"), QStringLiteral("8")});
    o.add({QStringLiteral("step-y"), QStringLiteral("Y step, mm (default 2)."), QStringLiteral("MM"),
           QStringLiteral("2")});
    o.add({QStringLiteral("pitch"), QStringLiteral("Tooth pitch, mm (default 10)."), QStringLiteral("MM"),
           QStringLiteral("10")});
    o.add({QStringLiteral("noise"), QStringLiteral("Line noise of the simulated sensor, pixels (default 0)."),
           QStringLiteral("PX"), QStringLiteral("0")});
    o.add({QStringLiteral("folder"), QStringLiteral("Where the result and table files go (default calibr)."),
           QStringLiteral("DIR"), QStringLiteral("calibr")});
    o.add({QStringLiteral("block"),
           QStringLiteral("Loopback /24 for the simulated devices (default 127.0.78)."),
           QStringLiteral("127.A.B"), QStringLiteral("127.0.78")});
    o.add({QStringLiteral("json"), QStringLiteral("Figures as JSON.")});
    o.parse(args, 0, 0);
    orvex::rigcheck::y_options c;
    c.teeth = o.is_set(QStringLiteral("teeth"));
    c.range_x = o.real(QStringLiteral("range-x"), 10.0, 0.0, 100.0);
    c.step_x = o.real(QStringLiteral("step-x"), 5.0, 0.1, 100.0);
    c.range_y = o.real(QStringLiteral("range-y"), 8.0, 0.0, 100.0);
    c.step_y = o.real(QStringLiteral("step-y"), 2.0, 0.1, 100.0);
    c.pitch = o.real(QStringLiteral("pitch"), 10.0, 1.0, 100.0);
    c.noise = o.real(QStringLiteral("noise"), 0.0, 0.0, 100.0);
    c.folder = o.value(QStringLiteral("folder")).toStdString();
    set_rig_addresses(c, o.value(QStringLiteral("block")));
    const bool json = o.is_set(QStringLiteral("json"));
    if (!json)
        c.progress = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    QDir().mkpath(o.value(QStringLiteral("folder")));
    const auto r = orvex::rigcheck::run_y(c);
    if (!r.ok)
        device_error(QString::fromStdString(r.error));
    if (json) {
        print_json(QJsonObject{
            {QStringLiteral("method"), c.teeth ? QStringLiteral("teeth") : QStringLiteral("corner")},
            {QStringLiteral("noise_px"), c.noise},
            {QStringLiteral("groups"), double(r.groups)},
            {QStringLiteral("entries"), double(r.entries)},
            {QStringLiteral("cells"), double(r.cells)},
            {QStringLiteral("max_error_mm"), r.max_error},
            {QStringLiteral("rms_error_mm"), r.rms_error},
            {QStringLiteral("wall_s"), r.wall_seconds}});
        return exit_ok;
    }
    print_line(
        QStringLiteral("groups %1, entries %2, cells compared %3").arg(r.groups).arg(r.entries).arg(r.cells));
    print_line(QStringLiteral("error: max %1 mm, rms %2 mm; calibration %3 s")
                   .arg(r.max_error, 0, 'f', 5)
                   .arg(r.rms_error, 0, 'f', 5)
                   .arg(r.wall_seconds, 0, 'f', 1));
    return exit_ok;
}

} // namespace

int run_calib(const QStringList& args)
{
    const QString what = args.size() > 1 ? args.at(1) : QString();
    QStringList rest = args.mid(2);
    rest.prepend(args.value(0) + QStringLiteral(" ") + what);
    if (what == QLatin1String("xtable"))
        return run_xtable(rest);
    if (what == QLatin1String("xcheck"))
        return run_xcheck(rest);
    if (what == QLatin1String("ytable"))
        return run_ytable(rest);
    if (what == QLatin1String("ycheck"))
        return run_ycheck(rest);
    if (what == QLatin1String("--help") || what == QLatin1String("-h")) {
        print_line(QStringLiteral(
            "usage: k7ctl calib xtable|xcheck|ytable|ycheck [options]   (k7ctl calib xtable --help)"));
        return exit_ok;
    }
    usage_error(QStringLiteral("expected xtable, xcheck, ytable or ycheck"));
}

} // namespace k7ctl
