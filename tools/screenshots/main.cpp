// quorin_screenshots: renders the main window's pages, connected to an
// in-process k7sim, into PNG files for the README and for review.
//
//   quorin_screenshots OUTPUT_DIR
//
// Runs with any Qt platform (offscreen or a real X display). Everything it
// sends stays on loopback.
#include "app/application.h"
#include "app/program.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "link/page_connection.h"
#include "link/sensor_device.h"
#include "simulator.h"

#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

namespace {

void wait_ms(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(QWidget* w, const QString& dir, const char* name)
{
    const QString file = dir + QLatin1Char('/') + QString::fromLatin1(name);
    const bool ok = w->grab().save(file, "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", file.toLocal8Bit().constData());
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    orvex::app::init_program_objects();
    Q_INIT_RESOURCE(icons);
    Q_INIT_RESOURCE(windows);
    orvex::qt::QApplicationCatchingExceptions app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorin_screenshots OUTPUT_DIR\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);

    orvex::sim::simulator_options options;
    options.sensors = {"127.0.0.2,serial=00042,ident=Demo plane,scene=plane",
                       "127.0.0.3,serial=00043,ident=Demo corner,scene=corner"};
    orvex::sim::simulator sim(options);
    sim.start();

    QTemporaryDir exe_dir;
    orvex::ProgramSettings settings;
    settings.ethernet_mask = "127.255.255.255";
    settings.save(QString(exe_dir.path() + QStringLiteral("/Settings.xml")).toStdString(), true);
    orvex::app::start_program(exe_dir.path());
    Quorin* window = orvex::app::main_window();
    window->resize(900, 600);
    window->show();

    PageConnection* page = orvex::app::page_connection();
    page->findChild<QPushButton*>(QStringLiteral("btnConnectionSearch"))->click();
    wait_ms(1500);
    auto* list = page->findChild<QListWidget*>(QStringLiteral("listSearchSensors"));
    for (int r = 0; r < list->count(); ++r)
        if (list->item(r)->text().startsWith(QStringLiteral("127.0.0.2 ")))
            list->setCurrentRow(r);
    bool ok = save(window, out, "connection.png");

    page->connect_selected(PageConnection::first_channel);
    window->findChild<QToolButton*>(QStringLiteral("toolChart"))->click();
    window->findChild<QCheckBox*>(QStringLiteral("cbChartPoll"))->setChecked(true);
    wait_ms(1500);
    ok = save(window, out, "profiles.png") && ok;

    window->findChild<QToolButton*>(QStringLiteral("toolBitstream"))->click();
    wait_ms(200);
    ok = save(window, out, "firmware.png") && ok;

    window->close();
    sim.stop();
    return ok ? 0 : 1;
}
