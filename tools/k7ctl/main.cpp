// k7ctl: the command-line tool for scripted work with K7D sensors.
#include "cli.h"

#include "app/english_text.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

struct subcommand {
    const char* name;
    const char* summary;
    int (*run)(const QStringList&);
};

const subcommand subcommands[] = {
    {"search", "find sensors by broadcast", k7ctl::run_search},
    {"info", "connect and print a sensor's description", k7ctl::run_info},
    {"settings", "read or change the settings record", k7ctl::run_settings},
    {"profile", "poll profiles", k7ctl::run_profile},
    {"stream", "stream profiles and count them", k7ctl::run_stream},
    {"frame", "take frames as PNG (polled, streamed or the background)", k7ctl::run_frame},
    {"set-ip", "give a sensor a new IP address", k7ctl::run_set_ip},
    {"flash", "read the sensor's flash into a file", k7ctl::run_flash},
    {"firmware", "write a firmware image", k7ctl::run_firmware},
    {"ident", "write the identification record", k7ctl::run_ident},
    {"tables", "write, read back or analyse the calibration tables", k7ctl::run_tables},
    {"protect", "flash block protection", k7ctl::run_protect},
    {"regs", "read, write or dump the image sensor's registers", k7ctl::run_regs},
    {"power", "switch or restart the image sensor's supply", k7ctl::run_power},
    {"latch", "latch the sensor's internal record into a file", k7ctl::run_latch},
    {"errors", "read (and clear) the sensor's error state", k7ctl::run_errors},
    {"rig", "the calibration rig's control board: state, move, set, stop", k7ctl::run_rig},
    {"calib", "X and Y tables from results; ground-truth checks on a simulated rig", k7ctl::run_calib},
    {"board", "the extension board behind a sensor: info, parameters, commands", k7ctl::run_board},
    {"calib", "X table from records; ground-truth check on a simulated rig", k7ctl::run_calib},
    {"crawler", "pipe crawler: state, start, live, memory read; decode and images of a memory image",
     k7ctl::run_crawler},
};

void print_usage(std::FILE* to)
{
    std::fputs("usage: k7ctl SUBCOMMAND [options]   (k7ctl SUBCOMMAND --help for details)\n\n", to);
    for (const auto& s : subcommands)
        std::fprintf(to, "  %-10s %s\n", s.name, s.summary);
    std::fputs("\nExit codes: 0 success, 1 device error or time-out, 2 usage error.\n"
               "Examples:\n"
               "  k7ctl search --address 127.255.255.255\n"
               "  k7ctl info 127.0.0.2 --json\n"
               "  k7ctl settings 127.0.0.2 set exposure1_us=2000\n"
               "  k7ctl profile 127.0.0.2 --count 10 --out profiles.txt\n",
               to);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("k7ctl"));
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2 || args.at(1) == QStringLiteral("--help") || args.at(1) == QStringLiteral("-h")) {
        print_usage(args.size() < 2 ? stderr : stdout);
        return args.size() < 2 ? k7ctl::exit_usage : k7ctl::exit_ok;
    }
    for (const auto& s : subcommands) {
        if (args.at(1) != QLatin1String(s.name))
            continue;
        // The subcommand's parser sees "k7ctl <subcommand>" as its program name.
        QStringList rest = args.mid(2);
        rest.prepend(QStringLiteral("k7ctl ") + args.at(1));
        try {
            return s.run(rest);
        } catch (const k7ctl::failure& f) {
            if (f.code != k7ctl::exit_ok)
                std::fprintf(stderr, "k7ctl %s: %s\n", s.name, f.what());
            return f.code;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "k7ctl %s: %s\n", s.name, orvex::english_text(e.what()).c_str());
            return k7ctl::exit_device;
        }
    }
    std::fprintf(stderr, "k7ctl: unknown subcommand '%s'\n\n", args.at(1).toLocal8Bit().constData());
    print_usage(stderr);
    return k7ctl::exit_usage;
}
