#include "xfn/form_xfn_elis.h"

#include "link/sensor_commands.h"
#include "ui_form_xfn_elis.h"
#include "xfn/xfn_board.h"

using namespace orvex::xfn;

namespace {
// Analog output types by combo index.
const std::uint8_t output_types[] = {6, 5, 1};
} // namespace

FormXFNElis::FormXFNElis(QWidget* parent) : QWidget(parent), ui(new Ui::FormXFNElis)
{
    ui->setupUi(this);
    on_spin_period_valueChanged(ui->spin_period->value());
}

FormXFNElis::~FormXFNElis()
{
    delete ui;
}

int FormXFNElis::fraction_bits()
{
    auto* c = sensor();
    return c ? c->info().shift : 5;
}

void FormXFNElis::form_to_block(ext_block& block)
{
    elis_settings s;
    s.expo_max = std::uint16_t(ui->spin_expo_max->value());
    s.readout_time = std::uint16_t(ui->spin_readout_time->value());
    s.period = std::uint16_t(ui->spin_period->value());
    s.cut_x4 = std::uint8_t(ui->spin_cut_x4->value());
    s.resolution_index = ui->combo_resolution->currentIndex();
    s.aec = ui->cb_aec_en->isChecked();
    s.rolling_shutter = ui->cb_rolling_shutter->isChecked();
    s.output_type = output_types[std::max(0, ui->combo_output_type->currentIndex())];
    s.manual_output = ui->group_analog_manual->isChecked();
    s.range_low = ui->spin_analog_min->value();
    s.range_high = ui->spin_analog_max->value();
    block = encode_elis_block(s, fraction_bits());
}

void FormXFNElis::block_to_form(const ext_block& block)
{
    const elis_settings s = decode_elis_block(block, fraction_bits());
    ui->spin_expo_max->setValue(s.expo_max);
    ui->spin_readout_time->setValue(s.readout_time);
    ui->spin_period->setValue(s.period);
    ui->spin_cut_x4->setValue(s.cut_x4);
    ui->combo_resolution->setCurrentIndex(s.resolution_index);
    ui->cb_aec_en->setChecked(s.aec);
    ui->cb_rolling_shutter->setChecked(s.rolling_shutter);
    for (int i = 0; i < 3; ++i)
        if (output_types[i] == s.output_type)
            ui->combo_output_type->setCurrentIndex(i);
    ui->group_analog_manual->setChecked(s.manual_output);
    ui->spin_analog_min->setValue(s.range_low);
    ui->spin_analog_max->setValue(s.range_high);
}

void FormXFNElis::on_spin_period_valueChanged(int value)
{
    ui->lab_frequency->setText(value > 0 ? QString::number(1000.0 / value, 'f', 3) + tr(" кГц")
                                         : QStringLiteral("---"));
}

void FormXFNElis::on_btn_cmd_0_clicked()
{
    auto* c = sensor();
    mark(ui->btn_cmd_0, c != nullptr && xfn_board(*c).command(0xA0));
}

void FormXFNElis::on_btn_cmd_1_clicked()
{
    auto* c = sensor();
    mark(ui->btn_cmd_1, c != nullptr && xfn_board(*c).command(0xA1));
}

void FormXFNElis::on_btn_analog_set_value_clicked()
{
    const auto v = std::uint16_t(ui->spin_analog_value->value());
    auto* c = sensor();
    mark(ui->btn_analog_set_value,
         c != nullptr && xfn_board(*c).command(0xA4, {std::uint8_t(v >> 8), std::uint8_t(v)}));
}

void FormXFNElis::on_btn_settings_read_memory_clicked()
{
    mark(ui->btn_settings_read_memory, settings_read_memory());
}

void FormXFNElis::on_btn_settings_write_memory_clicked()
{
    mark(ui->btn_settings_write_memory, settings_write_memory());
}

void FormXFNElis::on_btn_settings_read_flash_clicked()
{
    mark(ui->btn_settings_read_flash, settings_read_flash());
}

void FormXFNElis::on_btn_settings_write_flash_clicked()
{
    mark(ui->btn_settings_write_flash, settings_write_flash());
}
