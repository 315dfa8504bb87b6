#include "xfn/form_xfn40_led_pwm.h"

#include "ui_form_xfn40_led_pwm.h"
#include "xfn/xfn_board.h"

#include <QSignalBlocker>

using namespace orvex::xfn;

FormXfn40_LedPwm::FormXfn40_LedPwm(QWidget* parent) : QWidget(parent), ui(new Ui::FormXfn40_LedPwm)
{
    ui->setupUi(this);
}

FormXfn40_LedPwm::~FormXfn40_LedPwm()
{
    delete ui;
}

void FormXfn40_LedPwm::form_to_block(ext_block& block)
{
    led_settings s;
    s.sync_with_vita = ui->cb_sync_with_vita->isChecked();
    s.period_mult = std::uint16_t(ui->spin_period_mult->value());
    const QSlider* sliders[] = {ui->slider_pwm_1, ui->slider_pwm_2, ui->slider_pwm_3, ui->slider_pwm_4};
    for (std::size_t i = 0; i < 4; ++i)
        s.pwm[i] = std::uint8_t(sliders[i]->value());
    encode_led_block(s, block);
}

void FormXfn40_LedPwm::block_to_form(const ext_block& block)
{
    const led_settings s = decode_led_block(block);
    QSlider* sliders[] = {ui->slider_pwm_1, ui->slider_pwm_2, ui->slider_pwm_3, ui->slider_pwm_4};
    for (std::size_t i = 0; i < 4; ++i) {
        const QSignalBlocker block_signals(sliders[i]);
        sliders[i]->setValue(s.pwm[i]);
    }
    const QSignalBlocker b1(ui->spin_period_mult);
    ui->spin_period_mult->setValue(s.period_mult);
    const QSignalBlocker b2(ui->cb_sync_with_vita);
    ui->cb_sync_with_vita->setChecked(s.sync_with_vita);
}

void FormXfn40_LedPwm::on_btn_settings_read_clicked()
{
    mark_exclusive(ui->btn_settings_read, settings_read_memory());
}

void FormXfn40_LedPwm::on_btn_settings_write_clicked()
{
    mark_exclusive(ui->btn_settings_write, settings_write_memory());
}

void FormXfn40_LedPwm::on_btn_flash_read_clicked()
{
    mark_exclusive(ui->btn_flash_read, settings_read_flash());
}

void FormXfn40_LedPwm::on_btn_flash_write_clicked()
{
    mark_exclusive(ui->btn_flash_write, settings_write_flash());
}

void FormXfn40_LedPwm::switch_leds(std::uint8_t value)
{
    auto* c = sensor();
    mark_exclusive(sender(), c != nullptr && xfn_board(*c).command(0xA1, {value}));
}

void FormXfn40_LedPwm::on_btn_on_clicked()
{
    switch_leds(255);
}

void FormXfn40_LedPwm::on_btn_off_clicked()
{
    switch_leds(0);
}
