// k7ctl rig: the calibration rig's control board (or any motor board) by hand.
#include "calibr/ext_board.h"
#include "cli.h"
#include "link/link_set.h"

#include <QJsonArray>
#include <chrono>
#include <thread>

namespace k7ctl {
namespace {

using orvex::k7::ExtBoard;
using orvex::k7::ExtBoardData;

orvex::k7::ExtBoardCoefficients parse_coefficients(const QString& text)
{
    orvex::k7::ExtBoardCoefficients c;
    if (text.isEmpty())
        return c;
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 6)
        usage_error(QStringLiteral("--coef needs six numbers m1,m2,m3,e1,e2,e3"));
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        const double v = parts.at(i).toDouble(&ok);
        if (!ok || v == 0.0)
            usage_error(QStringLiteral("--coef value \"%1\" is not a non-zero number").arg(parts.at(i)));
        (i < 3 ? c.motor : c.encoder)[std::size_t(i % 3)] = v;
    }
    return c;
}

template <class T>
QJsonArray array3(const std::array<T, 3>& a)
{
    return QJsonArray{a[0], a[1], a[2]};
}

QJsonObject state_json(const ExtBoardData& s)
{
    QJsonArray bits;
    for (bool b : s.flag_bits)
        bits.append(b);
    return QJsonObject{{QStringLiteral("time"), s.time},
                       {QStringLiteral("flags"), int(s.flags)},
                       {QStringLiteral("flag_bits"), bits},
                       {QStringLiteral("moving"), array3(s.moving)},
                       {QStringLiteral("motor_counter"), array3(s.motor_counter)},
                       {QStringLiteral("encoder_counter"), array3(s.encoder_counter)},
                       {QStringLiteral("motor_position"), array3(s.motor_position)},
                       {QStringLiteral("encoder_position"), array3(s.encoder_position)},
                       {QStringLiteral("mark_valid"), array3(s.mark_valid)},
                       {QStringLiteral("mark_counter"), array3(s.mark_counter)},
                       {QStringLiteral("mark_position"), array3(s.mark_position)}};
}

// The extended state read: asks, then collects for up to 300 ms.
ExtBoardData read_state(ExtBoard& board)
{
    board.request_extended_state();
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (!board.collect_extended_state()) {
        if (std::chrono::steady_clock::now() > end)
            device_error(QStringLiteral("no state reply from the board"));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return board.extended_state();
}

int channel_of(const QString& text)
{
    bool ok = false;
    const int ch = text.toInt(&ok);
    if (!ok || ch < 1 || ch > 3)
        usage_error(QStringLiteral("CH must be 1, 2 or 3, got \"%1\"").arg(text));
    return ch - 1;
}

double position_of(const QString& text)
{
    bool ok = false;
    const double p = text.toDouble(&ok);
    if (!ok || !(std::abs(p) < 1e6))
        usage_error(QStringLiteral("POS must be a number of millimetres, got \"%1\"").arg(text));
    return p;
}

} // namespace

int run_rig(const QStringList& args)
{
    options o(
        QStringLiteral("k7ctl rig ADDR state|move CH POS|set CH POS|stop|release [--coef m1,m2,m3,e1,e2,e3] "
                       "[--json]"),
        QStringLiteral("Drives a motor board (the calibration rig's control board): reads its state, moves\n"
                       "channel CH (1..3; 1 is the rig's X actuator, 2 its Y) to POS millimetres, sets the\n"
                       "position of CH to POS where it stands, or stops every motor (emergency stop) and\n"
                       "releases it again. Positions go through the coefficients: motor steps and encoder\n"
                       "counts per millimetre (default 1000 and 5000). A move does not wait for arrival."),
        QStringLiteral("  k7ctl rig 127.0.0.20 state --json\n"
                       "  k7ctl rig 127.0.0.20 move 1 2.5\n"
                       "  k7ctl rig 127.0.0.20 set 1 0 --coef 1000,1000,1000,-5000,-5000,-5000\n"
                       "  k7ctl rig 127.0.0.20 stop\n"));
    o.add({QStringLiteral("coef"), QStringLiteral("Motor steps and encoder counts per millimetre."),
           QStringLiteral("m1,m2,m3,e1,e2,e3")});
    o.add({QStringLiteral("json"), QStringLiteral("State as JSON.")});
    o.parse(args, 2, 4);
    const QStringList p = o.positional();
    const QString action = p.at(1);
    const int need = (action == QLatin1String("move") || action == QLatin1String("set")) ? 4 : 2;
    if (p.size() != need || (need == 2 && action != QLatin1String("state") &&
                             action != QLatin1String("stop") && action != QLatin1String("release")))
        usage_error(QStringLiteral("expected state, move CH POS, set CH POS, stop or release"));

    ExtBoard board;
    board.set_coefficients(parse_coefficients(o.value(QStringLiteral("coef"))));
    board.open_own_link(p.at(0).toStdString(), orvex::k7::sensor_port);

    if (action == QLatin1String("state")) {
        const ExtBoardData s = read_state(board);
        if (o.is_set(QStringLiteral("json"))) {
            print_json(state_json(s));
            return exit_ok;
        }
        print_line(
            QStringLiteral("time %1  flags 0x%2").arg(s.time).arg(int(s.flags), 2, 16, QLatin1Char('0')));
        for (std::size_t i = 0; i < 3; ++i)
            print_line(QStringLiteral("channel %1: %2  motor %3 (%4 steps)  encoder %5 (%6)  mark %7")
                           .arg(i + 1)
                           .arg(s.moving[i] ? QStringLiteral("moving  ") : QStringLiteral("standing"))
                           .arg(s.motor_position[i], 0, 'f', 3)
                           .arg(s.motor_counter[i])
                           .arg(s.encoder_position[i], 0, 'f', 3)
                           .arg(s.encoder_counter[i])
                           .arg(s.mark_valid[i] ? QString::number(s.mark_position[i], 'f', 3)
                                                : QStringLiteral("not passed")));
        return exit_ok;
    }
    bool ok = false;
    if (action == QLatin1String("move"))
        ok = board.move(channel_of(p.at(2)), position_of(p.at(3)));
    else if (action == QLatin1String("set"))
        ok = board.set_position(channel_of(p.at(2)), position_of(p.at(3)));
    else
        ok = board.emergency_stop(action == QLatin1String("stop"));
    if (!ok)
        device_error(QStringLiteral("the board did not acknowledge %1").arg(action));
    print_line(QStringLiteral("%1: acknowledged").arg(action));
    return exit_ok;
}

} // namespace k7ctl
