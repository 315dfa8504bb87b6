#include "app/form_fast_settings.h"

#include "ui_form_fast_settings.h"

FormFastSettings::FormFastSettings(QWidget* parent) : QWidget(parent), ui(new Ui::FormFastSettings)
{
    ui->setupUi(this);
}

FormFastSettings::~FormFastSettings()
{
    delete ui;
}

void FormFastSettings::on_btn_close_clicked()
{
    close();
}
