#include "app/form_fast_settings.h"

#include "ui_form_fast_settings.h"

#include <QEvent>

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

void FormFastSettings::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
