// k7ctl errors ADDR [--clear]: the sensor's error state.
#include "cli.h"
#include "diag/error_state_text.h"

#include <QJsonArray>
#include <QJsonObject>

namespace k7ctl {

using namespace orvex;

int run_errors(const QStringList& args)
{
    options o(QStringLiteral("k7ctl errors ADDR [--clear] [--json]"),
              QStringLiteral("Reads the sensor's 16-byte error state and prints it as the status line\n"
                             "shows it, then the 16 bytes in hexadecimal. --clear clears the state after\n"
                             "reading it."),
              QStringLiteral("  k7ctl errors 127.0.0.2\n"
                             "  k7ctl errors 127.0.0.2 --clear --json\n"));
    o.add({QStringLiteral("clear"), QStringLiteral("Clear the error state after reading it.")});
    o.add({QStringLiteral("json"), QStringLiteral("JSON instead of text.")});
    o.parse(args, 1, 1);

    k7::sensor_device device;
    connect_or_fail(device, o.positional().at(0));
    std::array<std::uint8_t, 16> state{};
    if (!device.commands().read_error_state(state))
        device_error(QStringLiteral("reading the error state failed"));
    const bool clear = o.is_set(QStringLiteral("clear"));
    if (clear && !device.commands().error_state_command())
        device_error(QStringLiteral("clearing the error state failed"));
    const QString text = QString::fromStdString(diag::error_state_text(state));
    QStringList hex;
    QJsonArray bytes;
    for (std::uint8_t b : state) {
        hex << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
        bytes.append(b);
    }
    if (o.is_set(QStringLiteral("json"))) {
        print_json(QJsonObject{{QStringLiteral("text"), text.trimmed()},
                               {QStringLiteral("bytes"), bytes},
                               {QStringLiteral("cleared"), clear}});
    } else {
        print_line(text.trimmed());
        print_line(hex.join(QLatin1Char(' ')));
        if (clear)
            print_line(QStringLiteral("cleared"));
    }
    device.disconnect();
    return exit_ok;
}

} // namespace k7ctl
