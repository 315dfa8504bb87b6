#include "flash/form_flash.h"

#include "app/program.h"
#include "flash/flash_protection.h"
#include "link/flash_commands.h"
#include "link/sensor_device.h"
#include "ui_form_flash.h"

#include <QEvent>

namespace app = orvex::app;
namespace k7 = orvex::k7;

namespace {

k7::flash_commands& first_flash()
{
    return app::device(0).flash();
}

} // namespace

FormFlash::FormFlash(QWidget* parent) : QWidget(parent), ui(new Ui::FormFlash)
{
    ui->setupUi(this);
    // Every block the scan lists can be chosen, the identification record's block 127 too.
    ui->spin_sector_lock->setRange(0, k7::protection_block_count - 1);
}

FormFlash::~FormFlash()
{
    delete ui;
}

void FormFlash::set_result(QAbstractButton* button, bool ok)
{
    button->setIcon(ok ? app::icons().accept : app::icons().close);
}

void FormFlash::on_btn_status_read_clicked()
{
    ui->list_sectors_unlocked->clear();
    ui->list_sectors_locked->clear();
    ui->btn_status_read->setIcon(app::icons().clock);
    ui->btn_status_read->repaint();
    const auto scan = k7::scan_block_locks(
        first_flash(), 0, k7::protection_block_count - 1, [this](int block, bool locked) {
            (locked ? ui->list_sectors_locked : ui->list_sectors_unlocked)->addItem(QString::number(block));
        });
    set_result(ui->btn_status_read, scan.complete);
}

void FormFlash::on_btn_sector_lock_clicked()
{
    set_result(ui->btn_sector_lock,
               first_flash().lock_block(static_cast<std::uint8_t>(ui->spin_sector_lock->value())));
}

void FormFlash::on_btn_sector_unlock_clicked()
{
    set_result(ui->btn_sector_unlock,
               first_flash().unlock_block(static_cast<std::uint8_t>(ui->spin_sector_lock->value())));
}

void FormFlash::on_btn_per_sector_lock_clicked()
{
    set_result(ui->btn_per_sector_lock, k7::set_individual_protection(first_flash(), true));
}

void FormFlash::on_btn_per_sector_lock_remove_clicked()
{
    set_result(ui->btn_per_sector_lock_remove, k7::set_individual_protection(first_flash(), false));
}

void FormFlash::on_btn_unique_id_clicked()
{
    std::uint64_t id = 0;
    const bool ok = first_flash().read_unique_id(id);
    set_result(ui->btn_unique_id, ok);
    ui->btn_unique_id->setText(QString::fromStdString(k7::hex_text(ok ? id : 0)));
    unique_id_read_ = true;
}

void FormFlash::on_btn_status3_read_clicked()
{
    std::uint8_t value = 0;
    const bool ok = first_flash().read_status3(value);
    set_result(ui->btn_status3_read, ok);
    if (ok) {
        ui->btn_status3_read->setText(QString::fromStdString(k7::hex_text(value)));
        status3_read_ = true;
    }
}

void FormFlash::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        // Buttons that show a value read from the flash keep it.
        const QString id = ui->btn_unique_id->text();
        const QString status3 = ui->btn_status3_read->text();
        ui->retranslateUi(this);
        if (unique_id_read_)
            ui->btn_unique_id->setText(id);
        if (status3_read_)
            ui->btn_status3_read->setText(status3);
    }
    QWidget::changeEvent(event);
}
