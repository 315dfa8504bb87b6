// The program-wide objects that live for the whole run, and the windows.
//
// Settings, the event hub, the extended-flash-access key and the version
// string are created on first use, in the order init_program_objects() fixes.
// Each window exists at most once: its getter creates it without parent (a
// top-level window) on the first call and returns the same object afterwards.
// setup_windows() creates them in start-up order and fills the registry: the
// list of top-level forms (closed in order at exit) and the receiver list of
// IProgramEvents (called in order for every notification).
#pragma once

#include "app/page_tasks.h"
#include "app/workstation_paths.h"

#include "link/connect_steps.h"
#include "profiles/calibration_range.h"

#include <QIcon>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QWidget;
class FormFlash;
class FormImage;
class FormSettings;
class FormLaserTuning;
class FormDebug;
class FormCalibr;
class FormFastSettings;
class FormSandbox;
class Quorin;
class PageConnection;
class PageChart;

namespace orvex {
namespace k7 {
class sensor_device;
}
namespace crawler {
class CrawlerDevice;
}

class ProgramSettings;
class ProgramEvents;
class IProgramEvents;

namespace app {

/// Shown in the main window's title.
inline const QString version_string = QStringLiteral("v1.28");

/// Creates the settings (defaults), the event hub, reads the key file and
/// creates the three devices, in that order. Idempotent; main() calls it first.
void init_program_objects();

ProgramSettings& program_settings();
ProgramEvents& program_events();
const platform::flash_access_key& flash_key();

/// The three devices: 0 first channel, 1 second channel, 2 the calibration
/// rig's control board.
k7::sensor_device& device(int index);

/// The pipe crawler, created when a crawler panel first asks for it (its
/// memory image takes 64 MiB) and kept for the rest of the run; its worker
/// thread is joined when the program ends.
crawler::CrawlerDevice& crawler_device();

/// The first channel's working range, decoded from the range block read at
/// its connection (known = false until a valid block was read; a block that
/// is missing or all 0xFF leaves it as it was).
k7::decoded_range& decoded_range();

/// Cooperative tasks of the pages, resumed once per main-timer tick.
page_tasks& page_task_list();
/// Starts a page task (see page_tasks::start): false when id is not 0 and a
/// task with that id still runs.
bool start_page_task(int id, page_tasks::body_type body);

/// Icons shared by every window; valid after load_shared_icons().
struct SharedIcons {
    QIcon arrow_ccw, arrow_cw, orvex, empty, accept, close, clock, sandglass, warning, info, stop;
};
void load_shared_icons();
const SharedIcons& icons();
/// Puts the neutral icon on every button of every window that shows a result
/// icon (success, failure, running), so that no result of a previous sensor
/// is taken for one of the sensor being connected.
void clear_result_icons();

/// A text composed by the core (Russian), in the interface's language.
QString core_text(const std::string& text);
/// Set by the language switch: true while the English translation is on.
void set_english_interface(bool on);
bool english_interface();

FormFlash* form_flash();
FormImage* form_image();
FormSettings* form_settings();
FormLaserTuning* form_laser_tuning();
FormDebug* form_debug();
FormCalibr* form_calibr();
FormFastSettings* form_fast_settings();
FormSandbox* form_sandbox();
Quorin* main_window();
/// The pages hosted by the main window; null until setup_windows().
PageConnection* page_connection();
PageChart* page_chart();

/// Start-up after the application object exists: loads the shared icons,
/// makes the data folder current (`exe_dir` when writable, else the user's
/// data folder; every relative path of the program is relative to it), loads
/// Settings.xml there or, when it cannot be read, warns and rewrites it with
/// the defaults, announces the settings and sets up the windows. In a fresh
/// user data folder the defaults are written without a warning, the shipped
/// calibration scripts are copied in, and the status line names the folder.
/// main() passes the executable's folder.
void start_program(const QString& exe_dir);

/// The folder the program writes its files into, chosen by start_program():
/// `exe_dir` when writable, else the user's data folder (see
/// app/data_folder.h). The executable's folder before start-up.
QString data_dir();

/// Creates every window in start-up order, registers the top-level forms and
/// the receivers and hands the stored developer mode to every receiver. Runs
/// once; later calls do nothing.
void setup_windows();

const std::vector<QWidget*>& top_level_forms();
const std::vector<IProgramEvents*>& receivers();
/// Appends a receiver to the list (start-up registers the pages this way).
void register_receiver(IProgramEvents* receiver);
/// Calls `f` on every receiver, in list order.
void for_each_receiver(const std::function<void(IProgramEvents&)>& f);

} // namespace app
} // namespace orvex
