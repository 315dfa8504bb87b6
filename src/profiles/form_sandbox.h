// FormSandbox: the window for trying profile post-processing on live profiles.
//
// Each profile of the first channel is sorted into kept points (red),
// points cut away by the rectangular cut zone (grey) and outliers of the
// neighbour filter (blue), over the sensor's measuring-range outline. The
// window asks for no profiles itself: while it is visible with "Опрос" on,
// the main window polls them, and each arrives through sensor_last_result.
// Its parameters live in the program settings' SandboxSettings.
#pragma once

#include "link/sensor_info.h"
#include "profiles/sandbox_filter.h"

#include <QWidget>

namespace Ui {
class FormSandbox;
}

namespace orvex::qt {
class ChartOrvex;
}

class FormSandbox : public QWidget {
    Q_OBJECT
public:
    explicit FormSandbox(QWidget* parent = nullptr);
    ~FormSandbox() override;

    /// The main window polls profiles while this is checked and the window visible.
    bool poll_checked() const;
    const orvex::sandbox_points& points() const { return points_; }
    orvex::qt::ChartOrvex* chart() const;

    // Connected to the hub in the constructor. Plain members, not slots: the
    // on_ names would otherwise be taken for by-name connections.
    void program_settings_to_form();
    void program_settings_from_form();
    void on_sensor_connected(const orvex::k7::sensor_info& info);
    void on_cut_zone_changed();
    void on_profile_received_last(int channel);

private slots:
    // Spare buttons without a function yet.
    void on_btn_0_clicked() {}
    void on_btn_1_clicked() {}
    void on_btn_2_clicked() {}
    void on_btn_3_clicked() {}
    void on_btn_4_clicked() {}
    void on_btn_5_clicked() {}
    void on_btn_6_clicked() {}
    void on_btn_7_clicked() {}

protected:
    void changeEvent(QEvent* event) override;

private:
    Ui::FormSandbox* ui;
    orvex::sandbox_points points_;
    bool loading_ = false; // widgets being filled from the settings
};
