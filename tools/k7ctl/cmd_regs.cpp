// k7ctl regs ADDR read R | write R V | dump --out FILE: image-sensor registers.
#include "cli.h"
#include "diag/register_dump.h"
#include "flash_job.h"
#include "link/flash_commands.h"

#include <QJsonObject>

namespace k7ctl {

using namespace orvex;

int run_regs(const QStringList& args)
{
    options o(QStringLiteral("k7ctl regs ADDR read R [--json]\n"
                             "       k7ctl regs ADDR write R V\n"
                             "       k7ctl regs ADDR dump --out FILE"),
              QStringLiteral("The image sensor's 16-bit registers. R is the register number in decimal\n"
                             "(0..511); V the value in hexadecimal, with or without 0x: its leading\n"
                             "hexadecimal digits count, the low 16 bits are written. dump reads registers\n"
                             "0..511 into FILE, one line each: number, value in hexadecimal, value in\n"
                             "decimal (the format of the debug page's Registers.txt); a failed read stops\n"
                             "it with the lines so far kept."),
              QStringLiteral("  k7ctl regs 127.0.0.2 read 192\n"
                             "  k7ctl regs 127.0.0.2 write 194 0x225\n"
                             "  k7ctl regs 127.0.0.2 dump --out Registers.txt\n"));
    o.add({QStringLiteral("out"), QStringLiteral("Output file of dump."), QStringLiteral("FILE")});
    o.add({QStringLiteral("json"), QStringLiteral("JSON instead of text (read).")});
    o.parse(args, 2, 4);
    const QStringList pos = o.positional();
    const QString verb = pos.at(1);
    const int wanted = verb == QStringLiteral("read") ? 3 : verb == QStringLiteral("write") ? 4 : 2;
    if (verb != QStringLiteral("read") && verb != QStringLiteral("write") && verb != QStringLiteral("dump"))
        usage_error(QStringLiteral("regs takes read, write or dump, not ") + verb);
    if (pos.size() != wanted)
        usage_error(QStringLiteral("wrong number of arguments for regs ") + verb);
    std::uint16_t reg = 0;
    if (wanted >= 3) {
        bool ok = false;
        const int r = pos.at(2).toInt(&ok);
        if (!ok || r < 0 || r >= diag::register_count)
            usage_error(QStringLiteral("the register is a decimal number from 0 to 511"));
        reg = static_cast<std::uint16_t>(r);
    }
    std::uint16_t value = 0;
    if (wanted == 4 && !diag::parse_register_value(pos.at(3).toStdString(), value))
        usage_error(QStringLiteral("the value is a hexadecimal number, not ") + pos.at(3));
    if (verb == QStringLiteral("dump") && !o.is_set(QStringLiteral("out")))
        usage_error(QStringLiteral("regs dump needs --out"));

    k7::sensor_device device;
    connect_or_fail(device, pos.at(0));
    auto& flash = device.flash();
    if (verb == QStringLiteral("read")) {
        if (!flash.read_register(reg, value))
            device_error(QStringLiteral("reading register %1 failed").arg(reg));
        const QString hex = QString::number(value, 16);
        if (o.is_set(QStringLiteral("json")))
            print_json(QJsonObject{{QStringLiteral("register"), reg},
                                   {QStringLiteral("value"), value},
                                   {QStringLiteral("hex"), hex}});
        else
            print_line(QStringLiteral("%1: %2 (%3)").arg(reg).arg(hex).arg(value));
    } else if (verb == QStringLiteral("write")) {
        if (!flash.write_register(reg, value))
            device_error(QStringLiteral("writing register %1 failed").arg(reg));
        print_line(QStringLiteral("%1 <- %2").arg(reg).arg(QString::number(value, 16)));
    } else {
        const QString file = o.value(QStringLiteral("out"));
        progress bar(QStringLiteral("reading"));
        const auto result = diag::dump_registers(
            to_path(file), [&flash](std::uint16_t a, std::uint16_t& v) { return flash.read_register(a, v); },
            [&bar](int a) { bar.update((a + 1) / double(diag::register_count)); });
        if (result == diag::dump_result::open_failed)
            usage_error(QStringLiteral("cannot write ") + file);
        if (result == diag::dump_result::read_failed)
            device_error(
                QStringLiteral("a register read failed; %1 holds the registers before it").arg(file));
        print_line(QStringLiteral("%1 registers written to %2").arg(diag::register_count).arg(file));
    }
    device.disconnect();
    return exit_ok;
}

} // namespace k7ctl
