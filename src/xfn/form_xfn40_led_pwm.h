// FormXfn40_LedPwm: panel of the LED driver board (type 0x40).
//
// The four brightnesses, the period multiplier and the synchronisation with
// the image sensor live in bytes 0..7 of the sensor's extension block; the
// other bytes of the block keep what the record held. 0xA1 with 255 / 0
// switches the LEDs on / off. Every button is marked exclusively.
#pragma once

#include "xfn/xfn_common.h"

#include <QWidget>

namespace Ui {
class FormXfn40_LedPwm;
}

class FormXfn40_LedPwm : public QWidget, public XFNCommonFunctions {
    Q_OBJECT
public:
    explicit FormXfn40_LedPwm(QWidget* parent = nullptr);
    ~FormXfn40_LedPwm() override;

    void form_to_block(orvex::xfn::ext_block& block) override;
    void block_to_form(const orvex::xfn::ext_block& block) override;

private slots:
    void on_btn_settings_read_clicked();
    void on_btn_settings_write_clicked();
    void on_btn_flash_read_clicked();
    void on_btn_flash_write_clicked();
    void on_btn_on_clicked();
    void on_btn_off_clicked();

private:
    void switch_leds(std::uint8_t value);

    Ui::FormXfn40_LedPwm* ui;
};
