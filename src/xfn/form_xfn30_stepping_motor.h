// FormXfn30_SteppingMotor: panel of the stepping-motor board (type 0x30).
//
// The step period lives in bytes 0-1 of the sensor's extension block (the
// rest zero). 0xA0 moves by a signed 32-bit step count, 0xA3 sets the speed
// (upper 40 bits of v * 2^40 / 10^6), 0xA4 the acceleration ((v * 2^20) /
// 10^6), 0xA5 with 1 / 0 starts / stops. Position poll: while its box is
// checked, 0xA2 once per second answers the position as a signed 32-bit step
// count, shown in lab_pos_steps.
#pragma once

#include "xfn/xfn_common.h"

#include <QElapsedTimer>
#include <QWidget>

namespace Ui {
class FormXfn30_SteppingMotor;
}

class FormXfn30_SteppingMotor : public QWidget, public XFNCommonFunctions {
    Q_OBJECT
public:
    explicit FormXfn30_SteppingMotor(QWidget* parent = nullptr);
    ~FormXfn30_SteppingMotor() override;

    void form_to_block(orvex::xfn::ext_block& block) override;
    void block_to_form(const orvex::xfn::ext_block& block) override;
    void poll() override;

private slots:
    void on_btn_settings_read_clicked();
    void on_btn_settings_write_clicked();
    void on_btn_go_steps_clicked();
    void on_btn_speed_write_clicked();
    void on_btn_acceleration_write_clicked();
    void on_btn_start_clicked();
    void on_btn_stop_clicked();

private:
    void send(std::uint8_t opcode, const std::vector<std::uint8_t>& payload);

    Ui::FormXfn30_SteppingMotor* ui;
    QElapsedTimer poll_clock_;
};
