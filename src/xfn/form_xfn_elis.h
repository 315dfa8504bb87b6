// FormXFNElis: panel of the linear image sensor board ("ELIS", type 0x10).
//
// 0xA0 resets the board, 0xA1 initialises it, 0xA4 sets the manual analog
// output (2 bytes, percent). Exposure, read-out, period, cut, resolution and
// the analog output live in the sensor's extension block; the analog range
// uses the sensor's fractional-bit count N (xfn_codecs.h). The period is in
// microseconds; its frequency is shown beside it in kHz.
#pragma once

#include "xfn/xfn_common.h"

#include <QWidget>

namespace Ui {
class FormXFNElis;
}

class FormXFNElis : public QWidget, public XFNCommonFunctions {
    Q_OBJECT
public:
    explicit FormXFNElis(QWidget* parent = nullptr);
    ~FormXFNElis() override;

    void form_to_block(orvex::xfn::ext_block& block) override;
    void block_to_form(const orvex::xfn::ext_block& block) override;

private slots:
    void on_btn_cmd_0_clicked();
    void on_btn_cmd_1_clicked();
    void on_btn_analog_set_value_clicked();
    void on_btn_settings_read_memory_clicked();
    void on_btn_settings_write_memory_clicked();
    void on_btn_settings_read_flash_clicked();
    void on_btn_settings_write_flash_clicked();
    void on_spin_period_valueChanged(int value);

private:
    static int fraction_bits();

    Ui::FormXFNElis* ui;
};
