// k7ctl latch ADDR --out FILE: latch the sensor's 4096-byte record and save it.
#include "cli.h"
#include "diag/latch_cycle.h"
#include "flash_job.h"

#include <QJsonObject>
#include <chrono>
#include <fstream>
#include <thread>

namespace k7ctl {

using namespace orvex;

int run_latch(const QStringList& args)
{
    options o(QStringLiteral("k7ctl latch ADDR --out FILE [--seconds S] [--json]"),
              QStringLiteral("Latches the sensor's internal record, waits until the sensor reports it\n"
                             "ready, reads its four chunks and writes the 4096 bytes to FILE as they are.\n"
                             "A read that does not complete within 200 ms is retried with a new latch\n"
                             "until S seconds (default 3) have passed."),
              QStringLiteral("  k7ctl latch 127.0.0.2 --out latch.bin\n"
                             "  k7ctl latch 127.0.0.2 --out latch.bin --json\n"));
    o.add({QStringLiteral("out"), QStringLiteral("Output file (4096 bytes)."), QStringLiteral("FILE")});
    o.add({QStringLiteral("seconds"), QStringLiteral("Give up after S seconds (default 3)."),
           QStringLiteral("S")});
    o.add({QStringLiteral("json"), QStringLiteral("JSON instead of text.")});
    o.parse(args, 1, 1);
    if (!o.is_set(QStringLiteral("out")))
        usage_error(QStringLiteral("latch needs --out"));
    const double seconds = o.real(QStringLiteral("seconds"), 3.0, 0.1, 3600.0);
    const QString file = o.value(QStringLiteral("out"));

    k7::sensor_device device;
    connect_or_fail(device, o.positional().at(0));
    diag::latch_cycle cycle;
    using event = diag::latch_cycle::event;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int attempts = 1;
    event e = event::latch_sent;
    while (std::chrono::steady_clock::now() < deadline) {
        e = cycle.step(device);
        if (e == event::completed)
            break;
        if (e == event::failed)
            ++attempts;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (e != event::completed)
        device_error(QStringLiteral("no complete record within %1 s (last status %2)")
                         .arg(seconds)
                         .arg(cycle.status()));
    std::ofstream out(to_path(file), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(cycle.record().data()),
              static_cast<std::streamsize>(cycle.record().size()));
    out.close();
    if (!out)
        usage_error(QStringLiteral("cannot write ") + file);
    if (o.is_set(QStringLiteral("json")))
        print_json(QJsonObject{{QStringLiteral("file"), file},
                               {QStringLiteral("bytes"), static_cast<int>(cycle.record().size())},
                               {QStringLiteral("attempts"), attempts}});
    else
        print_line(QStringLiteral("%1 bytes written to %2").arg(cycle.record().size()).arg(file));
    device.disconnect();
    return exit_ok;
}

} // namespace k7ctl
