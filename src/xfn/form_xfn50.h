// FormXfn50: panel of the motors-and-encoders board (type 0x50), the same
// board as the calibration rig's control board, here behind the sensor.
//
// Its ExtBoard runs on the sensor's profile link, where the board's state
// replies (0xAF, 48 bytes) and its 0xA0 stream arrive; the coefficients are
// the six "steps per millimetre" spins, which follow the program settings.
// The parameter area starts with the maximum speeds of motors 1..3, then
// their accelerations (six signed 32-bit words), the rest zero. The panel
// keeps nothing in the settings block: form_to_block writes 32 zeros.
//
// Poll (every tick while visible and "Опрос" is checked): phase 0 sends the
// extended state request; phase 1, from 20 ms on, takes the reply and shows
// it, or after 200 ms without one shows a zeroed record as a failure.
#pragma once

#include "calibr/ext_board.h"
#include "xfn/xfn_common.h"

#include <QElapsedTimer>
#include <QWidget>
#include <array>
#include <memory>

class QDoubleSpinBox;

namespace Ui {
class FormXfn50_ExtBoard_v1;
}

class FormXfn50 : public QWidget, public XFNCommonFunctions {
    Q_OBJECT
public:
    explicit FormXfn50(QWidget* parent = nullptr);
    ~FormXfn50() override;

    void form_to_block(orvex::xfn::ext_block& block) override { block.fill(0); }
    void block_to_form(const orvex::xfn::ext_block&) override {}
    void area_to_form(const orvex::xfn::param_area& a) override;
    orvex::xfn::param_area form_to_area() const override;
    void poll() override;

    /// Shows a state record and marks the poll box with `success`.
    void moto_poll_callback(bool success, const orvex::k7::ExtBoardData& data);

private slots:
    void on_btn_par_mem_read_clicked();
    void on_btn_par_mem_write_clicked();
    void on_btn_par_flash_read_clicked();
    void on_btn_par_flash_write_clicked();
    void on_btn_goto_1_clicked() { go(0); }
    void on_btn_goto_2_clicked() { go(1); }
    void on_btn_goto_3_clicked() { go(2); }
    void on_btn_rel_left_1_clicked() { relative(0, -1); }
    void on_btn_rel_left_2_clicked() { relative(1, -1); }
    void on_btn_rel_left_3_clicked() { relative(2, -1); }
    void on_btn_rel_right_1_clicked() { relative(0, 1); }
    void on_btn_rel_right_2_clicked() { relative(1, 1); }
    void on_btn_rel_right_3_clicked() { relative(2, 1); }
    void on_btn_set_pos_1_clicked() { set_position(0); }
    void on_btn_set_pos_2_clicked() { set_position(1); }
    void on_btn_set_pos_3_clicked() { set_position(2); }
    void on_cb_stream_clicked(bool checked);
    void on_btn_user_write_clicked();
    void on_btn_r_mark_reset_clicked();
    void on_btn_emergency_stop_clicked();
    void on_btn_emergency_reset_clicked();
    void on_btn_user_byte_read_clicked();
    void on_btn_user_byte_write_clicked();
    void program_settings_changed();

private:
    /// The board on the connected sensor's link, or null without a sensor.
    orvex::k7::ExtBoard* board();
    void go(int channel);
    void relative(int channel, int sign);
    void set_position(int channel);
    void take_coefficients();

    Ui::FormXfn50_ExtBoard_v1* ui;
    std::unique_ptr<orvex::k7::ExtBoard> board_;
    int phase_ = 0;
    QElapsedTimer poll_clock_;
    std::array<QDoubleSpinBox*, 3> goto_{}, rel_{}, set_{}, coef_moto_{}, coef_enc_{};
};
