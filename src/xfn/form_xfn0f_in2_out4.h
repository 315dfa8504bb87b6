// FormXfn0F_in2_out4: panel of the discrete-output board (type 0x0F).
//
// 0xA5 reads the four outputs (4 bytes, non-zero = on); 0xA0 with 4 bytes
// (1 on, 0 off) sets them. The board keeps nothing in the extension block.
#pragma once

#include "xfn/xfn_common.h"

#include <QWidget>

namespace Ui {
class FormXfn0F_in2_out4;
}

class FormXfn0F_in2_out4 : public QWidget, public XFNCommonFunctions {
    Q_OBJECT
public:
    explicit FormXfn0F_in2_out4(QWidget* parent = nullptr);
    ~FormXfn0F_in2_out4() override;

    void form_to_block(orvex::xfn::ext_block&) override {}
    void block_to_form(const orvex::xfn::ext_block&) override {}

private slots:
    void on_btn_read_clicked();
    void on_btn_write_clicked();

private:
    Ui::FormXfn0F_in2_out4* ui;
};
