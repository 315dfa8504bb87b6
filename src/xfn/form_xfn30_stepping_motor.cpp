#include "xfn/form_xfn30_stepping_motor.h"

#include "link/byte_order.h"
#include "ui_form_xfn30_stepping_motor.h"
#include "xfn/xfn_board.h"

using namespace orvex::xfn;

FormXfn30_SteppingMotor::FormXfn30_SteppingMotor(QWidget* parent)
    : QWidget(parent),
      ui(new Ui::FormXfn30_SteppingMotor)
{
    ui->setupUi(this);
}

FormXfn30_SteppingMotor::~FormXfn30_SteppingMotor()
{
    delete ui;
}

void FormXfn30_SteppingMotor::form_to_block(ext_block& block)
{
    block = encode_stepper_block(std::uint16_t(ui->spin_period->value()));
}

void FormXfn30_SteppingMotor::block_to_form(const ext_block& block)
{
    ui->spin_period->setValue(decode_stepper_block(block));
}

void FormXfn30_SteppingMotor::poll()
{
    if (!ui->cb_pos_poll->isChecked() || (poll_clock_.isValid() && poll_clock_.elapsed() < 1000))
        return;
    poll_clock_.restart();
    auto* c = sensor();
    std::vector<std::uint8_t> reply;
    const bool ok = c != nullptr && xfn_board(*c).command(0xA2, {}, 4, reply);
    if (ok)
        ui->lab_pos_steps->setText(
            QString::number(static_cast<std::int32_t>(orvex::bytes::get_be32(reply.data()))));
    mark(ui->cb_pos_poll, ok);
}

void FormXfn30_SteppingMotor::send(std::uint8_t opcode, const std::vector<std::uint8_t>& payload)
{
    auto* c = sensor();
    mark(sender(), c != nullptr && xfn_board(*c).command(opcode, payload));
}

void FormXfn30_SteppingMotor::on_btn_settings_read_clicked()
{
    mark(ui->btn_settings_read, settings_read_memory());
}

void FormXfn30_SteppingMotor::on_btn_settings_write_clicked()
{
    mark(ui->btn_settings_write, settings_write_memory());
}

void FormXfn30_SteppingMotor::on_btn_go_steps_clicked()
{
    const auto d = encode_stepper_steps(ui->spin_go_steps->value());
    send(0xA0, {d.begin(), d.end()});
}

void FormXfn30_SteppingMotor::on_btn_speed_write_clicked()
{
    const auto d = encode_stepper_speed(ui->spin_speed->value());
    send(0xA3, {d.begin(), d.end()});
}

void FormXfn30_SteppingMotor::on_btn_acceleration_write_clicked()
{
    const auto d = encode_stepper_acceleration(ui->spin_acceleration->value());
    send(0xA4, {d.begin(), d.end()});
}

void FormXfn30_SteppingMotor::on_btn_start_clicked()
{
    send(0xA5, {1});
}

void FormXfn30_SteppingMotor::on_btn_stop_clicked()
{
    send(0xA5, {0});
}
