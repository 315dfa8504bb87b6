#include "xfn/form_xfn0f_in2_out4.h"

#include "ui_form_xfn0f_in2_out4.h"
#include "xfn/xfn_board.h"

using namespace orvex::xfn;

FormXfn0F_in2_out4::FormXfn0F_in2_out4(QWidget* parent) : QWidget(parent), ui(new Ui::FormXfn0F_in2_out4)
{
    ui->setupUi(this);
}

FormXfn0F_in2_out4::~FormXfn0F_in2_out4()
{
    delete ui;
}

void FormXfn0F_in2_out4::on_btn_read_clicked()
{
    auto* c = sensor();
    std::vector<std::uint8_t> reply;
    const bool ok = c != nullptr && xfn_board(*c).command(0xA5, {}, 4, reply);
    if (ok) {
        const auto on = decode_outputs(reply.data());
        QCheckBox* boxes[] = {ui->cb_out_1, ui->cb_out_2, ui->cb_out_3, ui->cb_out_4};
        for (std::size_t i = 0; i < 4; ++i)
            boxes[i]->setChecked(on[i]);
    }
    mark(ui->btn_read, ok);
}

void FormXfn0F_in2_out4::on_btn_write_clicked()
{
    const auto d = encode_outputs({ui->cb_out_1->isChecked(), ui->cb_out_2->isChecked(),
                                   ui->cb_out_3->isChecked(), ui->cb_out_4->isChecked()});
    auto* c = sensor();
    mark(ui->btn_write,
         c != nullptr && xfn_board(*c).command(0xA0, std::vector<std::uint8_t>(d.begin(), d.end())));
}
