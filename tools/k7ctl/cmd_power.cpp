// k7ctl power ADDR off | on | restart SECONDS: the image sensor's supply.
#include "cli.h"
#include "link/flash_commands.h"

#include <chrono>
#include <thread>

namespace k7ctl {

using namespace orvex;

int run_power(const QStringList& args)
{
    options o(QStringLiteral("k7ctl power ADDR off|on\n"
                             "       k7ctl power ADDR restart SECONDS"),
              QStringLiteral("Switches the image sensor's supply off or on; restart switches it off, waits\n"
                             "SECONDS (0..30, tenths allowed) and switches it on again. Switching on\n"
                             "resets the image sensor's registers to their power-up values."),
              QStringLiteral("  k7ctl power 127.0.0.2 off\n"
                             "  k7ctl power 127.0.0.2 restart 2.5\n"));
    o.parse(args, 2, 3);
    const QStringList pos = o.positional();
    const QString verb = pos.at(1);
    const bool restart = verb == QStringLiteral("restart");
    if (!restart && verb != QStringLiteral("off") && verb != QStringLiteral("on"))
        usage_error(QStringLiteral("power takes off, on or restart, not ") + verb);
    if (pos.size() != (restart ? 3 : 2))
        usage_error(QStringLiteral("wrong number of arguments for power ") + verb);
    double seconds = 0;
    if (restart) {
        bool ok = false;
        seconds = pos.at(2).toDouble(&ok);
        if (!ok || !(seconds >= 0 && seconds <= 30))
            usage_error(QStringLiteral("the pause is a number of seconds from 0 to 30"));
    }

    k7::sensor_device device;
    connect_or_fail(device, pos.at(0));
    auto& flash = device.flash();
    if (verb == QStringLiteral("on")) {
        if (!flash.sensor_power_on())
            device_error(QStringLiteral("power on failed"));
    } else {
        if (!flash.sensor_power_off())
            device_error(QStringLiteral("power off failed"));
        if (restart) {
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
            if (!flash.sensor_power_on())
                device_error(QStringLiteral("power on after the pause failed"));
        }
    }
    print_line(QStringLiteral("image sensor power ") +
               (verb == QStringLiteral("off") ? verb : QStringLiteral("on")));
    device.disconnect();
    return exit_ok;
}

} // namespace k7ctl
