#include "app/program.h"

#include "app/data_folder.h"
#include "app/english_text.h"
#include "app/form_fast_settings.h"
#include "app/program_events.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "calibr/form_calibr.h"
#include "calibr/rig_objects.h"
#include "crawler/crawler_device.h"
#include "diag/form_debug.h"
#include "diag/form_laser_tuning.h"
#include "diag/page_debug.h"
#include "diag/page_latch.h"
#include "flash/form_flash.h"
#include "flash/page_bitstream.h"
#include "imaging/form_image.h"
#include "link/page_connection.h"
#include "link/sensor_device.h"
#include "profiles/form_sandbox.h"
#include "profiles/page_chart.h"
#include "settings/form_settings.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>

namespace orvex::app {
namespace {

std::vector<QWidget*> g_forms;
PageConnection* g_page_connection = nullptr;
PageChart* g_page_chart = nullptr;
std::vector<IProgramEvents*> g_receivers;
SharedIcons g_icons;
QString g_data_dir;

template <class Form>
Form* singleton()
{
    static Form* form = new Form(nullptr);
    return form;
}

} // namespace

ProgramSettings& program_settings()
{
    static ProgramSettings* settings = [] {
        auto* s = new ProgramSettings;         // lives until process exit, like every window
        s->set_file_name("test_settings.xml"); // replaced at start-up
        return s;
    }();
    return *settings;
}

ProgramEvents& program_events()
{
    static ProgramEvents* hub = new ProgramEvents; // lives until process exit
    return *hub;
}

const platform::flash_access_key& flash_key()
{
    static const platform::flash_access_key key =
        platform::read_flash_access_key(platform::workstation_path(platform::workstation_file::flash_key));
    return key;
}

k7::sensor_device& device(int index)
{
    static k7::sensor_device* devices = new k7::sensor_device[3]; // for the whole run
    return devices[index];
}

crawler::CrawlerDevice& crawler_device()
{
    // A function-local object, so that leaving main() joins its worker.
    static crawler::CrawlerDevice crawler;
    return crawler;
}

k7::decoded_range& decoded_range()
{
    static k7::decoded_range range;
    return range;
}

page_tasks& page_task_list()
{
    static page_tasks tasks;
    return tasks;
}

bool start_page_task(int id, page_tasks::body_type body)
{
    return page_task_list().start(id, std::move(body));
}

void init_program_objects()
{
    program_settings();
    program_events();
    flash_key();
    device(0);
}

void load_shared_icons()
{
    static bool loaded = false;
    if (loaded)
        return;
    loaded = true;
    const auto add = [](QIcon& icon, const char* path) {
        icon.addFile(QString::fromLatin1(path), QSize(), QIcon::Normal, QIcon::Off);
    };
    add(g_icons.arrow_ccw, ":/arrow_ccw.ico");
    add(g_icons.arrow_cw, ":/arrow_cw.ico");
    add(g_icons.orvex, ":/orvex.ico");
    add(g_icons.empty, ":/icons/empty.svg");
    add(g_icons.accept, ":/icons/accept.png");
    add(g_icons.close, ":/icons/close.png");
    add(g_icons.clock, ":/icons/clock.png");
    add(g_icons.sandglass, ":/icons/sandglass.png");
    add(g_icons.warning, ":/icons/warning.png");
    add(g_icons.info, ":/icons/info.png");
    add(g_icons.stop, ":/icons/stop.svg");
}

const SharedIcons& icons()
{
    return g_icons;
}

namespace {
bool g_english = false;
}

QString core_text(const std::string& text)
{
    return QString::fromStdString(g_english ? orvex::english_text(text) : text);
}

void set_english_interface(bool on)
{
    g_english = on;
}

bool english_interface()
{
    return g_english;
}

void clear_result_icons()
{
    const qint64 results[] = {g_icons.accept.cacheKey(), g_icons.close.cacheKey(), g_icons.clock.cacheKey(),
                              g_icons.sandglass.cacheKey()};
    std::vector<QWidget*> roots = g_forms;
    // A detached page is a window of its own, outside the main window's tree.
    roots.push_back(g_page_chart);
    roots.push_back(g_page_connection);
    for (QWidget* root : roots) {
        if (root == nullptr)
            continue;
        for (QAbstractButton* b : root->findChildren<QAbstractButton*>())
            if (std::find(std::begin(results), std::end(results), b->icon().cacheKey()) != std::end(results))
                b->setIcon(g_icons.empty);
    }
}

FormFlash* form_flash()
{
    return singleton<FormFlash>();
}
FormImage* form_image()
{
    return singleton<FormImage>();
}
FormSettings* form_settings()
{
    return singleton<FormSettings>();
}
FormLaserTuning* form_laser_tuning()
{
    return singleton<FormLaserTuning>();
}
FormDebug* form_debug()
{
    return singleton<FormDebug>();
}
FormCalibr* form_calibr()
{
    return singleton<FormCalibr>();
}
FormFastSettings* form_fast_settings()
{
    return singleton<FormFastSettings>();
}
FormSandbox* form_sandbox()
{
    return singleton<FormSandbox>();
}
Quorin* main_window()
{
    return singleton<Quorin>();
}
PageConnection* page_connection()
{
    return g_page_connection;
}
PageChart* page_chart()
{
    return g_page_chart;
}

namespace {

// A failed write of Settings.xml: the status line every time, a message box
// once per run. The writer may be the background thread; the report runs on
// the GUI thread.
void report_settings_write_failure(const std::string& path)
{
    const auto report = [file = QString::fromStdString(path)] {
        static bool box_shown = false;
        const QString text = QObject::tr("Не удалось сохранить файл настроек %1").arg(file);
        main_window()->show_message(text);
        if (box_shown)
            return;
        box_shown = true;
        QMessageBox::warning(main_window(), QObject::tr("Ошибка при сохранении файла настроек"),
                             text + QObject::tr("\nПроверьте, что файл и папка доступны для записи."));
    };
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr)
        return;
    if (QThread::currentThread() == app->thread())
        report();
    else
        QMetaObject::invokeMethod(app, report, Qt::QueuedConnection);
}

} // namespace

void start_program(const QString& exe_dir)
{
    load_shared_icons();
    QCoreApplication::addLibraryPath(exe_dir);
    const auto to_path = [](const QString& dir) { return std::filesystem::u8path(dir.toStdString()); };
    const data_folder_choice folder = choose_data_folder(
        to_path(exe_dir), to_path(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
    g_data_dir = folder.is_user_folder ? QString::fromStdString(folder.path.u8string()) : exe_dir;
    QDir::setCurrent(g_data_dir);
    if (folder.is_user_folder)
        copy_missing_files(shipped_path(to_path(exe_dir), "calibr"), folder.path / "calibr");

    auto& settings = program_settings();
    const QString settings_path = g_data_dir + QStringLiteral("/Settings.xml");
    settings.set_file_name(settings_path.toUtf8().toStdString());
    settings.set_write_failure_handler(report_settings_write_failure);
    // A user data folder without settings is a first start, not a damaged file.
    const bool first_start = folder.is_user_folder && !QFileInfo::exists(settings_path);
    if (!settings.load()) {
        if (!first_start) {
            // A damaged file is kept beside the new one, so that nothing in it is lost.
            const QString kept = QString::fromStdString(settings.set_aside_damaged_file());
            QString text =
                QObject::tr("Ошибка при чтении файла настроек. Файл будет перезаписан.\n") + settings_path;
            if (!kept.isEmpty())
                text += QObject::tr("\nПрежний файл сохранён как\n") + kept;
            QMessageBox box(QMessageBox::Warning, QObject::tr("Ошибка при чтении файла настроек"), text,
                            QMessageBox::Ok);
            box.exec();
        }
        settings.save(std::string(), true);
    } else if (!settings.unreadable_keys().empty()) {
        QStringList keys;
        for (const std::string& key : settings.unreadable_keys())
            keys << QString::fromStdString(key);
        QMessageBox box(QMessageBox::Warning, QObject::tr("Ошибка при чтении файла настроек"),
                        QObject::tr("Значения этих ключей в файле настроек имеют неверный тип и "
                                    "заменены значениями по умолчанию:\n") +
                            keys.join(QStringLiteral("\n")) + QStringLiteral("\n\n") + settings_path,
                        QMessageBox::Ok);
        box.exec();
    }
    calibr::apply_rig_settings(settings);
    emit program_events().program_settings_changed();
    setup_windows();
    if (folder.is_user_folder)
        main_window()->show_message(QObject::tr("Папка программы закрыта для записи; настройки и файлы в %1")
                                        .arg(QDir::toNativeSeparators(g_data_dir)));
}

QString data_dir()
{
    return g_data_dir.isEmpty() ? QCoreApplication::applicationDirPath() : g_data_dir;
}

void setup_windows()
{
    static bool first_time = true;
    if (!first_time)
        return;
    first_time = false;

    g_forms = {form_flash(),  form_image(),         form_settings(), form_laser_tuning(), form_debug(),
               form_calibr(), form_fast_settings(), form_sandbox(),  main_window()};

    Quorin* window = main_window();
    register_receiver(window);
    auto* page_bitstream = new PageBitstream;
    window->host_page(window->findChild<QWidget*>(QStringLiteral("pageBitstream")), page_bitstream);
    register_receiver(page_bitstream);
    g_page_chart = new PageChart;
    window->host_page(window->findChild<QWidget*>(QStringLiteral("pageChart")), g_page_chart);
    register_receiver(g_page_chart);
    g_page_connection = new PageConnection;
    window->host_page(window->findChild<QWidget*>(QStringLiteral("pageConnection")), g_page_connection);
    register_receiver(g_page_connection);
    auto* page_latch = new PageLatch;
    window->host_page(window->findChild<QWidget*>(QStringLiteral("pageLatch")), page_latch);
    register_receiver(page_latch);
    // The register page is no receiver; its container has no layout of its own.
    auto* debug_container = window->findChild<QWidget*>(QStringLiteral("pageDebug"));
    auto* debug_layout = new QVBoxLayout(debug_container);
    debug_layout->setContentsMargins(0, 0, 0, 0);
    debug_layout->addWidget(new PageDebug(debug_container));

    const bool developer_mode = program_settings().developer_mode;
    for_each_receiver([developer_mode](IProgramEvents& r) { r.on_developer_mode(developer_mode); });
}

const std::vector<QWidget*>& top_level_forms()
{
    return g_forms;
}

const std::vector<IProgramEvents*>& receivers()
{
    return g_receivers;
}

void register_receiver(IProgramEvents* receiver)
{
    g_receivers.push_back(receiver);
}

void for_each_receiver(const std::function<void(IProgramEvents&)>& f)
{
    for (IProgramEvents* r : g_receivers)
        f(*r);
}

} // namespace orvex::app
