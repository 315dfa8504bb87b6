// k7ctl board ADDR info | params read|write FILE [--flash] | cmd OPCODE [HEX] [--reply N]:
// the extension board behind a sensor, reached over the sensor's own link.
#include "cli.h"
#include "xfn/xfn_board.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

namespace k7ctl {

using namespace orvex;

namespace {

QString hex_text(const std::uint8_t* d, std::size_t n)
{
    QStringList parts;
    for (std::size_t i = 0; i < n; ++i)
        parts << QStringLiteral("%1").arg(d[i], 2, 16, QLatin1Char('0'));
    return parts.join(QLatin1Char(' '));
}

std::vector<std::uint8_t> parse_hex(const QString& text)
{
    QString digits = text;
    digits.remove(QLatin1Char(' ')).remove(QLatin1Char(':'));
    if (digits.size() % 2 != 0)
        usage_error(QStringLiteral("payload \"%1\" is not whole bytes of hexadecimal digits").arg(text));
    std::vector<std::uint8_t> out;
    for (int i = 0; i < digits.size(); i += 2) {
        bool ok = false;
        const uint v = digits.mid(i, 2).toUInt(&ok, 16);
        if (!ok)
            usage_error(QStringLiteral("payload \"%1\" is not hexadecimal").arg(text));
        out.push_back(std::uint8_t(v));
    }
    return out;
}

} // namespace

int run_board(const QStringList& args)
{
    options o(QStringLiteral("k7ctl board ADDR info | params read|write FILE [--flash] | cmd OPCODE [HEX] "
                             "[--reply N] [--json]"),
              QStringLiteral(
                  "The extension board behind the sensor at ADDR.\n"
                  "  info                  the board type code from the sensor's description and its name\n"
                  "  params read FILE      the board's parameter area into FILE: 255 bytes from working\n"
                  "                        memory, or 256 from the board's flash with --flash\n"
                  "  params write FILE     FILE into the parameter area; it must hold exactly 255 bytes\n"
                  "                        (memory) or 256 bytes (--flash)\n"
                  "  cmd OPCODE [HEX]      a board command (90..93, A0..AB hexadecimal) with the payload\n"
                  "                        HEX and N reply bytes (--reply, default 0), printed in hex.\n"
                  "A board that does not answer, or answers with another length, ends with exit 1."),
              QStringLiteral("  k7ctl board 127.0.0.2 info --json\n"
                             "  k7ctl board 127.0.0.2 cmd A0 --reply 2        # thermostat: temperature\n"
                             "  k7ctl board 127.0.0.2 cmd A3 \"60 1e 00 0a 00 00\"\n"
                             "  k7ctl board 127.0.0.2 params read area.bin --flash\n"
                             "  k7ctl board 127.0.0.2 params write area.bin\n"));
    o.add({QStringLiteral("flash"), QStringLiteral("The parameter copy in the board's flash.")});
    o.add({QStringLiteral("reply"), QStringLiteral("Reply bytes of a board command (0..255)."),
           QStringLiteral("N")});
    o.add({QStringLiteral("json"), QStringLiteral("JSON instead of text.")});
    o.parse(args, 2, 4);
    const QStringList pos = o.positional();
    const QString action = pos.at(1);
    const bool json = o.is_set(QStringLiteral("json"));
    const bool flash = o.is_set(QStringLiteral("flash"));

    // Check everything that needs no device first: a usage error sends nothing.
    std::uint8_t opcode = 0;
    std::vector<std::uint8_t> payload;
    std::size_t reply_len = 0;
    xfn::param_area area{};
    if (action == QStringLiteral("info")) {
        if (pos.size() != 2)
            usage_error(QStringLiteral("info takes no further arguments"));
    } else if (action == QStringLiteral("params")) {
        if (pos.size() != 4 || (pos.at(2) != QStringLiteral("read") && pos.at(2) != QStringLiteral("write")))
            usage_error(QStringLiteral("use: params read FILE or params write FILE"));
        if (pos.at(2) == QStringLiteral("write")) {
            QFile f(pos.at(3));
            if (!f.open(QIODevice::ReadOnly))
                device_error(QStringLiteral("cannot read %1").arg(pos.at(3)));
            const QByteArray data = f.readAll();
            const int want = flash ? 256 : 255;
            if (data.size() != want)
                device_error(QStringLiteral("%1 holds %2 bytes; the parameter area %3 takes exactly %4")
                                 .arg(pos.at(3))
                                 .arg(data.size())
                                 .arg(flash ? QStringLiteral("in flash") : QStringLiteral("in memory"))
                                 .arg(want));
            std::copy(data.begin(), data.end(), area.begin());
        }
    } else if (action == QStringLiteral("cmd")) {
        if (pos.size() < 3)
            usage_error(QStringLiteral("cmd needs an OPCODE"));
        bool ok = false;
        const uint code = pos.at(2).toUInt(&ok, 16);
        if (!ok || code > 0xFF || !xfn::is_board_opcode(std::uint8_t(code)))
            usage_error(QStringLiteral("opcode %1 is not a board command (90..93, A0..AB)").arg(pos.at(2)));
        opcode = std::uint8_t(code);
        if (pos.size() == 4)
            payload = parse_hex(pos.at(3));
        if (payload.size() >= 256)
            usage_error(
                QStringLiteral("a payload of %1 bytes is refused: fewer than 256").arg(payload.size()));
        reply_len = std::size_t(o.number(QStringLiteral("reply"), 0, 0, 255));
    } else {
        usage_error(QStringLiteral("unknown action \"%1\" (info, params, cmd)").arg(action));
    }

    k7::sensor_device device;
    connect_or_fail(device, pos.at(0));
    xfn::xfn_board board(device.commands());
    if (action == QStringLiteral("info")) {
        const std::uint8_t code = device.commands().info().board;
        const QString name = QString::fromStdString(xfn::board_name(code));
        const QString hex = QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0'));
        if (json)
            print_json(QJsonObject{{QStringLiteral("code"), int(code)},
                                   {QStringLiteral("code_hex"), hex},
                                   {QStringLiteral("name"), name},
                                   {QStringLiteral("panel"), !name.isEmpty()}});
        else
            print_line(QStringLiteral("board %1: %2")
                           .arg(hex, name.isEmpty() ? QStringLiteral("(no panel)") : name));
    } else if (action == QStringLiteral("params") && pos.at(2) == QStringLiteral("read")) {
        if (!(flash ? board.read_flash_params(area) : board.read_params(area)))
            device_error(QStringLiteral("the board did not answer the parameter read"));
        QFile f(pos.at(3));
        const int n = flash ? 256 : 255;
        if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char*>(area.data()), n) != n ||
            !f.flush())
            device_error(QStringLiteral("cannot write %1").arg(pos.at(3)));
        if (json)
            print_json(QJsonObject{{QStringLiteral("file"), pos.at(3)}, {QStringLiteral("bytes"), n}});
        else
            print_line(QStringLiteral("%1 bytes written to %2").arg(n).arg(pos.at(3)));
    } else if (action == QStringLiteral("params")) {
        if (!(flash ? board.write_flash_params(area) : board.write_params(area)))
            device_error(QStringLiteral("the board did not answer the parameter write"));
        if (json)
            print_json(QJsonObject{{QStringLiteral("written"), true}});
        else
            print_line(QStringLiteral("written"));
    } else {
        std::vector<std::uint8_t> reply;
        if (!board.command(opcode, payload, reply_len, reply))
            device_error(QStringLiteral("the board did not answer opcode %1 with %2 bytes")
                             .arg(opcode, 2, 16, QLatin1Char('0'))
                             .arg(reply_len));
        if (json) {
            QJsonArray bytes;
            for (std::uint8_t b : reply)
                bytes.append(b);
            print_json(QJsonObject{{QStringLiteral("reply"), bytes}});
        } else {
            print_line(reply.empty() ? QStringLiteral("ok") : hex_text(reply.data(), reply.size()));
        }
    }
    device.disconnect();
    return exit_ok;
}

} // namespace k7ctl
