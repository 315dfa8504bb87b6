// k7ctl calib: the X table from a record file, and the ground-truth check of
// the X calibration against an in-process simulated rig.
#include "calibr/x_calibration.h"
#include "cli.h"
#include "rigcheck/rig_check.h"

#include <QDir>
#include <QJsonArray>
#include <cstdio>

namespace k7ctl {
namespace {

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
    const QString block = o.value(QStringLiteral("block"));
    if (!block.startsWith(QLatin1String("127.")) || block.count(QLatin1Char('.')) != 2)
        usage_error(QStringLiteral("--block must be 127.A.B"));
    c.sensor_address = block.toStdString() + ".2";
    c.board_address = block.toStdString() + ".20";
    c.search_address = block.toStdString() + ".254";
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
    if (what == QLatin1String("--help") || what == QLatin1String("-h")) {
        print_line(
            QStringLiteral("usage: k7ctl calib xtable|xcheck [options]   (k7ctl calib xtable --help)"));
        return exit_ok;
    }
    usage_error(QStringLiteral("expected xtable or xcheck"));
}

} // namespace k7ctl
