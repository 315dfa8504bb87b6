// WSensorSettings: the editor of the sensor's measurement settings record.
//
// It shows a record in its widgets and builds one from them, keeps the image
// window and the frame period within what the sensor can do (normalising the
// window, showing the rate and the shortest period, colouring the period and
// cycle-delay fields), and asks its host through signals to read or write the
// record in the sensor's working memory or flash. The host runs the command
// and reports back with show_result(), which marks the pressed button; only
// the last pressed button carries a result. With write-on-change on, every
// edit writes to working memory at once; filling the widgets from a record
// never does. The editor owns the convolution form bound to its convolution
// combo box and passes on changes of the user's convolution sets.
#pragma once

#include "link/sensor_info.h"
#include "settings/convolution_set.h"
#include "settings/qz3p_settings.h"

#include <QWidget>
#include <optional>
#include <vector>

class QPushButton;
class QSpinBox;
class FormConvolution;

namespace Ui {
class WSensorSettings;
}

class WSensorSettings : public QWidget {
    Q_OBJECT
public:
    explicit WSensorSettings(QWidget* parent = nullptr);
    ~WSensorSettings() override;

    /// Fills every widget from `s` without triggering a write, then checks
    /// the window and the period.
    void show_settings(const orvex::k7::qz3p_settings& s);
    /// The record the widgets describe. Empty when the MAC or IP text is not
    /// a valid address; that field is then marked invalid.
    std::optional<orvex::k7::qz3p_settings> build_settings();
    /// A newly connected sensor: the distance field follows its range.
    void set_sensor(const orvex::k7::sensor_info& info);
    /// Result of the operation the last pressed button asked for.
    void show_result(bool ok);

    FormConvolution* convolution_form() const { return conv_; }
    void set_user_conv_sets(const std::vector<orvex::ConvolutionSet>& sets);
    const std::vector<orvex::ConvolutionSet>& user_conv_sets() const;

signals:
    void read_memory();
    void write_memory(orvex::k7::qz3p_settings settings);
    void read_flash();
    void write_flash(orvex::k7::qz3p_settings settings);
    /// The user's convolution sets changed (see user_conv_sets()).
    void user_conv_set_updated();

private slots:
    void on_btn_write_memory_clicked();
    void on_btn_read_memory_clicked();
    void on_btn_write_flash_clicked();
    void on_btn_read_flash_clicked();
    void on_btn_convolution_setup_clicked();
    void on_cb_expo_second_toggled(bool checked);
    void on_cb_fixed_period_toggled(bool checked);
    void on_cb_side_en_toggled(bool checked);
    void on_cb_median_toggled(bool checked);
    void on_cb_black_level_toggled(bool checked);
    void on_cb_cycle_delay_toggled(bool checked);
    void on_slider_laser_brightness_valueChanged(int value);
    void on_spin_laser_brightness_valueChanged(int value);
    void setting_edited();

protected:
    void changeEvent(QEvent* event) override;

private:
    void connect_edits();
    void check_window_and_period();
    /// A check box that switches `box` between `off_value` ("off" in the
    /// record) and a value of its own: switching off remembers the value in
    /// use in `last_on_value` (and shows `off_value` when `show_off_value`),
    /// switching on brings it back when the field holds the "off" value.
    void switch_value(QSpinBox* box, bool on, int off_value, int& last_on_value, bool show_off_value);
    void update_distance_limits(double keep_value);
    void mark_pressed(QPushButton* button);
    void clear_result();

    Ui::WSensorSettings* ui;
    FormConvolution* conv_ = nullptr;
    QPushButton* last_button_ = nullptr;
    bool loading_ = false;
    int fixed_period_ = 10000; // restored when the fixed period is switched on again
    int cycle_delay_ = 1;      // restored when the cycle delay is switched on again
};
