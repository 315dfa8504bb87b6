#include "xfn/form_xfn81_therm_enc.h"

#include "ui_form_xfn81_therm_enc.h"
#include "xfn/xfn_board.h"

#include <QMessageBox>

using namespace orvex::xfn;

FormXfn81ThermEnc::FormXfn81ThermEnc(QWidget* parent) : QWidget(parent), ui(new Ui::FormXfn81ThermEnc)
{
    ui->setupUi(this);
    ui->group_extra->hide();
}

FormXfn81ThermEnc::~FormXfn81ThermEnc()
{
    delete ui;
}

void FormXfn81ThermEnc::board_connected(const QString&)
{
    ui->btn_config_read->click();
}

void FormXfn81ThermEnc::form_to_block(ext_block& block)
{
    thermo_settings s;
    s.laser_control = ui->group_laser_control->isChecked();
    s.laser_low = ui->spin_laser_low->value();
    s.laser_high = ui->spin_laser_high->value();
    s.encoder_divider = std::uint16_t(ui->spin_encoder_divider->value());
    s.encoder_forw = ui->cb_encoder_forw->isChecked();
    s.encoder_back = ui->cb_encoder_back->isChecked();
    block = encode_thermo_block(s);
}

void FormXfn81ThermEnc::block_to_form(const ext_block& block)
{
    const thermo_settings s = decode_thermo_block(block);
    ui->group_laser_control->setChecked(s.laser_control);
    ui->spin_laser_low->setValue(s.laser_low);
    ui->spin_laser_high->setValue(s.laser_high);
    ui->spin_encoder_divider->setValue(s.encoder_divider);
    ui->cb_encoder_forw->setChecked(s.encoder_forw);
    ui->cb_encoder_back->setChecked(s.encoder_back);
}

void FormXfn81ThermEnc::poll()
{
    if (!ui->cb_temp_poll->isChecked())
        return;
    if (poll_clock_.isValid() && poll_clock_.elapsed() < 1000)
        return;
    poll_clock_.restart();
    ui->btn_read_temp->click();
}

void FormXfn81ThermEnc::simple_command(std::uint8_t opcode)
{
    auto* c = sensor();
    mark(sender(), c != nullptr && xfn_board(*c).command(opcode));
}

void FormXfn81ThermEnc::on_btn_read_temp_clicked()
{
    auto* c = sensor();
    std::vector<std::uint8_t> reply;
    const bool ok = c != nullptr && xfn_board(*c).command(0xA0, {}, 2, reply);
    if (ok)
        ui->lab_temp->setText(QString::number(decode_temperature(reply.data()), 'f', 2) + tr(" °C"));
    mark(ui->btn_read_temp, ok);
}

void FormXfn81ThermEnc::on_btn_conv_start_clicked()
{
    simple_command(0xA1);
}

void FormXfn81ThermEnc::on_btn_config_read_clicked()
{
    auto* c = sensor();
    std::vector<std::uint8_t> reply;
    const bool ok = c != nullptr && xfn_board(*c).command(0xA2, {}, 6, reply);
    if (ok) {
        const thermo_config cfg = decode_thermo_config(reply.data());
        QCheckBox* flags[] = {ui->cb_th_flag, ui->cb_tl_flag, ui->cb_nvm_busy, ui->cb_one_shot,
                              ui->cb_pol,     ui->cb_res_0,   ui->cb_res_1,    ui->cb_done};
        for (std::size_t i = 0; i < 8; ++i)
            flags[i]->setChecked(cfg.flags[i]);
        ui->spin_upper_limit->setValue(cfg.upper_limit);
        ui->spin_lower_limit->setValue(cfg.lower_limit);
    }
    mark(ui->btn_config_read, ok);
}

void FormXfn81ThermEnc::on_btn_config_write_clicked()
{
    thermo_config cfg;
    const QCheckBox* flags[] = {ui->cb_th_flag, ui->cb_tl_flag, ui->cb_nvm_busy, ui->cb_one_shot,
                                ui->cb_pol,     ui->cb_res_0,   ui->cb_res_1,    ui->cb_done};
    for (std::size_t i = 0; i < 8; ++i)
        cfg.flags[i] = flags[i]->isChecked();
    cfg.upper_limit = ui->spin_upper_limit->value();
    cfg.lower_limit = ui->spin_lower_limit->value();
    const auto raw = encode_thermo_config(cfg);
    auto* c = sensor();
    mark(ui->btn_config_write,
         c != nullptr && xfn_board(*c).command(0xA3, std::vector<std::uint8_t>(raw.begin(), raw.end())));
}

void FormXfn81ThermEnc::on_btn_settings_from_sensor_clicked()
{
    mark(ui->btn_settings_from_sensor, settings_read_memory());
}

void FormXfn81ThermEnc::on_btn_settings_to_sensor_clicked()
{
    mark(ui->btn_settings_to_sensor, settings_write_memory());
}

void FormXfn81ThermEnc::on_btn_settings_from_flash_clicked()
{
    mark(ui->btn_settings_from_flash, settings_read_flash());
}

void FormXfn81ThermEnc::on_btn_settings_to_flash_clicked()
{
    mark(ui->btn_settings_to_flash, settings_write_flash());
}

void FormXfn81ThermEnc::on_btn_encoder_reset_clicked()
{
    simple_command(0xAA);
}

void FormXfn81ThermEnc::on_btn_encoder_sync_reset_clicked()
{
    simple_command(0xAB);
}

void FormXfn81ThermEnc::on_btn_test_0_clicked()
{
    simple_command(0xA4);
}

void FormXfn81ThermEnc::on_btn_test_1_clicked()
{
    simple_command(0xA5);
}

void FormXfn81ThermEnc::on_cb_extra_settings_clicked(bool checked)
{
    ui->group_extra->setVisible(checked);
}

void FormXfn81ThermEnc::on_btn_help_clicked()
{
    QMessageBox::information(
        this, tr("Справка"),
        tr("Термостат: датчик температуры платы сравнивает температуру с верхней и нижней границей "
           "(кнопки \"Прочитать\" и \"Записать\" в группе \"Термостат\").\n"
           "Управление лазером: ниже нижнего порога плата выключает лазер, выше верхнего включает.\n"
           "Энкодер: делитель и направления счёта хранятся в настройках датчика (\"Прочитать\", "
           "\"Записать\", \"Из ПЗУ\", \"В ПЗУ\").\n"
           "\"Опрос\" читает температуру раз в секунду."));
}
