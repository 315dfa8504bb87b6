// FormXfn51: panel of the tube board (type 0x51).
//
// 0xA0 with a channel mask (1, 2, 4; 0xFF for all) and three 16-bit widths
// drives the motors; 0xA4 resets the marks. While the panel is visible and
// "Опрос" is checked, the hub's timer tick reads the board's state (0xA5,
// 26 bytes: time, marks, three encoders, two angles; xfn_codecs.h) at most
// every 100 ms. The parameter buttons read the area without showing it and
// write an all-zero area (the board keeps nothing the panel edits there).
#pragma once

#include "xfn/xfn_common.h"

#include <QElapsedTimer>
#include <QWidget>

namespace Ui {
class FormXfn51_TubeBoard;
}

class FormXfn51 : public QWidget, public XFNCommonFunctions {
    Q_OBJECT
public:
    explicit FormXfn51(QWidget* parent = nullptr);
    ~FormXfn51() override;

    void form_to_block(orvex::xfn::ext_block&) override {}
    void block_to_form(const orvex::xfn::ext_block&) override {}

private slots:
    void on_btn_moto_write_1_clicked() { write_widths(1); }
    void on_btn_moto_write_2_clicked() { write_widths(2); }
    void on_btn_moto_write_3_clicked() { write_widths(4); }
    void on_btn_moto_stop_clicked();
    void on_btn_par_mem_read_clicked();
    void on_btn_par_mem_write_clicked();
    void on_btn_par_flash_read_clicked();
    void on_btn_par_flash_write_clicked();
    void on_btn_r_mark_reset_clicked();
    void timer_tick();

private:
    void write_widths(std::uint8_t mask);

    Ui::FormXfn51_TubeBoard* ui;
    QElapsedTimer poll_clock_;
};
