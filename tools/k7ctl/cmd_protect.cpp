// k7ctl protect ADDR ...: the flash's block protection.
#include "cli.h"
#include "flash/flash_protection.h"
#include "link/flash_commands.h"

namespace k7ctl {

using namespace orvex::k7;

namespace {

QString numbers(const std::vector<int>& v)
{
    QStringList s;
    for (int b : v)
        s << QString::number(b);
    return s.isEmpty() ? QStringLiteral("-") : s.join(QLatin1Char(' '));
}

} // namespace

int run_protect(const QStringList& args)
{
    options o(QStringLiteral("k7ctl protect ADDR status|scan|unique-id\n"
                             "       k7ctl protect ADDR lock B|unlock B\n"
                             "       k7ctl protect ADDR individual on|off"),
              QStringLiteral("The flash's write protection. status: status registers 1, 2, 3 (hex).\n"
                             "scan: lock bits of blocks 0..127 (stops at the first failed read).\n"
                             "lock/unlock B: one 64 KiB block (0..255). individual on|off: individual\n"
                             "block protection (status register 3 = 0x64 or 0x60). unique-id: the flash's\n"
                             "64-bit unique number. Changing protection needs extended access on sensors\n"
                             "with a key."),
              QStringLiteral("  k7ctl protect 127.0.0.2 scan\n"
                             "  k7ctl protect 127.0.0.2 lock 127\n"
                             "  k7ctl protect 127.0.0.2 individual off\n"));
    o.parse(args, 2, 3);
    const QStringList pos = o.positional();
    const QString verb = pos.at(1);
    const bool takes_arg = verb == QStringLiteral("lock") || verb == QStringLiteral("unlock") ||
                           verb == QStringLiteral("individual");
    const bool plain = verb == QStringLiteral("status") || verb == QStringLiteral("scan") ||
                       verb == QStringLiteral("unique-id");
    if (!takes_arg && !plain)
        usage_error(
            QStringLiteral("protect takes status, scan, lock, unlock, individual or unique-id, not ") + verb);
    if (takes_arg != (pos.size() == 3))
        usage_error(QStringLiteral("wrong number of arguments for protect ") + verb);
    int block = 0;
    bool on = false;
    if (verb == QStringLiteral("individual")) {
        if (pos.at(2) != QStringLiteral("on") && pos.at(2) != QStringLiteral("off"))
            usage_error(QStringLiteral("individual takes on or off"));
        on = pos.at(2) == QStringLiteral("on");
    } else if (takes_arg) {
        bool ok = false;
        block = pos.at(2).toInt(&ok);
        if (!ok || block < 0 || block > 255)
            usage_error(QStringLiteral("the block is a number from 0 to 255"));
    }

    sensor_device device;
    connect_or_fail(device, pos.at(0));
    auto& flash = device.flash();
    if (verb == QStringLiteral("status")) {
        std::uint8_t regs[3] = {};
        if (!read_status_registers(flash, regs))
            device_error(QStringLiteral("reading the status registers failed"));
        print_line(QString::fromStdString(status_registers_text(regs)));
    } else if (verb == QStringLiteral("scan")) {
        progress bar(QStringLiteral("scanning"));
        const auto scan = scan_block_locks(flash, 0, protection_block_count - 1, [&](int b, bool) {
            bar.update((b + 1) / double(protection_block_count));
        });
        print_line(QStringLiteral("locked: ") + numbers(scan.locked));
        print_line(QStringLiteral("unlocked: ") + numbers(scan.unlocked));
        if (!scan.complete)
            device_error(QStringLiteral("reading the lock of block %1 failed")
                             .arg(scan.locked.size() + scan.unlocked.size()));
    } else if (verb == QStringLiteral("lock") || verb == QStringLiteral("unlock")) {
        const bool ok = verb == QStringLiteral("lock") ? flash.lock_block(static_cast<std::uint8_t>(block))
                                                       : flash.unlock_block(static_cast<std::uint8_t>(block));
        if (!ok)
            device_error(QStringLiteral("%1 of block %2 failed").arg(verb).arg(block));
        print_line(QStringLiteral("block %1: %2ed").arg(block).arg(verb));
    } else if (verb == QStringLiteral("individual")) {
        if (!set_individual_protection(flash, on))
            device_error(QStringLiteral("switching individual protection failed"));
        print_line(QStringLiteral("individual block protection ") + pos.at(2));
    } else {
        std::uint64_t id = 0;
        if (!flash.read_unique_id(id))
            device_error(QStringLiteral("reading the unique id failed"));
        print_line(QString::fromStdString(hex_text(id)));
    }
    device.disconnect();
    return exit_ok;
}

} // namespace k7ctl
