#include "xfn/form_xfn51.h"

#include "app/program.h"
#include "app/program_events.h"
#include "ui_form_xfn51_tube_board.h"
#include "xfn/xfn_board.h"

using namespace orvex::xfn;

FormXfn51::FormXfn51(QWidget* parent) : QWidget(parent), ui(new Ui::FormXfn51_TubeBoard)
{
    ui->setupUi(this);
    connect(&orvex::app::program_events(), &orvex::ProgramEvents::timer_tick, this, &FormXfn51::timer_tick);
}

FormXfn51::~FormXfn51()
{
    delete ui;
}

void FormXfn51::write_widths(std::uint8_t mask)
{
    const auto d = encode_tube_moto(mask, {std::uint16_t(ui->spin_moto_width_1->value()),
                                           std::uint16_t(ui->spin_moto_width_2->value()),
                                           std::uint16_t(ui->spin_moto_width_3->value())});
    auto* c = sensor();
    mark_exclusive(sender(), c != nullptr && xfn_board(*c).command(0xA0, {d.begin(), d.end()}));
}

void FormXfn51::on_btn_moto_stop_clicked()
{
    const auto d = encode_tube_moto(0xFF, {0, 0, 0});
    auto* c = sensor();
    mark_exclusive(ui->btn_moto_stop, c != nullptr && xfn_board(*c).command(0xA0, {d.begin(), d.end()}));
}

void FormXfn51::on_btn_par_mem_read_clicked()
{
    mark_exclusive(ui->btn_par_mem_read, area_read(false));
}

void FormXfn51::on_btn_par_mem_write_clicked()
{
    mark_exclusive(ui->btn_par_mem_write, area_write(false));
}

void FormXfn51::on_btn_par_flash_read_clicked()
{
    mark_exclusive(ui->btn_par_flash_read, area_read(true));
}

void FormXfn51::on_btn_par_flash_write_clicked()
{
    mark_exclusive(ui->btn_par_flash_write, area_write(true));
}

void FormXfn51::on_btn_r_mark_reset_clicked()
{
    auto* c = sensor();
    mark_exclusive(ui->btn_r_mark_reset, c != nullptr && xfn_board(*c).command(0xA4));
}

void FormXfn51::timer_tick()
{
    if (!isVisible() || !ui->cb_poll->isChecked())
        return;
    if (poll_clock_.isValid() && poll_clock_.elapsed() < 100)
        return;
    poll_clock_.restart();
    auto* c = sensor();
    std::vector<std::uint8_t> reply;
    const bool ok = c != nullptr && xfn_board(*c).command(0xA5, {}, tube_state_size, reply);
    if (ok) {
        const tube_state s = decode_tube_state(reply.data());
        ui->lab_time->setText(QString::number(s.time_us / 1000000.0, 'f', 6));
        ui->lab_enc_1->setText(QString::number(s.encoders[0]));
        ui->lab_enc_2->setText(QString::number(s.encoders[1]));
        ui->lab_enc_3->setText(QString::number(s.encoders[2]));
        ui->lab_marks->setText(
            QStringLiteral("%1 %2 %3").arg(int(s.marks[0])).arg(int(s.marks[1])).arg(int(s.marks[2])));
        ui->lab_angle->setText(QString::number(s.angles[0], 'f', 2));
        ui->lab_angle_2->setText(QString::number(s.angles[1], 'f', 2));
    }
    mark(ui->cb_poll, ok);
}
