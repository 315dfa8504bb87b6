// Quorin: the main window, frame of the program.
//
// A row of tool buttons selects one of the pages in the stacked widget; a
// second group brings the floating forms to the front; a side column holds
// the developer tools; the status line shows messages (labStatus), the
// sensor's error state and the developer switch. Its 1 ms main timer is the
// program's heartbeat: every device poll happens in its handler, on the GUI
// thread. It also owns the language and style switches, developer mode and
// the orderly shutdown.
#pragma once

#include "app/program_events.h"
#include "diag/error_state_poll.h"
#include "link/connection_watch.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QString>
#include <QTranslator>
#include <array>
#include <utility>
#include <vector>

class QAction;
class QProgressBar;
class QTimer;
class QToolButton;

namespace Ui {
class Quorin;
}

class Quorin : public QMainWindow, public orvex::IProgramEvents {
    Q_OBJECT
public:
    explicit Quorin(QWidget* parent = nullptr);
    ~Quorin() override;

    Ui::Quorin* form() const { return ui; }

    /// Puts a page into a container's layout (start-up).
    static void host_page(QWidget* container, QWidget* page);

    /// Shows a message in the status line (text and tool tip alike).
    void show_message(const QString& text);
    /// Shows the progress bar of the status line at `percent` (0..100) while a
    /// job runs; a negative value hides it.
    void show_progress(int percent);

    /// Builds the extension-board panel for the first channel's board code
    /// (none for an unknown code) and tells it the sensor's address.
    void build_xfn_panel();

    // IProgramEvents
    void on_sensor_connected() override;
    void on_sensor_disconnected() override;
    void on_developer_mode(bool on) override;

public slots:
    void groupTab_ItemChanged();
    void on_MainTimerTimeout();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void on_btn_flash_show_clicked();
    void on_btn_sandbox_clicked();
    void on_btnTest0_clicked() {}
    void on_btnTest1_clicked() {}
    void on_btnTest2_clicked() {}
    void on_btnTest3_clicked() {}
    void on_comboLanguage_currentTextChanged(const QString& text);
    void on_combo_style_currentTextChanged(const QString& text);

private:
    void attach_detach_menu(QToolButton* button, QWidget* page);
    void show_settings_form();
    /// At the window's right edge, or as far right as the screen allows.
    void place_settings_form(QWidget* form);
    void set_developer_mode(bool on, bool by_typing);
    void load_language(const QString& file);
    void poll_error_state();
    void install_device_callbacks();
    void watch_channels();

    Ui::Quorin* ui;
    QTranslator translator_;
    QTimer* main_timer_ = nullptr;
    QString typed_; // last characters typed, for the unlock word
    QElapsedTimer error_poll_clock_;
    orvex::diag::error_state_poll error_poll_;
    // One per sensor channel: a silent sensor holds back the channel's
    // blocking work instead of stalling every tick.
    std::array<orvex::k7::connection_watch, 2> watches_;
    QProgressBar* progress_ = nullptr;                          // status line, beside labStatus
    std::vector<std::pair<QAction*, QAction*>> detach_actions_; // detach, attach
    QHash<QWidget*, QString> built_in_titles_; // window titles as the forms set them (Russian)
};
