#include "settings/w_sensor_settings.h"

#include "app/program.h"
#include "link/sensor_device.h"
#include "settings/editor_values.h"
#include "settings/form_convolution.h"
#include "settings/image_timing.h"
#include "ui_w_sensor_settings.h"

#include <QEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>

using orvex::k7::qz3p_settings;
namespace k7 = orvex::k7;

namespace {

const QString& invalid_style()
{
    static const QString style = QStringLiteral("background-color: rgb(255, 150, 150)");
    return style;
}

const QString& valid_style()
{
    static const QString style = QStringLiteral("background-color:white");
    return style;
}

// Clears `flag` on leaving the scope, also when filling the widgets throws.
struct LoadingScope {
    bool& flag;
    explicit LoadingScope(bool& f) : flag(f) { flag = true; }
    ~LoadingScope() { flag = false; }
};

} // namespace

WSensorSettings::WSensorSettings(QWidget* parent) : QWidget(parent), ui(new Ui::WSensorSettings)
{
    ui->setupUi(this);
    // A number counts as edited once typed in (Enter or leaving the field),
    // not at every keystroke: the window check would rewrite a half-typed
    // column ("10" of "100" becomes 9), and writing on change would send
    // every intermediate value to the sensor.
    for (QAbstractSpinBox* box : findChildren<QAbstractSpinBox*>())
        box->setKeyboardTracking(false);
    conv_ = new FormConvolution(ui->combo_convolution, this);
    connect(conv_, &FormConvolution::settings_changed, this, &WSensorSettings::setting_edited);
    connect(conv_, &FormConvolution::user_conv_updated, this, &WSensorSettings::user_conv_set_updated);
    for (QPushButton* b :
         {ui->btn_write_memory, ui->btn_read_memory, ui->btn_write_flash, ui->btn_read_flash})
        b->setIcon(orvex::app::icons().empty);
    update_distance_limits(ui->spin_detached_distance->value());
    connect_edits();
    check_window_and_period();
}

WSensorSettings::~WSensorSettings()
{
    delete ui;
}

void WSensorSettings::connect_edits()
{
    auto edited = [this] { setting_edited(); };
    for (QSpinBox* spin : {ui->spin_subframe_xs,        ui->spin_subframe_xe,
                           ui->spin_subframe_ys,        ui->spin_subframe_ye,
                           ui->spin_expo_first,         ui->spin_expo_second,
                           ui->spin_expo_reset_level,   ui->spin_period,
                           ui->spin_locmax_dist_0,      ui->spin_locmax_dist_1,
                           ui->spin_locmax_dist_2,      ui->spin_locmax_thres_0,
                           ui->spin_locmax_thres_1,     ui->spin_locmax_thres_2,
                           ui->spin_side_thres,         ui->spin_detached_window,
                           ui->spin_detached_neighbors, ui->spin_median_window,
                           ui->spin_black_level,        ui->spin_cycle_delay})
        connect(spin, QOverload<int>::of(&QSpinBox::valueChanged), this, edited);
    connect(ui->spin_detached_distance, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, edited);
    for (QCheckBox* box : {ui->cb_laser_invert, ui->cb_img_subtr, ui->cb_conv_bypass, ui->cb_cal_bypass,
                           ui->cb_sensor_restart})
        connect(box, &QCheckBox::toggled, this, edited);
    // A radio switch unchecks one button and checks another: count it once.
    for (QRadioButton* radio :
         {ui->radio_laser_off, ui->radio_laser_on, ui->radio_laser_ext_sync, ui->radio_laser_sync_exposure,
          ui->radio_sync_internal_timer, ui->radio_sync_ext_strobe, ui->radio_sync_ext_level})
        connect(radio, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                setting_edited();
        });
    for (QComboBox* combo : {ui->combo_expo_gain, ui->combo_next_max_coef})
        connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, edited);
    // Addresses count as edited once typed in, not at every keystroke: a
    // half-typed address must not reach the sensor.
    for (QLineEdit* edit : {ui->editEthernetMAC, ui->editEthernetIP})
        connect(edit, &QLineEdit::editingFinished, this, edited);
}

// ---------------------------------------------------------------- record

void WSensorSettings::show_settings(const qz3p_settings& s)
{
    {
        LoadingScope loading(loading_);
        ui->editEthernetMAC->setText(QString::fromStdString(k7::mac_text(s.mac)));
        ui->editEthernetIP->setText(QString::fromStdString(k7::ip_text(s.ip)));
        ui->editEthernetMAC->setStyleSheet(valid_style());
        ui->editEthernetIP->setStyleSheet(valid_style());

        switch (k7::laser_mode_of(s.laser_flags)) {
        case k7::laser_mode::off:
            ui->radio_laser_off->setChecked(true);
            break;
        case k7::laser_mode::on:
            ui->radio_laser_on->setChecked(true);
            break;
        case k7::laser_mode::external_sync:
            ui->radio_laser_ext_sync->setChecked(true);
            break;
        case k7::laser_mode::during_exposure:
            ui->radio_laser_sync_exposure->setChecked(true);
            break;
        }
        ui->cb_laser_invert->setChecked((s.laser_flags & k7::laser_invert_flag) != 0);
        ui->spin_laser_brightness->setValue(s.laser_brightness);

        switch (k7::sync_source_of(s.sync_mode)) {
        case k7::sync_source::internal_timer:
            ui->radio_sync_internal_timer->setChecked(true);
            break;
        case k7::sync_source::external_strobe:
            ui->radio_sync_ext_strobe->setChecked(true);
            break;
        case k7::sync_source::external_level:
            ui->radio_sync_ext_level->setChecked(true);
            break;
        }

        const k7::image_window w = k7::window_of(s);
        ui->spin_subframe_xs->setRange(1, k7::image_columns);
        ui->spin_subframe_xe->setRange(16, k7::image_columns);
        ui->spin_subframe_ys->setRange(1, k7::image_rows);
        ui->spin_subframe_ye->setRange(1, k7::image_rows);
        ui->spin_subframe_xs->setValue(w.x_start);
        ui->spin_subframe_xe->setValue(w.x_end);
        ui->spin_subframe_ys->setValue(w.y_start);
        ui->spin_subframe_ye->setValue(w.y_end);

        ui->spin_expo_first->setValue(s.exposure1);
        ui->cb_expo_second->setChecked(s.dual_exposure != 0);
        ui->spin_expo_second->setValue(s.exposure2);
        ui->spin_expo_reset_level->setValue(s.reset_level & 0x0F);
        ui->combo_expo_gain->setCurrentIndex(k7::gain_index_of(s));
        ui->cb_fixed_period->setChecked(s.period != 1);
        ui->spin_period->setValue(static_cast<int>(std::min<std::uint32_t>(s.period, 100000)));

        ui->cb_img_subtr->setChecked(s.image_subtraction != 0);
        ui->cb_conv_bypass->setChecked(s.convolution_bypass != 0);
        ui->cb_cal_bypass->setChecked(s.calibration_bypass != 0);
        QSpinBox* const distances[] = {ui->spin_locmax_dist_0, ui->spin_locmax_dist_1,
                                       ui->spin_locmax_dist_2};
        QSpinBox* const thresholds[] = {ui->spin_locmax_thres_0, ui->spin_locmax_thres_1,
                                        ui->spin_locmax_thres_2};
        for (std::size_t i = 0; i < 3; ++i) {
            distances[i]->setValue(s.peak_distance[i]);
            thresholds[i]->setValue(s.peak_threshold[i]);
        }
        ui->combo_next_max_coef->setCurrentIndex(
            std::min<int>(s.next_max_coefficient, ui->combo_next_max_coef->count() - 1));
        ui->cb_side_en->setChecked(s.edges_enabled != 0);
        ui->spin_side_thres->setValue(s.edges_threshold);
        ui->spin_detached_window->setValue(s.detached_window);
        ui->spin_detached_neighbors->setValue(s.detached_neighbours);
        const double distance = k7::detached_distance_mm(s.detached_distance);
        update_distance_limits(distance);
        ui->spin_detached_distance->setValue(distance);
        ui->cb_median->setChecked(s.median_window != 0);
        if (s.median_window != 0)
            ui->spin_median_window->setValue(s.median_window);
        ui->cb_black_level->setChecked(s.black_level_regulation());
        ui->spin_black_level->setValue(s.black_level_value());
        ui->cb_cycle_delay->setChecked(s.cycle_delay != 0);
        ui->spin_cycle_delay->setValue(s.cycle_delay);
        ui->cb_sensor_restart->setChecked(s.restart_on_errors != 0);
        conv_->show_record_coefficients(s.convolution);
    }
    check_window_and_period();
}

std::optional<qz3p_settings> WSensorSettings::build_settings()
{
    const auto mac = k7::parse_mac(ui->editEthernetMAC->text().toStdString());
    const auto ip = k7::parse_ip(ui->editEthernetIP->text().toStdString());
    ui->editEthernetMAC->setStyleSheet(mac ? valid_style() : invalid_style());
    ui->editEthernetIP->setStyleSheet(ip ? valid_style() : invalid_style());
    if (!mac || !ip)
        return std::nullopt;

    qz3p_settings s;
    s.mac = *mac;
    s.ip = *ip;
    k7::laser_mode mode = k7::laser_mode::off;
    if (ui->radio_laser_on->isChecked())
        mode = k7::laser_mode::on;
    else if (ui->radio_laser_ext_sync->isChecked())
        mode = k7::laser_mode::external_sync;
    else if (ui->radio_laser_sync_exposure->isChecked())
        mode = k7::laser_mode::during_exposure;
    s.laser_flags = k7::laser_flags_for(mode, ui->cb_laser_invert->isChecked());
    s.laser_brightness = static_cast<std::uint8_t>(ui->spin_laser_brightness->value());
    s.sync_mode =
        k7::sync_mode_for(ui->radio_sync_ext_strobe->isChecked()  ? k7::sync_source::external_strobe
                          : ui->radio_sync_ext_level->isChecked() ? k7::sync_source::external_level
                                                                  : k7::sync_source::internal_timer);
    s.period = ui->cb_fixed_period->isChecked() ? static_cast<std::uint32_t>(ui->spin_period->value()) : 1;
    k7::exposure_values e;
    e.dual = ui->cb_expo_second->isChecked();
    e.first_us = ui->spin_expo_first->value();
    e.second_us = ui->spin_expo_second->value();
    e.reset_level = ui->spin_expo_reset_level->value();
    e.gain_index = ui->combo_expo_gain->currentIndex();
    k7::set_exposure_fields(s, e);
    s.black_level =
        qz3p_settings::make_black_level(ui->spin_black_level->value(), ui->cb_black_level->isChecked());
    k7::set_window(s, {ui->spin_subframe_xs->value(), ui->spin_subframe_xe->value(),
                       ui->spin_subframe_ys->value(), ui->spin_subframe_ye->value()});
    s.cycle_delay =
        ui->cb_cycle_delay->isChecked() ? static_cast<std::uint16_t>(ui->spin_cycle_delay->value()) : 0;
    s.restart_on_errors = ui->cb_sensor_restart->isChecked() ? 1 : 0;
    s.image_subtraction = ui->cb_img_subtr->isChecked() ? 1 : 0;
    s.convolution_bypass = ui->cb_conv_bypass->isChecked() ? 1 : 0;
    const QSpinBox* const distances[] = {ui->spin_locmax_dist_0, ui->spin_locmax_dist_1,
                                         ui->spin_locmax_dist_2};
    const QSpinBox* const thresholds[] = {ui->spin_locmax_thres_0, ui->spin_locmax_thres_1,
                                          ui->spin_locmax_thres_2};
    for (std::size_t i = 0; i < 3; ++i) {
        s.peak_distance[i] = static_cast<std::uint8_t>(distances[i]->value());
        s.peak_threshold[i] = static_cast<std::uint8_t>(thresholds[i]->value());
    }
    s.next_max_coefficient = static_cast<std::uint8_t>(std::max(ui->combo_next_max_coef->currentIndex(), 0));
    s.edges_enabled = ui->cb_side_en->isChecked() ? 1 : 0;
    s.edges_threshold = static_cast<std::uint8_t>(ui->spin_side_thres->value());
    s.calibration_bypass = ui->cb_cal_bypass->isChecked() ? 1 : 0;
    s.detached_window = static_cast<std::uint8_t>(ui->spin_detached_window->value());
    s.detached_neighbours = static_cast<std::uint8_t>(ui->spin_detached_neighbors->value());
    s.detached_distance = k7::detached_distance_field(ui->spin_detached_distance->value());
    s.median_window =
        ui->cb_median->isChecked() ? static_cast<std::uint8_t>(ui->spin_median_window->value()) : 0;
    s.convolution = conv_->coefficients();
    return s;
}

void WSensorSettings::set_sensor(const orvex::k7::sensor_info&)
{
    update_distance_limits(ui->spin_detached_distance->value());
}

void WSensorSettings::set_user_conv_sets(const std::vector<orvex::ConvolutionSet>& sets)
{
    conv_->set_user_sets(sets);
}

const std::vector<orvex::ConvolutionSet>& WSensorSettings::user_conv_sets() const
{
    return conv_->user_sets();
}

void WSensorSettings::update_distance_limits(double keep_value)
{
    const auto& first = orvex::app::device(0);
    const auto limits = k7::detached_distance_limits(
        orvex::app::decoded_range(), keep_value, first.is_connected() ? &first.commands().info() : nullptr);
    const QSignalBlocker block(ui->spin_detached_distance);
    ui->spin_detached_distance->setMaximum(limits.maximum);
    ui->spin_detached_distance->setSingleStep(limits.step);
}

// ---------------------------------------------------------------- checks

void WSensorSettings::check_window_and_period()
{
    QSpinBox* const spins[] = {ui->spin_subframe_xs, ui->spin_subframe_xe, ui->spin_subframe_ys,
                               ui->spin_subframe_ye};
    const k7::image_window w =
        k7::normalise_window({spins[0]->value(), spins[1]->value(), spins[2]->value(), spins[3]->value()});
    {
        const QSignalBlocker b0(spins[0]), b1(spins[1]), b2(spins[2]), b3(spins[3]);
        ui->spin_subframe_xs->setRange(1, k7::image_columns);
        ui->spin_subframe_xe->setRange(16, k7::image_columns);
        ui->spin_subframe_ys->setRange(1, k7::image_rows);
        ui->spin_subframe_ye->setRange(1, k7::image_rows);
        ui->spin_subframe_xs->setValue(w.x_start);
        ui->spin_subframe_xe->setValue(w.x_end);
        ui->spin_subframe_ys->setValue(w.y_start);
        ui->spin_subframe_ye->setValue(w.y_end);
        const k7::image_window_limits l = k7::window_limits(w);
        ui->spin_subframe_xs->setMaximum(l.x_start_max);
        ui->spin_subframe_xe->setMinimum(l.x_end_min);
        ui->spin_subframe_ys->setMaximum(l.y_start_max);
        ui->spin_subframe_ye->setMinimum(l.y_end_min);
    }
    ui->lab_subframe_x->setText(QStringLiteral("X: %1").arg(w.width()));
    ui->lab_subframe_y->setText(QStringLiteral("Y: %1").arg(w.height()));

    const bool dual = ui->cb_expo_second->isChecked();
    const int period = ui->cb_fixed_period->isChecked() ? ui->spin_period->value() : 1;
    const int delay = ui->cb_cycle_delay->isChecked() ? ui->spin_cycle_delay->value() : 0;
    const k7::frame_timing t = k7::check_timing(w, ui->spin_expo_first->value(),
                                                dual ? ui->spin_expo_second->value() : 0, period, delay);
    ui->lab_fps->setText(QString::number(t.frames_per_second));
    ui->lab_min_period->setText(QStringLiteral("%1 (%2)").arg(t.readout_period_us).arg(t.min_period_us));
    ui->spin_period->setStyleSheet(t.period_too_short ? invalid_style() : valid_style());
    ui->spin_cycle_delay->setStyleSheet(t.cycle_delay_too_long ? invalid_style() : valid_style());
}

void WSensorSettings::setting_edited()
{
    if (loading_)
        return;
    check_window_and_period();
    if (ui->cb_write_on_change->isChecked())
        ui->btn_write_memory->click();
    else
        clear_result();
}

// ---------------------------------------------------------------- check boxes

void WSensorSettings::on_cb_expo_second_toggled(bool checked)
{
    ui->spin_expo_second->setEnabled(checked);
    setting_edited();
}

void WSensorSettings::on_cb_fixed_period_toggled(bool checked)
{
    // A period of 1 means "not fixed", and the field shows it.
    switch_value(ui->spin_period, checked, 1, fixed_period_, true);
}

void WSensorSettings::on_cb_side_en_toggled(bool checked)
{
    ui->spin_side_thres->setEnabled(checked);
    setting_edited();
}

void WSensorSettings::on_cb_median_toggled(bool checked)
{
    ui->spin_median_window->setEnabled(checked);
    setting_edited();
}

void WSensorSettings::on_cb_black_level_toggled(bool checked)
{
    ui->spin_black_level->setEnabled(checked);
    setting_edited();
}

void WSensorSettings::on_cb_cycle_delay_toggled(bool checked)
{
    // A delay of 0 means "off"; the field keeps the last delay while off.
    switch_value(ui->spin_cycle_delay, checked, 0, cycle_delay_, false);
}

void WSensorSettings::switch_value(QSpinBox* box, bool on, int off_value, int& last_on_value,
                                   bool show_off_value)
{
    box->setEnabled(on);
    const QSignalBlocker block(box);
    if (!on) {
        if (box->value() != off_value)
            last_on_value = box->value();
        if (show_off_value)
            box->setValue(off_value);
    } else if (!loading_ && box->value() == off_value) {
        // Switching on with the "off" value would be undone by the record
        // shown after the write: the last value in use comes back.
        box->setValue(last_on_value);
    }
    setting_edited();
}

void WSensorSettings::on_slider_laser_brightness_valueChanged(int value)
{
    ui->spin_laser_brightness->setValue(value); // the spin box reports the edit
}

void WSensorSettings::on_spin_laser_brightness_valueChanged(int value)
{
    {
        const QSignalBlocker block(ui->slider_laser_brightness);
        ui->slider_laser_brightness->setValue(value);
    }
    setting_edited();
}

// ---------------------------------------------------------------- buttons

void WSensorSettings::on_btn_write_memory_clicked()
{
    mark_pressed(ui->btn_write_memory);
    const auto s = build_settings();
    if (!s) {
        show_result(false);
        return;
    }
    emit write_memory(*s);
}

void WSensorSettings::on_btn_read_memory_clicked()
{
    mark_pressed(ui->btn_read_memory);
    emit read_memory();
}

void WSensorSettings::on_btn_write_flash_clicked()
{
    mark_pressed(ui->btn_write_flash);
    const auto s = build_settings();
    if (!s) {
        show_result(false);
        return;
    }
    emit write_flash(*s);
}

void WSensorSettings::on_btn_read_flash_clicked()
{
    mark_pressed(ui->btn_read_flash);
    emit read_flash();
}

void WSensorSettings::on_btn_convolution_setup_clicked()
{
    if (!conv_->isVisible())
        conv_->show();
    conv_->raise();
    conv_->activateWindow();
}

void WSensorSettings::mark_pressed(QPushButton* button)
{
    if (last_button_ != nullptr && last_button_ != button)
        last_button_->setIcon(orvex::app::icons().empty);
    last_button_ = button;
    button->setIcon(orvex::app::icons().clock);
}

void WSensorSettings::show_result(bool ok)
{
    if (last_button_ != nullptr)
        last_button_->setIcon(ok ? orvex::app::icons().accept : orvex::app::icons().close);
}

void WSensorSettings::clear_result()
{
    if (last_button_ != nullptr)
        last_button_->setIcon(orvex::app::icons().empty);
    last_button_ = nullptr;
}

void WSensorSettings::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
