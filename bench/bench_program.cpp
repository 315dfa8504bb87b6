// Rate harness: what the running program costs. Starts the program's windows
// offscreen against an in-process k7sim and measures the GUI thread's CPU
// time (the simulator runs on threads of its own) while idle, while polling
// profiles on the profile page, and while the sensor streams 5 000 profiles/s;
// reports the rate the profile page displays and how often its chart paints.
// Last, the simulated sensor falls silent (its fault switch) while the page
// polls and the error state is polled: the gaps between main-timer ticks show
// how long the window was blocked (gaps longer than 10 ms, as a share of the
// phase) and the longest gap.
//
//   bench_program [seconds per phase, default 10]
#include "app/application.h"
#include "app/program.h"
#include "app/program_events.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "link/sensor_device.h"
#include "profiles/page_chart.h"
#include "simulator.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

double thread_cpu_seconds()
{
#ifdef _WIN32
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#else
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
#endif
}

void run_for(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

struct phase_result {
    double cpu_percent;
    unsigned long profiles;
};

phase_result measure(double seconds)
{
    unsigned long profiles = 0;
    auto c = QObject::connect(&orvex::app::program_events(), &orvex::ProgramEvents::sensor_last_result,
                              [&](int channel) { profiles += channel == 0 ? 1 : 0; });
    const double cpu0 = thread_cpu_seconds();
    const auto t0 = std::chrono::steady_clock::now();
    run_for(seconds);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    QObject::disconnect(c);
    return {100.0 * (thread_cpu_seconds() - cpu0) / wall, profiles};
}

// Counts the paint events of one widget.
struct PaintCounter : QObject {
    unsigned long paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        paints += e->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

struct gap_result {
    double blocked_percent;
    double longest_ms;
};

gap_result measure_tick_gaps(double seconds)
{
    using clock = std::chrono::steady_clock;
    clock::time_point last{};
    double blocked_ms = 0.0;
    double longest_ms = 0.0;
    auto c = QObject::connect(&orvex::app::program_events(), &orvex::ProgramEvents::timer_tick, [&] {
        const auto now = clock::now();
        if (last != clock::time_point{}) {
            const double gap = std::chrono::duration<double, std::milli>(now - last).count();
            longest_ms = std::max(longest_ms, gap);
            // A tick that waited for the sensor; shorter gaps are the
            // scheduler's, not the program's.
            if (gap > 10.0)
                blocked_ms += gap;
        }
        last = now;
    });
    const auto t0 = clock::now();
    run_for(seconds);
    const double wall_ms = std::chrono::duration<double, std::milli>(clock::now() - t0).count();
    QObject::disconnect(c);
    return {100.0 * blocked_ms / wall_ms, longest_ms};
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    orvex::app::init_program_objects();
    Q_INIT_RESOURCE(icons);
    Q_INIT_RESOURCE(windows);
    orvex::qt::QApplicationCatchingExceptions app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;

    orvex::sim::simulator_options options;
    options.sensors = {"127.0.0.2,serial=00042,scene=plane"};
    options.profile_rate = 5000;
    orvex::sim::simulator sim(options);
    sim.start();

    QTemporaryDir dir;
    orvex::ProgramSettings().save(QString(dir.path() + QStringLiteral("/Settings.xml")).toStdString(), true);
    orvex::app::start_program(dir.path());
    Quorin* window = orvex::app::main_window();
    window->show();
    auto& first = orvex::app::device(0);
    if (!first.connect(sim.sensor_address(0))) {
        std::fprintf(stderr, "cannot connect to the simulator\n");
        return 1;
    }
    orvex::app::for_each_receiver([](orvex::IProgramEvents& r) { r.on_sensor_settings(true); });
    orvex::app::for_each_receiver([](orvex::IProgramEvents& r) { r.on_sensor_connected(); });

    const phase_result idle = measure(seconds);
    std::printf("idle, connected:              GUI thread CPU %5.1f %%\n", idle.cpu_percent);

    window->findChild<QToolButton*>(QStringLiteral("toolChart"))->click();
    window->findChild<QCheckBox*>(QStringLiteral("cbChartPoll"))->setChecked(true);
    const phase_result poll = measure(seconds);
    std::printf("polling profiles (page shown): GUI thread CPU %5.1f %%, %.1f profiles/s\n", poll.cpu_percent,
                poll.profiles / seconds);

    PaintCounter painted;
    QWidget* chart = window->findChild<QWidget*>(QStringLiteral("chart_main"));
    chart->installEventFilter(&painted);
    window->findChild<QCheckBox*>(QStringLiteral("cbChartStream"))->setChecked(true);
    const phase_result stream = measure(seconds);
    const QString shown = window->findChild<QLabel*>(QStringLiteral("labChartFPS"))->text();
    std::printf("streaming at 5000/s:          GUI thread CPU %5.1f %%, %.1f profile events/s, %.1f chart "
                "paints/s, page shows %s profiles/s\n",
                stream.cpu_percent, stream.profiles / seconds, painted.paints / seconds,
                shown.toLocal8Bit().constData());
    window->findChild<QCheckBox*>(QStringLiteral("cbChartStream"))->setChecked(false);
    chart->removeEventFilter(&painted);

    // A silent sensor: profile poll on, error-state poll on in developer mode.
    window->findChild<QCheckBox*>(QStringLiteral("cbChartPoll"))->setChecked(true);
    window->on_developer_mode(true);
    window->findChild<QCheckBox*>(QStringLiteral("cbStatusErrorState"))->setChecked(true);
    run_for(0.5);
    sim.set_answering(0, false);
    const gap_result silent = measure_tick_gaps(seconds);
    std::printf("silent sensor, page polling:  main timer blocked %5.1f %% of the time, longest tick gap "
                "%.0f ms\n",
                silent.blocked_percent, silent.longest_ms);
    sim.set_answering(0, true);

    first.disconnect();
    sim.stop();
    return 0;
}
