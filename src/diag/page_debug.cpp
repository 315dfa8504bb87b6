#include "diag/page_debug.h"

#include "app/program.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "diag/recovery_check.h"
#include "diag/register_dump.h"
#include "diag/vita_init_block.h"
#include "flash/flash_programming.h"
#include "link/flash_commands.h"
#include "link/sensor_device.h"
#include "ui_page_debug.h"

#include <QEvent>
#include <QMessageBox>
#include <chrono>
#include <filesystem>

namespace app = orvex::app;
namespace diag = orvex::diag;
namespace k7 = orvex::k7;

namespace {

k7::flash_commands& first_flash()
{
    return app::device(0).flash();
}

void show_message(const QString& text)
{
    if (Quorin* window = app::main_window())
        window->show_message(text);
}

} // namespace

PageDebug::PageDebug(QWidget* parent) : QWidget(parent), ui(new Ui::PageDebug)
{
    ui->setupUi(this);
}

PageDebug::~PageDebug()
{
    delete ui;
}

void PageDebug::set_result(QAbstractButton* button, bool ok)
{
    button->setIcon(ok ? app::icons().accept : app::icons().close);
}

void PageDebug::on_btnBitstreamVitaRegRead_clicked()
{
    std::uint16_t value = 0;
    const auto address = static_cast<std::uint16_t>(ui->spinBitstreamVitaRegReadAddr->value());
    const bool ok = first_flash().read_register(address, value);
    set_result(ui->btnBitstreamVitaRegRead, ok);
    register_value_ = ok ? QString::number(value, 16) : QStringLiteral("ERR");
    ui->labBitstreamVitaRegValue->setText(register_value_);
}

void PageDebug::on_btnBitstreamVitaRegWrite_clicked()
{
    std::uint16_t value = 0;
    if (!diag::parse_register_value(ui->editBitstreamVitaRegWriteValue->text().toStdString(), value)) {
        QMessageBox::critical(this, QString(), tr("Неправильное число"));
        return;
    }
    const auto address = static_cast<std::uint16_t>(ui->spinBitstreamVitaRegReadAddr->value());
    set_result(ui->btnBitstreamVitaRegWrite, first_flash().write_register(address, value));
}

void PageDebug::on_btnRegistersToFile_clicked()
{
    QAbstractButton* button = ui->btnRegistersToFile;
    QLabel* state = ui->labRegistersState;
    button->setIcon(app::icons().clock);
    const bool started = app::start_page_task(dump_task_id, [this, button, state](auto& yield) {
        auto& flash = first_flash();
        const auto result = diag::dump_registers(
            diag::register_dump_file_name,
            [&flash](std::uint16_t a, std::uint16_t& v) { return flash.read_register(a, v); },
            [&](int address) {
                dump_state_ = tr("Регистр ") + QString::number(address);
                state->setText(dump_state_);
                yield();
            });
        switch (result) {
        case diag::dump_result::done:
            dump_state_ = tr("Чтение завершено успешно");
            break;
        case diag::dump_result::open_failed:
            dump_state_ = tr("Не удалось открыть файл");
            break;
        case diag::dump_result::read_failed:
            dump_state_ = tr("Ошибка");
            break;
        }
        state->setText(dump_state_);
        set_result(button, result == diag::dump_result::done);
    });
    if (!started)
        show_message(tr("Чтение регистров уже идет"));
}

void PageDebug::on_btnVitaPowerOff_clicked()
{
    set_result(ui->btnVitaPowerOff, first_flash().sensor_power_off());
}

void PageDebug::on_btnVitaPowerOn_clicked()
{
    set_result(ui->btnVitaPowerOn, first_flash().sensor_power_on());
}

void PageDebug::on_btnVitaPowerRestart_clicked()
{
    QAbstractButton* button = ui->btnVitaPowerRestart;
    if (app::page_task_list().running(restart_task_id)) {
        show_message(tr("Перезапуск питания уже идет"));
        return;
    }
    set_result(button, first_flash().sensor_power_off());
    const auto pause = std::chrono::duration<double>(ui->spinVitaRestartTimer->value());
    const auto start = std::chrono::steady_clock::now();
    app::start_page_task(restart_task_id, [button, pause, start](auto& yield) {
        while (std::chrono::steady_clock::now() - start < pause)
            yield();
        set_result(button, first_flash().sensor_power_on());
    });
}

void PageDebug::on_btnBitstreamInitRegisters_clicked()
{
    QAbstractButton* button = ui->btnBitstreamInitRegisters;
    auto& flash = first_flash();
    if (flash.jobs().busy()) {
        show_message(tr("Флеш занята другой операцией"));
        set_result(button, false);
        return;
    }
    std::vector<std::uint8_t> block;
    if (!k7::build_vita_init_block(app::version_string.toStdString(), block)) {
        show_message(tr("Строка версии программы слишком длинная"));
        set_result(button, false);
        return;
    }
    button->setIcon(app::icons().clock);
    // Flash-work mode before the write, measuring mode after its final report.
    const bool started = k7::start_programming(flash, k7::vita_init_block_address, block.data(), block.size(),
                                               [button](const k7::flash_status& s) {
                                                   show_message(QString::fromStdString(s.text));
                                                   if (s.finished)
                                                       set_result(button, s.success);
                                               });
    if (!started)
        set_result(button, false);
}

void PageDebug::on_btn_flash_protection_info_clicked()
{
    bool individual = false;
    QAbstractButton* button = ui->btn_flash_protection_info;
    if (!first_flash().read_wps(individual))
        button->setIcon(app::icons().close);
    else
        button->setIcon(individual ? app::icons().accept : app::icons().warning);
}

void PageDebug::on_btn_flash_protection_fix_clicked()
{
    set_result(ui->btn_flash_protection_fix, first_flash().write_wps(true));
    ui->btn_flash_protection_info->click();
}

void PageDebug::on_btn_bitstream_recovery_info_clicked()
{
    QAbstractButton* button = ui->btn_bitstream_recovery_info;
    const auto file = std::filesystem::u8path(app::program_settings().recovery_image_file);
    std::vector<std::uint8_t> reference;
    if (!diag::read_recovery_reference(file, reference)) {
        QMessageBox::critical(this, tr("Ошибка"), tr("Не найден файл аварийной прошивки"));
        return;
    }
    std::array<std::uint8_t, diag::recovery_compare_bytes> flash{};
    if (!diag::read_recovery_flash(first_flash(), flash)) {
        button->setIcon(app::icons().close);
        return;
    }
    button->setIcon(diag::recovery_matches(reference, flash) ? app::icons().accept : app::icons().warning);
}

void PageDebug::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        if (!register_value_.isEmpty())
            ui->labBitstreamVitaRegValue->setText(register_value_);
        if (!dump_state_.isEmpty())
            ui->labRegistersState->setText(dump_state_);
    }
    QWidget::changeEvent(event);
}
