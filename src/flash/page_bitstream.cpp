#include "flash/page_bitstream.h"

#include "app/program.h"
#include "app/quorin.h"
#include "flash/flash_programming.h"
#include "flash/flash_protection.h"
#include "flash/ident_record.h"
#include "flash/table_transfers.h"
#include "link/flash_commands.h"
#include "link/sensor_device.h"
#include "profiles/calibration_tables.h"
#include "ui_page_bitstream.h"

#include <QDir>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <exception>
#include <filesystem>
#include <utility>

namespace app = orvex::app;
namespace k7 = orvex::k7;

namespace {

// Calibration tables and their read-back live in "calibr" beside the
// executable, which is the current folder while the program runs.
const std::filesystem::path calibr_folder{"calibr"};

std::filesystem::path to_path(const QString& name)
{
    return std::filesystem::u8path(name.toStdString());
}

QString native_path(const std::filesystem::path& p)
{
    return QDir::toNativeSeparators(QString::fromStdString(p.u8string()));
}

QString from_utf8(const std::string& text)
{
    return app::core_text(text);
}

k7::flash_commands& first_flash()
{
    return app::device(0).flash();
}

} // namespace

PageBitstream::PageBitstream(QWidget* parent) : QWidget(parent), ui(new Ui::PageBitstream)
{
    ui->setupUi(this);
    // The record holds ASCII text; typed characters stay within printable ASCII.
    ui->editSettingsIdentString->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\x20-\\x7E]*")), ui->editSettingsIdentString));
    choose_file_ = [this] {
        return QFileDialog::getOpenFileName(this, tr("Open bitstream file"), QString(),
                                            tr("Binary files (*.bin)"));
    };
}

PageBitstream::~PageBitstream()
{
    delete ui;
}

void PageBitstream::set_file_chooser(file_chooser chooser)
{
    choose_file_ = std::move(chooser);
}

void PageBitstream::set_result(QAbstractButton* button, bool ok)
{
    button->setIcon(ok ? app::icons().accept : app::icons().close);
}

void PageBitstream::show_message(const QString& text)
{
    if (Quorin* window = app::main_window())
        window->show_message(text);
}

bool PageBitstream::flash_idle(QAbstractButton* button)
{
    if (!first_flash().jobs().busy())
        return true;
    // Erasing or switching the sensor's mode under a running job would spoil it.
    show_message(tr("Флеш занята другой операцией"));
    set_result(button, false);
    return false;
}

k7::flash_callback PageBitstream::job_reporter(QAbstractButton* button, std::size_t steps,
                                               std::function<void(bool)> done)
{
    progress_ = k7::job_progress(steps);
    app::main_window()->show_progress(0);
    QString files = std::exchange(job_files_, QString());
    return [this, button, done = std::move(done), files](const k7::flash_status& s) {
        const int percent = progress_.advance(s);
        show_message(s.finished && !files.isEmpty() ? from_utf8(s.text) + QStringLiteral("  ") + files
                                                    : from_utf8(s.text));
        if (!s.finished) {
            app::main_window()->show_progress(percent);
            return;
        }
        app::main_window()->show_progress(-1);
        set_result(button, s.success);
        if (done)
            done(s.success);
    };
}

void PageBitstream::on_btnBitstreamOpen_clicked()
{
    const QString name = choose_file_ ? choose_file_() : QString();
    if (!name.isEmpty())
        ui->editBitstreamFileName->setText(name);
}

void PageBitstream::on_btnBitstreamWrite_clicked()
{
    QAbstractButton* button = ui->btnBitstreamWrite;
    if (!flash_idle(button))
        return;
    std::filesystem::path file = to_path(ui->editBitstreamFileName->text());
    if (file.empty()) {
        for (auto which : {orvex::platform::workstation_file::fresh_flash_c,
                           orvex::platform::workstation_file::fresh_flash_d}) {
            const auto candidate = orvex::platform::workstation_path(which);
            std::error_code ec;
            if (std::filesystem::is_regular_file(candidate, ec)) {
                file = candidate;
                break;
            }
        }
    }
    const auto sector = static_cast<unsigned>(ui->spinBitstreamAddr->value());
    std::vector<std::uint8_t> image;
    std::string error;
    if (file.empty()) {
        show_message(tr("Файл прошивки не выбран"));
        set_result(button, false);
        return;
    }
    if (!k7::load_firmware_file(file, sector, image, error)) {
        show_message((error.empty() ? tr("Не удалось открыть файл.") : from_utf8(error)) +
                     QStringLiteral(" ") + native_path(file));
        set_result(button, false);
        return;
    }
    button->setIcon(app::icons().clock);
    job_files_ = native_path(file);
    // Every page but the first goes through the job; the first follows it.
    const std::size_t job_bytes = image.size() > k7::flash_engine::page_size
                                      ? image.size() - k7::flash_engine::page_size
                                      : image.size();
    const std::string problem = k7::start_firmware_write(first_flash(), sector, std::move(image),
                                                         job_reporter(button, k7::page_count(job_bytes)));
    if (!problem.empty()) {
        app::main_window()->show_progress(-1);
        show_message(from_utf8(problem));
        set_result(button, false);
    }
}

void PageBitstream::on_btnBitstreamReadFlash_clicked()
{
    QAbstractButton* button = ui->btnBitstreamReadFlash;
    if (!flash_idle(button))
        return;
    const auto address =
        static_cast<std::uint32_t>(ui->spinBitstreamAddr->value()) * k7::flash_engine::sector_size;
    const auto size =
        static_cast<std::size_t>(ui->spinBitstreamSize->value()) * k7::flash_engine::sector_size;
    button->setIcon(app::icons().clock);
    job_files_ = native_path(std::filesystem::absolute(k7::flash_dump_file_name));
    const std::string problem =
        k7::start_flash_dump(first_flash().jobs(), address, size, k7::flash_dump_file_name,
                             job_reporter(button, k7::page_count(size)));
    if (!problem.empty()) {
        app::main_window()->show_progress(-1);
        show_message(from_utf8(problem));
        set_result(button, false);
    }
}

void PageBitstream::on_btnFlashEraseSector_clicked()
{
    QAbstractButton* button = ui->btnFlashEraseSector;
    if (!flash_idle(button))
        return;
    auto& flash = first_flash();
    flash.set_operating_mode(k7::flash_commands::mode_flash_work);
    const auto address =
        static_cast<std::uint32_t>(ui->spinFlashEraseSector->value()) * k7::flash_engine::sector_size;
    set_result(button, flash.erase_sector(address));
    flash.set_operating_mode(k7::flash_commands::mode_measuring);
}

void PageBitstream::on_btnFlashGetStatus_clicked()
{
    std::uint8_t registers[3] = {};
    const bool ok = k7::read_status_registers(first_flash(), registers);
    set_result(ui->btnFlashGetStatus, ok);
    if (ok) {
        ui->btnFlashGetStatus->setText(from_utf8(k7::status_registers_text(registers)));
        status_read_ = true;
    }
}

void PageBitstream::on_btnFlashSetProtectionSelector_clicked()
{
    QAbstractButton* button = ui->btnFlashSetProtectionSelector;
    if (flash_idle(button))
        set_result(button, k7::set_individual_protection(first_flash(), true));
}

void PageBitstream::on_btnSettingsIdentWrite_clicked()
{
    QAbstractButton* button = ui->btnSettingsIdentWrite;
    if (!flash_idle(button))
        return;
    k7::ident_fields fields;
    fields.text = ui->editSettingsIdentString->text().toLatin1().toStdString();
    fields.serial = std::to_string(ui->spinBitstreamSerial->value());
    fields.frac_bits = ui->spinIdentFracBits->value();
    fields.x_start = ui->spinIdentRangeXS->value();
    fields.x_end = ui->spinIdentRangeXE->value();
    fields.y_start_bottom = ui->spinIdentRangeYSB->value();
    fields.y_start_top = ui->spinIdentRangeYST->value();
    fields.y_end_bottom = ui->spinIdentRangeYEB->value();
    fields.y_end_top = ui->spinIdentRangeYET->value();
    // A value that does not fit its word would be stored as a different number.
    const std::string problem = k7::ident_outline_problem(fields);
    if (!problem.empty()) {
        show_message(from_utf8(problem));
        set_result(button, false);
        return;
    }
    const auto result = k7::write_ident_record(first_flash(), k7::encode_ident_record(fields));
    set_result(button, result.erased && result.written);
}

void PageBitstream::on_btnCalibrTablesWrite_clicked()
{
    QAbstractButton* button = ui->btnCalibrTablesWrite;
    if (!flash_idle(button))
        return;
    // The sensor applies its tables with the count of its identification
    // record, whatever count they were written with.
    const int sensor_bits = app::device(0).commands().info().shift;
    const int bits = ui->spinFlashFracBits->value();
    if (bits != sensor_bits &&
        QMessageBox::question(this, tr("Запись таблиц калибр."),
                              tr("Дробных бит: %1, а датчик применяет таблицы с %2 дробными битами своей "
                                 "идентификационной записи; его профили будут масштабированы неверно. "
                                 "Всё равно записать?")
                                  .arg(bits)
                                  .arg(sensor_bits)) != QMessageBox::Yes)
        return;
    const std::int32_t type = app::device(0).commands().info().type;
    button->setIcon(app::icons().clock);
    job_files_ = native_path(std::filesystem::absolute(calibr_folder / "TableX.txt")) + QStringLiteral(", ") +
                 native_path(std::filesystem::absolute(calibr_folder / "TableY.txt"));
    std::string problem;
    try {
        problem = k7::start_table_write(
            first_flash(), calibr_folder, ui->spinFlashFracBits->value(), type,
            job_reporter(button, k7::page_count(k7::table_geometry_for(type).image_bytes)));
    } catch (const std::exception&) {
        problem = tr("Неизвестная ошибка при загрузке таблиц.").toStdString();
    }
    if (!problem.empty()) {
        app::main_window()->show_progress(-1);
        set_result(button, false);
        QMessageBox::warning(this, tr("Ошибка"),
                             from_utf8(problem) + QStringLiteral("\n") +
                                 native_path(std::filesystem::absolute(calibr_folder)));
    }
}

void PageBitstream::on_btnCalibrTablesRead_clicked()
{
    QAbstractButton* button = ui->btnCalibrTablesRead;
    if (!flash_idle(button))
        return;
    const auto& info = app::device(0).commands().info();
    button->setIcon(app::icons().clock);
    job_files_ = native_path(std::filesystem::absolute(calibr_folder / "R_TableX.txt")) +
                 QStringLiteral(", ") +
                 native_path(std::filesystem::absolute(calibr_folder / "R_TableY.txt"));
    const std::string problem =
        k7::start_table_readback(first_flash().jobs(), calibr_folder, info.shift, info.type,
                                 job_reporter(button, k7::table_readback_rows));
    if (!problem.empty()) {
        app::main_window()->show_progress(-1);
        show_message(from_utf8(problem));
        set_result(button, false);
    }
}

void PageBitstream::on_btnSubframeWrite_clicked()
{
    QAbstractButton* button = ui->btnSubframeWrite;
    if (!flash_idle(button))
        return;
    button->setIcon(app::icons().clock);
    // Once the sensor holds the new block, the program draws and shows it
    // without waiting for the next connection.
    auto written = [this](bool ok) {
        if (ok && k7::decode_range_block(range_.block().data(), k7::range_block_bytes, app::decoded_range()))
            show_range_fields(app::decoded_range());
    };
    std::string problem;
    try {
        problem = k7::start_range_write(first_flash(), range_, calibr_folder,
                                        app::device(0).commands().info().shift,
                                        job_reporter(button, k7::page_count(k7::range_block_bytes), written));
    } catch (const std::exception&) {
        problem = tr("Неизвестная ошибка при загрузке таблиц.").toStdString();
    }
    if (!problem.empty()) {
        app::main_window()->show_progress(-1);
        set_result(button, false);
        QMessageBox::warning(this, tr("Ошибка при загрузке таблиц."), from_utf8(problem));
        return;
    }
    // The range the sensor held so far; a write that has already succeeded shows the new one.
    show_range_fields(app::decoded_range());
}

void PageBitstream::show_range_fields(const k7::decoded_range& range)
{
    if (!range.known)
        return;
    ui->spinIdentRangeXS->setValue(range.x_start);
    ui->spinIdentRangeXE->setValue(range.x_end);
    ui->spinIdentRangeYST->setValue(range.y_top_start);
    ui->spinIdentRangeYSB->setValue(range.y_bottom_start);
    ui->spinIdentRangeYET->setValue(range.y_top);
    ui->spinIdentRangeYEB->setValue(range.y_bottom);
}

void PageBitstream::on_sensor_connected()
{
    const auto& info = app::device(0).commands().info();
    ui->lab_curr_bitstream_version->setText(from_utf8(k7::firmware_version_line(info)));
    if (!info.ident_valid)
        return;
    // The record's bytes are shown one character each, so writing the text
    // back stores the same bytes.
    ui->editSettingsIdentString->setText(QString::fromLatin1(info.ident_text.c_str()));
    if (const auto serial = k7::serial_number(info.serial)) {
        ui->spinBitstreamSerial->setValue(*serial);
    } else {
        ui->spinBitstreamSerial->setValue(0);
        show_message(tr("Серийный номер датчика не является числом"));
    }
    ui->spinIdentFracBits->setValue(info.shift);
    ui->spinFlashFracBits->setValue(info.shift);
    ui->spinIdentRangeXS->setValue(info.x1);
    ui->spinIdentRangeXE->setValue(info.x2);
    ui->spinIdentRangeYSB->setValue(info.y1_low);
    ui->spinIdentRangeYST->setValue(info.y1_high);
    ui->spinIdentRangeYEB->setValue(info.y2_low);
    ui->spinIdentRangeYET->setValue(info.y2_high);
}

void PageBitstream::on_sensor_disconnected()
{
    ui->lab_curr_bitstream_version->setText(QStringLiteral("---"));
    ui->editSettingsIdentString->setText(QStringLiteral("---"));
    for (QSpinBox* spin : {ui->spinBitstreamSerial, ui->spinIdentFracBits, ui->spinFlashFracBits})
        spin->setValue(0);
    for (QDoubleSpinBox* spin : {ui->spinIdentRangeXS, ui->spinIdentRangeXE, ui->spinIdentRangeYST,
                                 ui->spinIdentRangeYET, ui->spinIdentRangeYSB, ui->spinIdentRangeYEB})
        spin->setValue(0);
}

void PageBitstream::on_developer_mode(bool on)
{
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui->labBitstreamAddr, ui->spinBitstreamAddr, ui->labBitsreamSize, ui->spinBitstreamSize,
             ui->btnBitstreamReadFlash, ui->spinFlashEraseSector, ui->btnFlashEraseSector,
             ui->btnFlashGetStatus, ui->btnFlashSetProtectionSelector, ui->btnSettingsIdentWrite,
             ui->groupCalibrTabesWrite})
        w->setVisible(on);
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui->editSettingsIdentString, ui->spinBitstreamSerial, ui->spinIdentFracBits,
             ui->spinIdentRangeXS, ui->spinIdentRangeXE, ui->spinIdentRangeYST, ui->spinIdentRangeYET,
             ui->spinIdentRangeYSB, ui->spinIdentRangeYEB})
        w->setEnabled(on);
}

void PageBitstream::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        // The status button shows the registers once read; that is a value, not a caption.
        const QString status = ui->btnFlashGetStatus->text();
        ui->retranslateUi(this);
        if (status_read_)
            ui->btnFlashGetStatus->setText(status);
    }
    QWidget::changeEvent(event);
}
