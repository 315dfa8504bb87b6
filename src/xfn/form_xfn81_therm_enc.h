// FormXfn81ThermEnc: panel of the thermostat and encoder board (type 0x81).
//
// Board commands: 0xA0 reads the temperature (2 bytes, signed, 1/256 degC),
// 0xA1 starts a conversion, 0xA2 / 0xA3 read and write the thermometer's
// 6-byte configuration (layout in xfn_codecs.h: flag byte, upper and lower
// limit), 0xAA / 0xAB reset the encoder and its synchronisation, 0xA4 / 0xA5
// are the board's test commands. The laser thresholds and the encoder set-up
// live in the sensor's extension block. The configuration is read when the
// board connects; the poll box reads the temperature once per second.
#pragma once

#include "xfn/xfn_common.h"

#include <QElapsedTimer>
#include <QWidget>

namespace Ui {
class FormXfn81ThermEnc;
}

class FormXfn81ThermEnc : public QWidget, public XFNCommonFunctions {
    Q_OBJECT
public:
    explicit FormXfn81ThermEnc(QWidget* parent = nullptr);
    ~FormXfn81ThermEnc() override;

    void board_connected(const QString& address) override;
    void form_to_block(orvex::xfn::ext_block& block) override;
    void block_to_form(const orvex::xfn::ext_block& block) override;
    void poll() override;

private slots:
    void on_btn_read_temp_clicked();
    void on_btn_conv_start_clicked();
    void on_btn_config_read_clicked();
    void on_btn_config_write_clicked();
    void on_btn_settings_from_sensor_clicked();
    void on_btn_settings_to_sensor_clicked();
    void on_btn_settings_from_flash_clicked();
    void on_btn_settings_to_flash_clicked();
    void on_btn_encoder_reset_clicked();
    void on_btn_encoder_sync_reset_clicked();
    void on_btn_test_0_clicked();
    void on_btn_test_1_clicked();
    void on_cb_extra_settings_clicked(bool checked);
    void on_btn_help_clicked();

private:
    /// A board command without payload or reply, marked on the sender.
    void simple_command(std::uint8_t opcode);

    Ui::FormXfn81ThermEnc* ui;
    QElapsedTimer poll_clock_;
};
