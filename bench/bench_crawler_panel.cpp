// Rate harness: the program's memory with the crawler panel open. Starts k7sim
// as a process of its own (so that its 64 MiB crawler memory is not counted)
// with a crawler behind a sensor, starts the program's windows offscreen,
// connects the sensor, opens the "Кроулер" panel with its live poll on, reads
// the crawler's whole memory through the panel, then writes "data.txt" and the
// 64 PNG frames. Reports the resident set (VmRSS) and its peak (VmHWM) after
// each step, the read's wall time and the longest gap between main-timer
// ticks during the read (the GUI thread must not wait for the worker).
//
//   bench_crawler_panel [records, default 100000]
#include "app/application.h"
#include "app/program.h"
#include "app/program_events.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "link/sensor_device.h"
#include "xfn/xfn_panels.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr const char* crawler_address = "127.0.0.2";

long status_kib(const char* key)
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::string(key).size());
    return -1;
}

void report(const char* step)
{
    std::printf("%-34s RSS %6.1f MB   peak %6.1f MB\n", step, status_kib("VmRSS:") / 1024.0,
                status_kib("VmHWM:") / 1024.0);
    std::fflush(stdout);
}

void run_for(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

pid_t start_k7sim(const std::string& records)
{
    const std::string sensor = std::string(crawler_address) + ",board=80,records=" + records;
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        execl(K7SIM_EXE, K7SIM_EXE, "--sensor", sensor.c_str(), "--search-bind", "127.250.1.253",
              static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    return pid;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("ORVEX_NET_GUARD", "loopback", 0);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    const std::string records = argc > 1 ? argv[1] : "100000";
    const pid_t sim = start_k7sim(records);

    orvex::app::init_program_objects();
    Q_INIT_RESOURCE(icons);
    Q_INIT_RESOURCE(windows);
    orvex::qt::QApplicationCatchingExceptions app(argc, argv);
    QTemporaryDir dir;
    orvex::ProgramSettings().save(QString(dir.path() + QStringLiteral("/Settings.xml")).toStdString(), true);
    QFile crawler_settings(dir.path() + QStringLiteral("/SettingsCrawler.xml"));
    if (crawler_settings.open(QIODevice::WriteOnly))
        crawler_settings.write("<root><CrawlerSettings><fixed_link_address>127.0.0.146</fixed_link_address>"
                               "</CrawlerSettings></root>");
    crawler_settings.close();
    orvex::app::start_program(dir.path());
    Quorin* window = orvex::app::main_window();
    window->show();
    run_for(500);
    report("program started");

    auto& first = orvex::app::device(0);
    bool connected = false;
    for (int i = 0; i < 50 && !connected; ++i) {
        connected = first.connect(crawler_address);
        if (!connected)
            run_for(100);
    }
    if (!connected) {
        std::fprintf(stderr, "cannot connect to k7sim\n");
        kill(sim, SIGTERM);
        return 1;
    }
    window->build_xfn_panel();
    QWidget* panel = orvex::xfn::current_panel_widget();
    if (panel == nullptr) {
        std::fprintf(stderr, "no crawler panel\n");
        kill(sim, SIGTERM);
        return 1;
    }
    panel->findChild<QCheckBox*>(QStringLiteral("cb_xmod_crawler_poll"))->setChecked(true);
    run_for(1000);
    report("crawler panel open, live poll on");

    using clock = std::chrono::steady_clock;
    clock::time_point last{};
    double longest_gap_ms = 0;
    auto tick = QObject::connect(&orvex::app::program_events(), &orvex::ProgramEvents::timer_tick, [&] {
        const auto now = clock::now();
        if (last != clock::time_point{})
            longest_gap_ms =
                std::max(longest_gap_ms, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    });
    auto* read = panel->findChild<QPushButton*>(QStringLiteral("btn_read_memory"));
    const auto t0 = clock::now();
    read->click();
    while (!read->text().startsWith(QStringLiteral("64 ")) && clock::now() - t0 < std::chrono::seconds(300))
        run_for(100);
    run_for(200);
    const double read_s = std::chrono::duration<double>(clock::now() - t0).count();
    QObject::disconnect(tick);
    report("memory read and decoded");
    std::printf("memory read: %.1f s, longest main-timer gap %.1f ms\n", read_s, longest_gap_ms);

    panel->findChild<QPushButton*>(QStringLiteral("btn_measures_to_file"))->click();
    report("data.txt written");
    panel->findChild<QPushButton*>(QStringLiteral("btn_images_to_files"))->click();
    report("64 PNG frames written");

    kill(sim, SIGTERM);
    int status = 0;
    waitpid(sim, &status, 0);
    return 0;
}
