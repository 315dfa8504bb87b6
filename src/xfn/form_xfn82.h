// FormXfn82: panel of the welding board (type 0x82).
//
// Its outputs, LED brightnesses, prescaler and flags live in the board's own
// parameter area (layout in xfn_codecs.h), read and written whole; the panel
// reads them once when it is created. With "Автозапись при изменении" every
// change of a value writes the area to the board's working memory at once.
// Nothing is kept in the sensor's settings block.
#pragma once

#include "xfn/xfn_common.h"

#include <QWidget>

namespace Ui {
class FormXfn82;
}

class FormXfn82 : public QWidget, public XFNCommonFunctions {
    Q_OBJECT
public:
    explicit FormXfn82(QWidget* parent = nullptr);
    ~FormXfn82() override;

    void form_to_block(orvex::xfn::ext_block&) override {}
    void block_to_form(const orvex::xfn::ext_block&) override {}
    void area_to_form(const orvex::xfn::param_area& a) override;
    orvex::xfn::param_area form_to_area() const override;

private slots:
    void on_btn_par_mem_read_clicked();
    void on_btn_par_mem_write_clicked();
    void on_btn_par_flash_read_clicked();
    void on_btn_par_flash_write_clicked();

private:
    void value_changed();

    Ui::FormXfn82* ui;
    bool showing_ = false;
};
