#include "xfn/form_xfn50.h"

#include "app/program.h"
#include "app/program_events.h"
#include "app/program_settings.h"
#include "link/sensor_device.h"
#include "ui_form_xfn50_ext_board_v1.h"
#include "xfn/xfn_board.h"

using namespace orvex::xfn;
using orvex::k7::ExtBoardData;

FormXfn50::FormXfn50(QWidget* parent) : QWidget(parent), ui(new Ui::FormXfn50_ExtBoard_v1)
{
    ui->setupUi(this);
    goto_ = {ui->spin_goto_pos_1, ui->spin_goto_pos_2, ui->spin_goto_pos_3};
    rel_ = {ui->spin_rel_pos_1, ui->spin_rel_pos_2, ui->spin_rel_pos_3};
    set_ = {ui->spin_set_pos_1, ui->spin_set_pos_2, ui->spin_set_pos_3};
    coef_moto_ = {ui->spin_coef_moto_1, ui->spin_coef_moto_2, ui->spin_coef_moto_3};
    coef_enc_ = {ui->spin_coef_enc_1, ui->spin_coef_enc_2, ui->spin_coef_enc_3};
    program_settings_changed();
    for (QDoubleSpinBox* s : coef_moto_)
        connect(s, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this] { take_coefficients(); });
    for (QDoubleSpinBox* s : coef_enc_)
        connect(s, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this] { take_coefficients(); });
    connect(&orvex::app::program_events(), &orvex::ProgramEvents::program_settings_changed, this,
            &FormXfn50::program_settings_changed);
}

FormXfn50::~FormXfn50()
{
    delete ui;
}

void FormXfn50::program_settings_changed()
{
    const auto& s = orvex::app::program_settings();
    for (std::size_t i = 0; i < 3; ++i) {
        coef_moto_[i]->setValue(s.coef_moto[i]);
        coef_enc_[i]->setValue(s.coef_enc[i]);
    }
    take_coefficients();
}

void FormXfn50::take_coefficients()
{
    if (!board_)
        return;
    orvex::k7::ExtBoardCoefficients c;
    for (std::size_t i = 0; i < 3; ++i) {
        c.motor[i] = coef_moto_[i]->value();
        c.encoder[i] = coef_enc_[i]->value();
    }
    board_->set_coefficients(c);
}

orvex::k7::ExtBoard* FormXfn50::board()
{
    auto& first = orvex::app::device(0);
    if (!first.is_connected())
        return nullptr;
    if (!board_) {
        board_ = std::make_unique<orvex::k7::ExtBoard>(first.link(orvex::k7::link_profile));
        board_->set_poll_callback([this](bool ok, const ExtBoardData& d) { moto_poll_callback(ok, d); });
        take_coefficients();
    }
    return board_.get();
}

void FormXfn50::poll()
{
    orvex::k7::ExtBoard* b = board();
    if (b == nullptr)
        return;
    if (ui->cb_stream->isChecked()) {
        bool any = false;
        while (b->collect_state())
            any = true;
        if (any)
            moto_poll_callback(true, b->state());
    }
    if (!isVisible() || !ui->cb_poll->isChecked())
        return;
    if (phase_ == 0) {
        b->request_extended_state();
        poll_clock_.restart();
        phase_ = 1;
        return;
    }
    if (poll_clock_.elapsed() < 20)
        return;
    if (b->collect_extended_state()) {
        b->callback()(true, b->extended_state());
        phase_ = 0;
    } else if (poll_clock_.elapsed() > 200) {
        b->callback()(false, ExtBoardData{});
        phase_ = 0;
    }
}

void FormXfn50::moto_poll_callback(bool success, const ExtBoardData& d)
{
    QCheckBox* switches[] = {ui->cb_switch_1, ui->cb_switch_2, ui->cb_switch_3,
                             ui->cb_switch_4, ui->cb_switch_5, ui->cb_switch_6};
    for (std::size_t i = 0; i < 6; ++i)
        switches[i]->setChecked(d.flag_bits[i]);
    ui->lab_time->setText(QString::number(d.time / 1000000.0, 'f', 6));
    QLabel* moto[] = {ui->lab_moto_1, ui->lab_moto_2, ui->lab_moto_3};
    QLabel* enc[] = {ui->lab_enc_1, ui->lab_enc_2, ui->lab_enc_3};
    QLabel* mark_labels[] = {ui->lab_r_mark_data_1, ui->lab_r_mark_data_2, ui->lab_r_mark_data_3};
    for (std::size_t i = 0; i < 3; ++i) {
        moto[i]->setText(QString::number(d.motor_position[i]));
        enc[i]->setText(QString::number(d.encoder_position[i]));
        mark_labels[i]->setText(QString::number(d.mark_position[i]));
    }
    mark(ui->cb_poll, success);
}

param_area FormXfn50::form_to_area() const
{
    motor_params p;
    p.speed = {ui->spin_speed_1->value(), ui->spin_speed_2->value(), ui->spin_speed_3->value()};
    p.acceleration = {ui->spin_acceleration_1->value(), ui->spin_acceleration_2->value(),
                      ui->spin_acceleration_3->value()};
    return encode_motor_params(p);
}

void FormXfn50::area_to_form(const param_area& a)
{
    const motor_params p = decode_motor_params(a);
    QSpinBox* speed[] = {ui->spin_speed_1, ui->spin_speed_2, ui->spin_speed_3};
    QSpinBox* acc[] = {ui->spin_acceleration_1, ui->spin_acceleration_2, ui->spin_acceleration_3};
    for (std::size_t i = 0; i < 3; ++i) {
        speed[i]->setValue(p.speed[i]);
        acc[i]->setValue(p.acceleration[i]);
    }
}

void FormXfn50::on_btn_par_mem_read_clicked()
{
    mark_exclusive(ui->btn_par_mem_read, area_read(false));
}

void FormXfn50::on_btn_par_mem_write_clicked()
{
    mark_exclusive(ui->btn_par_mem_write, area_write(false));
}

void FormXfn50::on_btn_par_flash_read_clicked()
{
    mark_exclusive(ui->btn_par_flash_read, area_read(true));
}

void FormXfn50::on_btn_par_flash_write_clicked()
{
    mark_exclusive(ui->btn_par_flash_write, area_write(true));
}

void FormXfn50::go(int channel)
{
    auto* b = board();
    mark(sender(), b != nullptr && b->move(channel, goto_[std::size_t(channel)]->value()));
}

void FormXfn50::relative(int channel, int sign)
{
    // The goto spin steps first, so repeated clicks go further each time.
    QDoubleSpinBox* target = goto_[std::size_t(channel)];
    target->setValue(target->value() + sign * rel_[std::size_t(channel)]->value());
    auto* b = board();
    mark(sender(), b != nullptr && b->move(channel, target->value()));
}

void FormXfn50::set_position(int channel)
{
    auto* b = board();
    mark(sender(), b != nullptr && b->set_position(channel, set_[std::size_t(channel)]->value()));
}

void FormXfn50::on_cb_stream_clicked(bool checked)
{
    auto* b = board();
    mark(ui->cb_stream, b != nullptr && b->stream(checked));
}

void FormXfn50::on_btn_user_write_clicked()
{
    auto* b = board();
    mark(ui->btn_user_write,
         b != nullptr && b->user_outputs(ui->cb_user_out_1->isChecked(), ui->cb_user_out_2->isChecked()));
}

void FormXfn50::on_btn_r_mark_reset_clicked()
{
    auto* b = board();
    mark(ui->btn_r_mark_reset, b != nullptr && b->reset_marks());
}

void FormXfn50::on_btn_emergency_stop_clicked()
{
    auto* b = board();
    mark(ui->btn_emergency_stop, b != nullptr && b->emergency_stop(true));
}

void FormXfn50::on_btn_emergency_reset_clicked()
{
    auto* b = board();
    mark(ui->btn_emergency_reset, b != nullptr && b->emergency_stop(false));
}

void FormXfn50::on_btn_user_byte_read_clicked()
{
    auto* c = sensor();
    std::uint8_t v = 0;
    const bool ok = c != nullptr && xfn_board(*c).read_user_byte(v);
    if (ok)
        ui->spin_user_byte->setValue(v);
    mark(ui->btn_user_byte_read, ok);
}

void FormXfn50::on_btn_user_byte_write_clicked()
{
    auto* c = sensor();
    mark(ui->btn_user_byte_write,
         c != nullptr && xfn_board(*c).write_user_byte(std::uint8_t(ui->spin_user_byte->value())));
}
