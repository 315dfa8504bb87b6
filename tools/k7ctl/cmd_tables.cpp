// k7ctl tables ADDR write|read|range: the calibration tables in the sensor's flash.
#include "cli.h"
#include "flash/table_transfers.h"
#include "flash_job.h"
#include "link/flash_commands.h"
#include "profiles/calibration_range.h"
#include "profiles/calibration_tables.h"

namespace k7ctl {

using namespace orvex::k7;

int run_tables(const QStringList& args)
{
    options o(QStringLiteral("k7ctl tables ADDR write --dir DIR [--frac-bits N]\n"
                             "       k7ctl tables ADDR read --dir DIR\n"
                             "       k7ctl tables ADDR range --dir DIR"),
              QStringLiteral("write: TableX.txt and TableY.txt of DIR into the flash from 0x800000 with N\n"
                             "fractional bits (default: the sensor's own, from its identification record;\n"
                             "a differing N is written with a warning, since the sensor applies its\n"
                             "tables with its own count); the table size follows the sensor's type.\n"
                             "read: the tables back into R_TableX.txt and R_TableY.txt in DIR, with the\n"
                             "sensor's own fractional bits.\n"
                             "range: analyses the tables of DIR and writes the range block at 0x700000.\n"
                             "Malformed or missing table files are refused before anything is written\n"
                             "(exit code 2)."),
              QStringLiteral("  k7ctl tables 127.0.0.2 write --dir calibr --frac-bits 8\n"
                             "  k7ctl tables 127.0.0.2 read --dir calibr\n"
                             "  k7ctl tables 127.0.0.2 range --dir calibr\n"));
    o.add({QStringLiteral("dir"), QStringLiteral("Folder of the table files."), QStringLiteral("DIR")});
    o.add({QStringLiteral("frac-bits"),
           QStringLiteral("Fractional bits 0..16 (write; default: the sensor's)."), QStringLiteral("N")});
    o.parse(args, 2, 2);
    const QString verb = o.positional().at(1);
    if (verb != QStringLiteral("write") && verb != QStringLiteral("read") && verb != QStringLiteral("range"))
        usage_error(QStringLiteral("tables takes write, read or range, not ") + verb);
    if (!o.is_set(QStringLiteral("dir")))
        usage_error(QStringLiteral("tables needs --dir"));
    if (verb != QStringLiteral("write") && o.is_set(QStringLiteral("frac-bits")))
        usage_error(QStringLiteral("--frac-bits is for write; read and range use the sensor's own"));
    const long long given_frac_bits = o.number(QStringLiteral("frac-bits"), -1, 0, 16);
    const auto dir = to_path(o.value(QStringLiteral("dir")));

    sensor_device device;
    connect_or_fail(device, o.positional().at(0));
    const auto& info = device.commands().info();
    // Read-back and the sensor itself use the count of the identification
    // record; tables written with another count read back scaled by a power of 2.
    const int frac_bits = given_frac_bits < 0 ? info.shift : static_cast<int>(given_frac_bits);
    if (verb == QStringLiteral("write") && given_frac_bits >= 0 && given_frac_bits != info.shift)
        std::fprintf(stderr,
                     "k7ctl tables: warning: --frac-bits %d differs from the sensor's %d fractional bits "
                     "(its identification record); the sensor applies its tables with %d\n",
                     frac_bits, int(info.shift), int(info.shift));
    const table_geometry g = table_geometry_for(info.type);
    std::string refused;
    if (verb == QStringLiteral("write")) {
        flash_job job(QStringLiteral("writing tables"), g.image_bytes / flash_engine::page_size);
        refused = start_table_write(device.flash(), dir, frac_bits, info.type, job.callback());
        if (!refused.empty())
            usage_error(english(refused));
        job.finish(device.flash().jobs());
        print_line(QStringLiteral("tables written: %1 rows x %2 columns, %3 fractional bits")
                       .arg(g.rows)
                       .arg(g.cols)
                       .arg(frac_bits));
    } else if (verb == QStringLiteral("read")) {
        flash_job job(QStringLiteral("reading tables"), table_readback_rows);
        refused = start_table_readback(device.flash().jobs(), dir, info.shift, info.type, job.callback());
        if (!refused.empty())
            usage_error(english(refused));
        job.finish(device.flash().jobs());
        print_line(QStringLiteral("tables read back into R_TableX.txt and R_TableY.txt (%1 decimals)")
                       .arg(readback_decimals(info.shift)));
    } else {
        CalibrationRange range;
        flash_job job(QStringLiteral("writing range"), range_block_bytes / flash_engine::page_size);
        refused = start_range_write(device.flash(), range, dir, info.shift, job.callback());
        if (!refused.empty())
            usage_error(english(refused));
        job.finish(device.flash().jobs());
        print_line(QStringLiteral("range written (%1 fractional bits): x %2..%3, y %4..%5, columns %6..%7, "
                                  "rows %8..%9")
                       .arg(info.shift)
                       .arg(range.x_start())
                       .arg(range.x_end())
                       .arg(range.y_bottom())
                       .arg(range.y_top())
                       .arg(range.first_col())
                       .arg(range.last_col())
                       .arg(range.first_row())
                       .arg(range.last_row()));
    }
    device.disconnect();
    return exit_ok;
}

} // namespace k7ctl
