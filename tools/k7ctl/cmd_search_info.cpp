// k7ctl search and k7ctl info.
#include "cli.h"
#include "link/sensor_search.h"

#include <QJsonArray>
#include <chrono>
#include <thread>

namespace k7ctl {

int run_search(const QStringList& args)
{
    options o(QStringLiteral("k7ctl search [--address A] [--seconds S] [--json]"),
              QStringLiteral("Finds sensors by broadcast and lists each once."),
              QStringLiteral("  k7ctl search --address 192.168.1.255\n"
                             "  k7ctl search --address 127.255.255.255 --seconds 2 --json\n"));
    o.add({QStringLiteral("address"), QStringLiteral("Broadcast (or device) address to search."),
           QStringLiteral("A"), QString::fromLatin1(orvex::k7::sensor_search::default_destination)});
    o.add({QStringLiteral("seconds"), QStringLiteral("How long to search (default 2.5)."),
           QStringLiteral("S")});
    o.add({QStringLiteral("json"), QStringLiteral("One JSON document instead of text.")});
    o.parse(args, 0, 0);
    const double seconds = o.real(QStringLiteral("seconds"), 2.5, 0.1, 3600);

    orvex::k7::sensor_search search;
    try {
        search.start(o.value(QStringLiteral("address")).toStdString());
    } catch (const std::invalid_argument&) {
        usage_error(QStringLiteral("--address is not an IPv4 address: ") +
                    o.value(QStringLiteral("address")));
    }
    progress bar(QStringLiteral("searching"));
    const auto start = std::chrono::steady_clock::now();
    const auto total = std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() - start < total) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        bar.update((std::chrono::steady_clock::now() - start) / total);
    }
    search.stop();
    const auto found = search.found();

    if (o.is_set(QStringLiteral("json"))) {
        QJsonArray list;
        for (const auto& s : found) {
            QJsonObject o2 = info_json(s);
            o2.insert(QStringLiteral("computer_address"), QString::fromStdString(s.computer_address_text));
            list.append(o2);
        }
        print_json(list);
    } else {
        for (const auto& s : found)
            print_line(english(orvex::k7::list_row_text(s)));
        if (found.empty())
            print_line(QStringLiteral("no sensor answered"));
    }
    if (search.error_count() > 0)
        std::fprintf(stderr, "k7ctl: %llu socket errors during the search, last: %s\n",
                     static_cast<unsigned long long>(search.error_count()), search.last_error().c_str());
    return exit_ok;
}

int run_info(const QStringList& args)
{
    options o(QStringLiteral("k7ctl info ADDR [--json]"),
              QStringLiteral("Connects to one sensor and prints its decoded description."),
              QStringLiteral("  k7ctl info 192.168.1.147\n  k7ctl info 127.0.0.2 --json\n"));
    o.add({QStringLiteral("json"), QStringLiteral("One JSON document instead of text.")});
    o.parse(args, 1, 1);
    orvex::k7::sensor_device device;
    connect_or_fail(device, o.positional().at(0));
    const auto& info = device.commands().info();
    if (o.is_set(QStringLiteral("json"))) {
        print_json(info_json(info));
    } else {
        const QJsonObject j = info_json(info);
        for (auto it = j.begin(); it != j.end(); ++it) {
            if (it.value().isObject())
                continue;
            print_line(QStringLiteral("%1: %2").arg(it.key(), it.value().toVariant().toString()));
        }
        print_line(QStringLiteral("outline: x %1..%2, y1 %3..%4, y2 %5..%6 mm")
                       .arg(info.x1)
                       .arg(info.x2)
                       .arg(info.y1_low)
                       .arg(info.y1_high)
                       .arg(info.y2_low)
                       .arg(info.y2_high));
    }
    device.disconnect();
    return exit_ok;
}

} // namespace k7ctl
