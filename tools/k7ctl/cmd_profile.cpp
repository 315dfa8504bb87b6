// k7ctl profile and k7ctl stream: profiles through the acquisition engine.
#include "cli.h"
#include "link/acquisition_engine.h"
#include "profiles/profile_text.h"

#include <QJsonArray>
#include <chrono>
#include <fstream>
#include <thread>

namespace k7ctl {
namespace {

using clock_type = std::chrono::steady_clock;

// Points of a profile with x >= 0 (valid) and with x < 0 (no point).
std::pair<int, int> point_counts(const orvex::k7::decoded_profile& p)
{
    int valid = 0;
    const auto n = std::min<std::size_t>(p.header.n, orvex::k7::profile_slots);
    for (std::size_t i = 0; i < n; ++i)
        valid += p.points[i].x >= 0 ? 1 : 0;
    return {valid, int(n) - valid};
}

QJsonObject profile_json(const orvex::k7::decoded_profile& p, bool intensities)
{
    QJsonArray points;
    QJsonArray bright;
    for (std::size_t i = 0; i < std::min<std::size_t>(p.header.n, orvex::k7::profile_slots); ++i) {
        points.append(QJsonArray{p.points[i].x, p.points[i].y});
        if (intensities)
            bright.append(int(p.intensities[i]));
    }
    QJsonObject o{{QStringLiteral("header1"), double(p.header.word1)},
                  {QStringLiteral("header2"), double(p.header.word2)},
                  {QStringLiteral("n"), int(p.header.n)},
                  {QStringLiteral("valid"), point_counts(p).first},
                  {QStringLiteral("invalid"), point_counts(p).second},
                  {QStringLiteral("two_coordinates"), p.header.two_coordinates},
                  {QStringLiteral("points"), points}};
    if (intensities)
        o.insert(QStringLiteral("intensities"), bright);
    return o;
}

} // namespace

int run_profile(const QStringList& args)
{
    options o(QStringLiteral("k7ctl profile ADDR [--count N] [--intensities] [--json | --out FILE]"),
              QStringLiteral("Polls profiles (start measurement, read) through the acquisition engine.\n"
                             "Points with x = -1 are invalid; each profile reports its valid and invalid\n"
                             "points. --out writes the profile page's text format:\n"
                             "one line \"sequence x y\" per valid point."),
              QStringLiteral("  k7ctl profile 127.0.0.2 --count 5 --json\n"
                             "  k7ctl profile 127.0.0.2 --count 100 --out profiles.txt\n"));
    o.add({QStringLiteral("count"), QStringLiteral("Profiles to read (default 1)."), QStringLiteral("N")});
    o.add({QStringLiteral("intensities"), QStringLiteral("Request intensity bytes too.")});
    o.add({QStringLiteral("json"), QStringLiteral("One JSON document.")});
    o.add({QStringLiteral("out"), QStringLiteral("Append the profiles to a text file."),
           QStringLiteral("FILE")});
    o.parse(args, 1, 1);
    const long long count = o.number(QStringLiteral("count"), 1, 1, 1000000);
    const bool intensities = o.is_set(QStringLiteral("intensities"));
    if (o.is_set(QStringLiteral("json")) && o.is_set(QStringLiteral("out")))
        usage_error(QStringLiteral("--json and --out exclude each other"));

    std::ofstream file;
    if (o.is_set(QStringLiteral("out"))) {
        file.open(o.value(QStringLiteral("out")).toStdString(), std::ios::out | std::ios::trunc);
        if (!file)
            usage_error(QStringLiteral("cannot write ") + o.value(QStringLiteral("out")));
    }

    orvex::k7::sensor_device device;
    connect_or_fail(device, o.positional().at(0));
    auto& engine = device.engine();
    QJsonArray profiles;
    long long received = 0;
    engine.set_intensities(intensities);
    engine.set_profile_handler([&] {
        ++received;
        const auto& p = engine.profile();
        if (file.is_open())
            orvex::write_profile_text(file, p.points.data(), std::min<std::size_t>(p.header.n, 1024),
                                      orvex::next_profile_sequence());
        else if (o.is_set(QStringLiteral("json")))
            profiles.append(profile_json(p, intensities));
        else
            print_line(QStringLiteral("profile %1: header %2 %3, %4 points (%5 valid, %6 invalid)")
                           .arg(received)
                           .arg(p.header.word1)
                           .arg(p.header.word2)
                           .arg(p.header.n)
                           .arg(point_counts(p).first)
                           .arg(point_counts(p).second));
    });
    engine.set_profile_poll(true);
    progress bar(QStringLiteral("profiles"));
    auto last_progress = clock_type::now();
    while (received < count) {
        const long long before = received;
        engine.step();
        if (received != before) {
            last_progress = clock_type::now();
            bar.update(double(received) / double(count));
        } else if (clock_type::now() - last_progress > std::chrono::seconds(2)) {
            device_error(QStringLiteral("no profile from %1 for 2 s (read profile 0x22 timed out)")
                             .arg(o.positional().at(0)));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    engine.set_profile_poll(false);
    if (o.is_set(QStringLiteral("json")))
        print_json(QJsonObject{{QStringLiteral("profiles"), profiles}});
    if (file.is_open() && !file.flush())
        device_error(QStringLiteral("writing ") + o.value(QStringLiteral("out")) + QStringLiteral(" failed"));
    device.disconnect();
    return exit_ok;
}

int run_stream(const QStringList& args)
{
    options o(QStringLiteral("k7ctl stream ADDR --seconds S [--intensities] [--json]"),
              QStringLiteral("Switches profile streaming on for S seconds and reports what arrived.\n"
                             "Lost and repeated profiles are counted from header word 1 while it steps by\n"
                             "one per profile (k7sim does; a sensor's firmware may not number its\n"
                             "profiles, and then no loss figure is given). Datagrams of a wrong length\n"
                             "are counted and dropped."),
              QStringLiteral("  k7ctl stream 127.0.0.2 --seconds 10\n"
                             "  k7ctl stream 127.0.0.2 --seconds 2 --intensities --json\n"));
    o.add({QStringLiteral("seconds"), QStringLiteral("How long to stream."), QStringLiteral("S")});
    o.add({QStringLiteral("intensities"), QStringLiteral("Stream with intensity bytes.")});
    o.add({QStringLiteral("json"), QStringLiteral("One JSON document.")});
    o.parse(args, 1, 1);
    if (!o.is_set(QStringLiteral("seconds")))
        usage_error(QStringLiteral("stream needs --seconds"));
    const double seconds = o.real(QStringLiteral("seconds"), 1, 0.01, 86400);

    orvex::k7::sensor_device device;
    connect_or_fail(device, o.positional().at(0));
    auto& engine = device.engine();
    engine.set_intensities(o.is_set(QStringLiteral("intensities")));
    if (!engine.set_profile_stream(true))
        device_error(QStringLiteral("switching the profile stream on (0x23) failed"));
    progress bar(QStringLiteral("streaming"));
    const auto start = clock_type::now();
    const auto total = std::chrono::duration<double>(seconds);
    while (clock_type::now() - start < total) {
        engine.step();
        bar.update((clock_type::now() - start) / total);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const double elapsed = std::chrono::duration<double>(clock_type::now() - start).count();
    engine.set_profile_stream(false);
    engine.step(); // what was queued when streaming stopped

    const auto& count = engine.numbering();
    const double received = double(count.received());

    const auto& link = device.link(orvex::k7::link_profile);
    const double rate = elapsed > 0 ? received / elapsed : 0.0;
    if (o.is_set(QStringLiteral("json"))) {
        print_json(QJsonObject{
            {QStringLiteral("received"), received},
            // null when header word 1 is not a profile counter
            {QStringLiteral("numbered"), count.numbered()},
            {QStringLiteral("lost"), count.numbered() ? QJsonValue(double(count.lost())) : QJsonValue()},
            {QStringLiteral("repeated"),
             count.numbered() ? QJsonValue(double(count.repeated())) : QJsonValue()},
            {QStringLiteral("wrong_length"), double(engine.wrong_length())},
            {QStringLiteral("seconds"), elapsed},
            {QStringLiteral("rate_per_second"), rate},
            {QStringLiteral("receive_buffer_requested"), double(link.receive_buffer_requested())},
            {QStringLiteral("receive_buffer_granted"), double(link.receive_buffer_granted())},
            {QStringLiteral("foreign_dropped"), double(link.foreign_dropped())},
        });
    } else {
        print_line(QStringLiteral("received %1 profiles in %2 s (%3 per second)")
                       .arg(count.received())
                       .arg(elapsed, 0, 'f', 2)
                       .arg(rate, 0, 'f', 1));
        if (count.numbered())
            print_line(QStringLiteral("lost %1, repeated %2").arg(count.lost()).arg(count.repeated()));
        else if (count.judged())
            print_line(QStringLiteral("losses unknown: the sensor does not number its profiles "
                                      "(header word 1 does not step by one)"));
        else
            print_line(QStringLiteral("losses unknown: too few profiles to tell whether the sensor "
                                      "numbers them"));
        print_line(QStringLiteral("wrong length: %1 datagrams dropped").arg(engine.wrong_length()));
        print_line(QStringLiteral("receive buffer: %1 bytes granted of %2 asked")
                       .arg(link.receive_buffer_granted())
                       .arg(link.receive_buffer_requested()));
    }
    device.disconnect();
    return exit_ok;
}

} // namespace k7ctl
