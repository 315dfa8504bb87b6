// Image window figures.
//
//   bench_image render            Google Benchmark: one full 1280 x 1024 frame
//                                 rendered (rotation, mirror, grid, computed
//                                 points) and drawn the way the image label
//                                 draws its visible part, at zoom 1 and 8.
//   bench_image program [S] [FPS] Rate harness: the program's windows offscreen
//                                 against an in-process k7sim streaming FPS
//                                 (default 30) full frames; the GUI thread's CPU
//                                 share and the frames shown over S seconds
//                                 (default 10) with the image window open.
#include "app/application.h"
#include "app/program.h"
#include "app/program_events.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "imaging/form_image.h"
#include "imaging/image_render.h"
#include "link/sensor_device.h"
#include "simulator.h"

#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace img = orvex::imaging;

namespace {

void render_frame(benchmark::State& state)
{
    const int zoom = int(state.range(0));
    std::vector<std::uint8_t> frame(std::size_t(img::frame_width) * img::frame_height);
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = std::uint8_t(i * 2654435761u >> 24);
    std::vector<double> lines(1024);
    for (int r = 0; r < 1024; ++r)
        lines[std::size_t(r)] = 600.0 + 100.0 * std::sin(r / 100.0);
    img::image_renderer renderer;
    img::render_options o;
    o.rotate = o.mirror_x = o.mirror_y = o.grid = true;
    o.line_data = lines.data();
    o.chart_row = 512;
    // The label is zoom x the view; the scroll area shows one view's worth
    // (rotated: 1024 x 1280) from the middle of it.
    QImage screen(1024, 1280, QImage::Format_RGB32);
    for (auto _ : state) {
        const auto r = renderer.render(frame.data(), o);
        const QImage image(reinterpret_cast<const uchar*>(r.pixels), r.width, r.height, r.width * 4,
                           QImage::Format_RGB32);
        const int sx = (r.width - r.width / zoom) / 2, sy = (r.height - r.height / zoom) / 2;
        QPainter p(&screen);
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRectF(0, 0, screen.width(), screen.height()), image,
                    QRectF(sx, sy, r.width / zoom, r.height / zoom));
        benchmark::DoNotOptimize(screen.constBits());
    }
}
BENCHMARK(render_frame)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

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

int run_program(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    orvex::app::init_program_objects();
    orvex::qt::QApplicationCatchingExceptions app(argc, argv);
    const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    const double fps = argc > 3 ? std::atof(argv[3]) : 30.0;

    orvex::sim::simulator_options options;
    options.sensors = {"127.0.0.2,serial=00042,fw=49m,scene=corner"};
    options.frame_rate = fps;
    options.lines_per_ms = 128;
    options.search_bind = "127.0.0.1";
    orvex::sim::simulator sim(options);
    sim.start();

    QTemporaryDir dir;
    orvex::ProgramSettings full;
    full.image_window_resolution = "1280x1024";
    full.save(QString(dir.path() + QStringLiteral("/Settings.xml")).toStdString(), true);
    orvex::app::start_program(dir.path());
    orvex::app::main_window()->show();
    auto& first = orvex::app::device(0);
    if (!first.connect(sim.sensor_address(0))) {
        std::fprintf(stderr, "cannot connect to the simulator\n");
        return 1;
    }
    emit orvex::app::program_events().sensor_settings_changed(first.commands().settings());
    FormImage* form = orvex::app::form_image();
    form->show();
    form->findChild<QRadioButton*>(QStringLiteral("radio_acquire_stream"))->click();

    unsigned long frames = 0;
    QObject::connect(&orvex::app::program_events(), &orvex::ProgramEvents::image_received,
                     [&] { frames += first.engine().frame_complete() ? 1 : 0; });
    QEventLoop warm;
    QTimer::singleShot(1000, &warm, &QEventLoop::quit);
    warm.exec();
    frames = 0;
    const double cpu0 = thread_cpu_seconds();
    const auto t0 = std::chrono::steady_clock::now();
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = 100.0 * (thread_cpu_seconds() - cpu0) / wall;
    std::printf("image window, %.0f frames/s of 1280 x 1024 streamed: GUI thread CPU %5.1f %%, %.1f frames/s "
                "shown, title \"%s\"\n",
                fps, cpu, frames / wall, form->windowTitle().toUtf8().constData());
    form->hide();
    first.disconnect();
    sim.stop();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "program") == 0) {
        Q_INIT_RESOURCE(icons);
        Q_INIT_RESOURCE(windows);
        return run_program(argc, argv);
    }
    if (argc > 1 && std::strcmp(argv[1], "render") == 0) {
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
