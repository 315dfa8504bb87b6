// form_xfn_crawler: panel of the pipe crawler (extension board 0x80).
//
// It drives the program's one CrawlerDevice: opens its links to the sensor's
// address when the board connects, runs the live poll on the main timer
// while "Опрос" is checked (and while a motor command is on its way), sends
// the motor pulse widths while a motor button is held and the middle widths
// once when it is let go, starts a delayed measurement, reads the memory and
// single frames on the device's worker and follows their progress on the
// tick, and writes the exports into the current folder (the program's data
// folder): "data.txt", "kmrr_data_x.txt" / "kmrr_data_y.txt" and
// "crawler_images_N". The pulse widths and camera settings travel in the
// sensor's extension block; the pulse widths also in "SettingsCrawler.xml".
//
// The address of the further fixed-address link is the file's key
// fixed_link_address, read when the board connects (a missing file keeps the
// default); the rest of the file is read only by "Из файла".
#pragma once

#include "crawler/crawler_settings.h"
#include "xfn/xfn_common.h"

#include <QHash>
#include <QWidget>
#include <array>
#include <cstdint>

class QLabel;
class QSpinBox;

namespace Ui {
class form_xfn_crawler;
}

class form_xfn_crawler : public QWidget, public XFNCommonFunctions {
    Q_OBJECT
public:
    explicit form_xfn_crawler(QWidget* parent = nullptr);
    ~form_xfn_crawler() override;

    void board_connected(const QString& address) override;
    void form_to_block(orvex::xfn::ext_block& block) override;
    void block_to_form(const orvex::xfn::ext_block& block) override;
    void poll() override;
    void set_developer_mode(bool on) override;

private slots:
    void on_btn_cmd_0_clicked();
    void on_btn_cmd_1_clicked();
    void on_btn_cmd_2_clicked();
    void on_btn_cmd_3_clicked();
    void on_btn_settings_from_file_clicked();
    void on_btn_settings_to_file_clicked();
    void on_btn_settings_from_sensor_clicked();
    void on_btn_settings_to_sensor_clicked();
    void on_btn_settings_from_flash_clicked();
    void on_btn_settings_to_flash_clicked();
    void on_btn_encoders_reset_clicked();
    void on_btn_delayed_start_clicked();
    void btn_motor_pressed();
    void btn_motor_released();
    void on_btn_read_frame_clicked();
    void on_btn_read_frame_prev_clicked();
    void on_btn_read_frame_next_clicked();
    void on_btn_read_memory_clicked();
    void on_btn_get_state_clicked();
    void on_btn_kmrr_to_file_clicked();
    void on_btn_measures_to_file_clicked();
    void on_btn_images_to_files_clicked();
    void on_btn_test_0_clicked();

private:
    void board_command(std::uint8_t opcode);
    void live_poll();
    void show_live(bool answered);
    void follow_memory_read();
    void follow_frame_read();
    /// Decodes the memory image; a header out of range is said in the action line.
    bool decode_memory();
    void show_frame();
    /// The pulse spin boxes of motor 1 or 2, index 0..4 as the motor buttons.
    std::array<QSpinBox*, 5> pulse_boxes(int motor) const;
    /// Their pulse widths.
    std::array<std::uint16_t, 5> pulses(int motor) const;
    QString position_text(const char* label_name) const;

    Ui::form_xfn_crawler* ui;
    orvex::crawler::CrawlerSettings settings_;
    QHash<QLabel*, QString> placeholder_; // the .ui text of a raw label, shown for 0xFFFE
    int motor_held_ = -1;                 // index of the motor button down, or -1
    bool memory_reading_ = false;
    bool frame_reading_ = false;
};
