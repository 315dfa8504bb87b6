#include "xfn/form_xfn82.h"

#include "ui_form_xfn82.h"
#include "xfn/xfn_board.h"

using namespace orvex::xfn;

FormXfn82::FormXfn82(QWidget* parent) : QWidget(parent), ui(new Ui::FormXfn82)
{
    ui->setupUi(this);
    for (QCheckBox* b : {ui->cb_out_0, ui->cb_out_1, ui->cb_out_2, ui->cb_out_3, ui->cb_sync_with_expo,
                         ui->cb_full_brightness})
        connect(b, &QCheckBox::toggled, this, [this] { value_changed(); });
    for (QSpinBox* s : {ui->spin_pwm_0, ui->spin_pwm_1, ui->spin_pwm_2, ui->spin_pwm_3, ui->spin_prescaler})
        connect(s, qOverload<int>(&QSpinBox::valueChanged), this, [this] { value_changed(); });
    on_btn_par_mem_read_clicked();
}

FormXfn82::~FormXfn82()
{
    delete ui;
}

param_area FormXfn82::form_to_area() const
{
    weld_params p;
    p.outputs = {ui->cb_out_0->isChecked(), ui->cb_out_1->isChecked(), ui->cb_out_2->isChecked(),
                 ui->cb_out_3->isChecked()};
    p.pwm = {std::uint8_t(ui->spin_pwm_0->value()), std::uint8_t(ui->spin_pwm_1->value()),
             std::uint8_t(ui->spin_pwm_2->value()), std::uint8_t(ui->spin_pwm_3->value())};
    p.prescaler = std::uint16_t(ui->spin_prescaler->value());
    p.sync_with_expo = ui->cb_sync_with_expo->isChecked();
    p.full_brightness = ui->cb_full_brightness->isChecked();
    return encode_weld_params(p);
}

void FormXfn82::area_to_form(const param_area& a)
{
    const weld_params p = decode_weld_params(a);
    showing_ = true; // showing what the board holds is no change to write back
    QCheckBox* outs[] = {ui->cb_out_0, ui->cb_out_1, ui->cb_out_2, ui->cb_out_3};
    QSpinBox* pwm[] = {ui->spin_pwm_0, ui->spin_pwm_1, ui->spin_pwm_2, ui->spin_pwm_3};
    for (std::size_t i = 0; i < 4; ++i) {
        outs[i]->setChecked(p.outputs[i]);
        pwm[i]->setValue(p.pwm[i]);
    }
    ui->spin_prescaler->setValue(p.prescaler);
    ui->cb_sync_with_expo->setChecked(p.sync_with_expo);
    ui->cb_full_brightness->setChecked(p.full_brightness);
    showing_ = false;
}

void FormXfn82::value_changed()
{
    if (!showing_ && ui->cb_write_on_change->isChecked())
        on_btn_par_mem_write_clicked();
}

void FormXfn82::on_btn_par_mem_read_clicked()
{
    mark_exclusive(ui->btn_par_mem_read, area_read(false));
}

void FormXfn82::on_btn_par_mem_write_clicked()
{
    mark_exclusive(ui->btn_par_mem_write, area_write(false));
}

void FormXfn82::on_btn_par_flash_read_clicked()
{
    mark_exclusive(ui->btn_par_flash_read, area_read(true));
}

void FormXfn82::on_btn_par_flash_write_clicked()
{
    mark_exclusive(ui->btn_par_flash_write, area_write(true));
}
