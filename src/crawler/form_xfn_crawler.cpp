#include "crawler/form_xfn_crawler.h"

#include "app/program.h"
#include "calibr/form_calibr.h"
#include "crawler/crawler_device.h"
#include "crawler/crawler_export.h"
#include "link/link_error.h"
#include "ui_form_xfn_crawler.h"
#include "xfn/xfn_board.h"

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QSignalBlocker>

using namespace orvex::crawler;
using orvex::xfn::ext_block;

namespace {

CrawlerDevice& device()
{
    return orvex::app::crawler_device();
}

QString number_text(double v)
{
    return QString::number(v, 'f', 3);
}

} // namespace

form_xfn_crawler::form_xfn_crawler(QWidget* parent) : QWidget(parent), ui(new Ui::form_xfn_crawler)
{
    ui->setupUi(this);
    for (QLabel* l : {ui->lab_raw_km9_0_0, ui->lab_raw_km9_0_1, ui->lab_raw_km9_1_0, ui->lab_raw_km9_1_1,
                      ui->lab_raw_kmrr_1, ui->lab_raw_kmrr_2})
        placeholder_.insert(l, l->text());
    QPushButton* motors[] = {ui->btn_motor_0, ui->btn_motor_1, ui->btn_motor_2, ui->btn_motor_3,
                             ui->btn_motor_4};
    for (QPushButton* b : motors) {
        connect(b, &QPushButton::pressed, this, &form_xfn_crawler::btn_motor_pressed);
        connect(b, &QPushButton::released, this, &form_xfn_crawler::btn_motor_released);
    }
    ui->btn_test_0->hide();
}

form_xfn_crawler::~form_xfn_crawler()
{
    // A motor button torn away while held must not leave the motors running.
    if (motor_held_ >= 0)
        btn_motor_released();
    delete ui;
}

void form_xfn_crawler::board_connected(const QString& address)
{
    CrawlerSettings file;
    file.load(); // only for the fixed link's address; a missing file keeps the default
    settings_.fixed_link_address = file.fixed_link_address;
    try {
        device().connect(address.toStdString());
    } catch (const orvex::k7::link_error& e) {
        ui->lab_action_status->setText(
            tr("Не удалось открыть каналы кроулера: %1").arg(QString::fromUtf8(e.what())));
        return;
    }
    try {
        device().open_fixed_link(settings_.fixed_link_address);
    } catch (const orvex::k7::link_error& e) {
        // Nothing is sent on that link yet; the panel works without it.
        ui->lab_action_status->setText(
            tr("Дополнительный канал %1 не открыт: %2")
                .arg(QString::fromStdString(settings_.fixed_link_address), QString::fromUtf8(e.what())));
    }
}

std::array<QSpinBox*, 5> form_xfn_crawler::pulse_boxes(int motor) const
{
    if (motor == 1)
        return {ui->spin_m1_pulse_us_0, ui->spin_m1_pulse_us_1, ui->spin_m1_pulse_us_2,
                ui->spin_m1_pulse_us_3, ui->spin_m1_pulse_us_4};
    return {ui->spin_m2_pulse_us_0, ui->spin_m2_pulse_us_1, ui->spin_m2_pulse_us_2, ui->spin_m2_pulse_us_3,
            ui->spin_m2_pulse_us_4};
}

std::array<std::uint16_t, 5> form_xfn_crawler::pulses(int motor) const
{
    const auto boxes = pulse_boxes(motor);
    std::array<std::uint16_t, 5> out{};
    for (std::size_t i = 0; i < 5; ++i)
        out[i] = std::uint16_t(boxes[i]->value());
    return out;
}

void form_xfn_crawler::form_to_block(ext_block& block)
{
    orvex::xfn::crawler_block s;
    s.motor_1_pulse_us = pulses(1);
    s.motor_2_pulse_us = pulses(2);
    s.image_encoder_step = std::uint16_t(ui->spin_img_enc_step->value());
    s.led_multiplier = std::uint16_t(ui->spin_led_mult->value());
    const QSpinBox* leds[] = {ui->spin_led_1, ui->spin_led_2, ui->spin_led_3,
                              ui->spin_led_4, ui->spin_led_5, ui->spin_led_6};
    for (std::size_t i = 0; i < 6; ++i)
        s.led[i] = std::uint8_t(leds[i]->value());
    orvex::xfn::encode_crawler_block(s, block);
}

void form_xfn_crawler::block_to_form(const ext_block& block)
{
    const orvex::xfn::crawler_block s = orvex::xfn::decode_crawler_block(block);
    const auto m1 = pulse_boxes(1);
    const auto m2 = pulse_boxes(2);
    for (std::size_t i = 0; i < 5; ++i) {
        m1[i]->setValue(s.motor_1_pulse_us[i]);
        m2[i]->setValue(s.motor_2_pulse_us[i]);
    }
    ui->spin_img_enc_step->setValue(s.image_encoder_step);
    ui->spin_led_mult->setValue(s.led_multiplier);
    QSpinBox* leds[] = {ui->spin_led_1, ui->spin_led_2, ui->spin_led_3,
                        ui->spin_led_4, ui->spin_led_5, ui->spin_led_6};
    for (std::size_t i = 0; i < 6; ++i)
        leds[i]->setValue(s.led[i]);
}

void form_xfn_crawler::set_developer_mode(bool on)
{
    ui->btn_test_0->setVisible(on);
}

void form_xfn_crawler::poll()
{
    if (ui->cb_xmod_crawler_poll->isChecked() || motor_held_ >= 0 || device().motor_command_pending())
        live_poll();
    follow_memory_read();
    follow_frame_read();
    ui->lab_crawler_status->setText(orvex::app::core_text(device().status()));
}

void form_xfn_crawler::live_poll()
{
    const auto r = device().live_poll(ui->cb_diff_poll->isChecked() ? 1 : 0);
    if (r.answered) {
        const QString fps = QString::number(device().frame_rate(), 'f', 0);
        ui->lab_raw_fps->setText(fps);
        ui->lab_fps->setText(fps);
        mark(ui->cb_xmod_crawler_poll, true);
    }
    if (r.record)
        show_live(true);
    else if (r.lost) {
        show_live(false);
        mark(ui->cb_xmod_crawler_poll, false);
    }
}

void form_xfn_crawler::show_live(bool answered)
{
    QLabel* raw[] = {ui->lab_raw_km9_0_0, ui->lab_raw_km9_0_1, ui->lab_raw_km9_1_0,
                     ui->lab_raw_km9_1_1, ui->lab_raw_kmrr_1,  ui->lab_raw_kmrr_2};
    QLabel* distances[] = {ui->lab_km9_0_0, ui->lab_km9_0_1, ui->lab_km9_1_0, ui->lab_km9_1_1};
    if (!answered) {
        const QString none = QStringLiteral("no ans");
        for (QLabel* l : raw)
            l->setText(none);
        for (QLabel* l : distances)
            l->setText(none);
        for (QLabel* l : {ui->lab_raw_enc_1, ui->lab_raw_enc_2, ui->lab_enc_1, ui->lab_enc_2, ui->lab_kmrr_1,
                          ui->lab_kmrr_2, ui->lab_diam_1, ui->lab_diam_2})
            l->setText(none);
        return;
    }
    const RawEntry& r = device().live_raw();
    const PhysEntry& p = device().live_phys();
    ui->lab_raw_enc_1->setText(QString::number(r.enc_1));
    ui->lab_raw_enc_2->setText(QString::number(r.enc_2));
    for (std::size_t i = 0; i < 6; ++i)
        raw[i]->setText(r.sensor[i] == reading_absent ? placeholder_.value(raw[i])
                                                      : QString::number(r.sensor[i]));
    ui->lab_enc_1->setText(number_text(p.enc_1));
    ui->lab_enc_2->setText(number_text(p.enc_2));
    for (std::size_t i = 0; i < 4; ++i)
        distances[i]->setText(number_text(p.distance[i]));
    ui->lab_kmrr_1->setText(number_text(p.kmrr_1));
    ui->lab_kmrr_2->setText(number_text(p.kmrr_2));
    ui->lab_diam_1->setText(number_text(p.diam_1));
    ui->lab_diam_2->setText(number_text(p.diam_2));
}

void form_xfn_crawler::follow_memory_read()
{
    // The measurement task starts a read of its own when a measurement ends:
    // its progress shows on the same button.
    const task_state s = device().memory_read_state();
    if (s.busy) {
        memory_reading_ = true;
        ui->btn_read_memory->setText(tr("%1 of %2").arg(s.done).arg(s.total));
        return;
    }
    if (!memory_reading_)
        return;
    memory_reading_ = false;
    ui->btn_read_memory->setText(tr("%1 of %2").arg(s.done).arg(s.total));
    mark(ui->btn_read_memory, s.success != 0);
    if (s.success != 0 && !decode_memory())
        return;
    ui->lab_action_status->setText(orvex::app::core_text(device().action_status()));
}

bool form_xfn_crawler::decode_memory()
{
    const bool ok = device().decode_results();
    if (!ok)
        ui->lab_action_status->setText(tr("Заголовок памяти вне допустимых пределов: измерений нет"));
    return ok;
}

void form_xfn_crawler::follow_frame_read()
{
    const task_state s = device().frame_read_state();
    if (s.busy || !frame_reading_)
        return;
    frame_reading_ = false;
    mark(ui->btn_read_frame, s.success != 0);
    if (s.success != 0)
        show_frame();
    else
        ui->lab_frame->clear();
}

void form_xfn_crawler::show_frame()
{
    QImage image(1024, 1024, QImage::Format_Grayscale8);
    device().with_frame([&](const std::uint8_t* frame, std::size_t) {
        for (int row = 0; row < 1024; ++row)
            std::copy_n(frame + std::size_t(row) * 1024, 1024, image.scanLine(row));
    });
    ui->lab_frame->setPixmap(
        QPixmap::fromImage(image).scaled(256, 256, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void form_xfn_crawler::board_command(std::uint8_t opcode)
{
    auto* c = sensor();
    mark(sender(), c != nullptr && orvex::xfn::xfn_board(*c).command(opcode));
}

void form_xfn_crawler::on_btn_cmd_0_clicked()
{
    board_command(0x90);
}

void form_xfn_crawler::on_btn_cmd_1_clicked()
{
    board_command(0x91);
}

void form_xfn_crawler::on_btn_cmd_2_clicked()
{
    board_command(0x92);
}

void form_xfn_crawler::on_btn_cmd_3_clicked()
{
    board_command(0x93);
}

void form_xfn_crawler::on_btn_settings_from_file_clicked()
{
    CrawlerSettings loaded;
    if (!loaded.load()) {
        mark(ui->btn_settings_from_file, false);
        return;
    }
    // The fixed link stays on the address it was opened with.
    settings_.enc_1_coef = loaded.enc_1_coef;
    settings_.enc_2_coef = loaded.enc_2_coef;
    settings_.motor_1_pulse_us = loaded.motor_1_pulse_us;
    settings_.motor_2_pulse_us = loaded.motor_2_pulse_us;
    settings_.km9_range_mm = loaded.km9_range_mm;
    settings_.diam_1_base_mm = loaded.diam_1_base_mm;
    settings_.diam_2_base_mm = loaded.diam_2_base_mm;
    mark(ui->btn_settings_from_file, true);
    const auto m1 = pulse_boxes(1);
    const auto m2 = pulse_boxes(2);
    for (std::size_t i = 0; i < 5; ++i) {
        const QSignalBlocker b1(m1[i]), b2(m2[i]);
        m1[i]->setValue(settings_.motor_1_pulse_us[i]);
        m2[i]->setValue(settings_.motor_2_pulse_us[i]);
    }
}

void form_xfn_crawler::on_btn_settings_to_file_clicked()
{
    const auto m1 = pulses(1);
    const auto m2 = pulses(2);
    for (std::size_t i = 0; i < 5; ++i) {
        settings_.motor_1_pulse_us[i] = m1[i];
        settings_.motor_2_pulse_us[i] = m2[i];
    }
    mark(ui->btn_settings_to_file, settings_.save());
}

void form_xfn_crawler::on_btn_settings_from_sensor_clicked()
{
    mark_exclusive(ui->btn_settings_from_sensor, settings_read_memory());
}

void form_xfn_crawler::on_btn_settings_to_sensor_clicked()
{
    mark_exclusive(ui->btn_settings_to_sensor, settings_write_memory());
}

void form_xfn_crawler::on_btn_settings_from_flash_clicked()
{
    mark_exclusive(ui->btn_settings_from_flash, settings_read_flash());
}

void form_xfn_crawler::on_btn_settings_to_flash_clicked()
{
    mark_exclusive(ui->btn_settings_to_flash, settings_write_flash());
}

void form_xfn_crawler::on_btn_encoders_reset_clicked()
{
    mark_exclusive(ui->btn_encoders_reset, device().reset_encoders());
}

void form_xfn_crawler::on_btn_delayed_start_clicked()
{
    mark(ui->btn_delayed_start, device().delayed_start(std::uint8_t(ui->spin_delayed_start->value())));
}

void form_xfn_crawler::btn_motor_pressed()
{
    QObject* b = sender();
    const QObject* motors[] = {ui->btn_motor_0, ui->btn_motor_1, ui->btn_motor_2, ui->btn_motor_3,
                               ui->btn_motor_4};
    for (int i = 0; i < 5; ++i)
        if (motors[i] == b) {
            motor_held_ = i;
            device().set_motors(1, pulses(1)[std::size_t(i)], 1, pulses(2)[std::size_t(i)]);
        }
}

void form_xfn_crawler::btn_motor_released()
{
    motor_held_ = -1;
    // The middle widths stop both motors; they go out once, then the motor
    // fields stay empty.
    device().set_motors_once(1, pulses(1)[2], 1, pulses(2)[2]);
}

void form_xfn_crawler::on_btn_read_frame_clicked()
{
    const bool started = device().read_frame(std::uint8_t(ui->spin_frame_number->value()));
    if (!started) {
        mark(ui->btn_read_frame, false);
        return;
    }
    frame_reading_ = true;
    ui->btn_read_frame->setIcon(orvex::app::icons().sandglass);
}

void form_xfn_crawler::on_btn_read_frame_prev_clicked()
{
    ui->spin_frame_number->stepDown();
}

void form_xfn_crawler::on_btn_read_frame_next_clicked()
{
    ui->spin_frame_number->stepUp();
}

void form_xfn_crawler::on_btn_read_memory_clicked()
{
    if (!device().read_memory()) {
        mark(ui->btn_read_memory, false);
        return;
    }
    memory_reading_ = true;
    ui->btn_read_memory->setIcon(orvex::app::icons().sandglass);
    ui->lab_action_status->clear();
}

void form_xfn_crawler::on_btn_get_state_clicked()
{
    const auto [busy, ok] = device().get_state();
    mark(ui->btn_get_state, ok);
    ui->lab_state->setText(ok ? QString::number(busy) : QStringLiteral("---"));
}

QString form_xfn_crawler::position_text(const char* label_name) const
{
    const FormCalibr* form = orvex::app::form_calibr();
    const QLabel* l = form != nullptr ? form->findChild<QLabel*>(QString::fromLatin1(label_name)) : nullptr;
    return l != nullptr ? l->text() : QStringLiteral("---");
}

void form_xfn_crawler::on_btn_kmrr_to_file_clicked()
{
    const PhysEntry& p = device().live_phys();
    const bool ok = append_kmrr_files(".", position_text("lab_actuator_x_pos").toStdString(), p.kmrr_1,
                                      position_text("lab_actuator_y_pos").toStdString(), p.kmrr_2);
    mark(ui->btn_kmrr_to_file, ok);
    if (!ok)
        QMessageBox::critical(this, tr("File open error"),
                              tr("Unable to open file ") +
                                  QStringLiteral("kmrr_data_x.txt / kmrr_data_y.txt"));
}

void form_xfn_crawler::on_btn_measures_to_file_clicked()
{
    // The image is the worker's while a read runs.
    if (device().memory_read_state().busy) {
        mark(ui->btn_measures_to_file, false);
        return;
    }
    if (!decode_memory()) {
        mark(ui->btn_measures_to_file, false);
        return;
    }
    const bool ok = write_data_file("data.txt", device().results_phys());
    mark(ui->btn_measures_to_file, ok);
    if (ok)
        ui->lab_action_status->setText(tr("Измерений в data.txt: %1").arg(device().result_count()));
}

void form_xfn_crawler::on_btn_images_to_files_clicked()
{
    if (device().memory_read_state().busy) {
        mark(ui->btn_images_to_files, false);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::filesystem::path folder;
    device().with_memory([&](const std::uint8_t* memory, std::size_t size) {
        folder = write_frame_images(".", memory, size);
    });
    QApplication::restoreOverrideCursor();
    mark(ui->btn_images_to_files, !folder.empty());
    if (!folder.empty())
        ui->lab_action_status->setText(
            tr("Кадры записаны в %1").arg(QString::fromStdString(folder.filename().string())));
}

void form_xfn_crawler::on_btn_test_0_clicked()
{
    // A diagnostic summary of the device for the developer.
    CrawlerDevice& d = device();
    ui->lab_action_status->setText(
        tr("Адрес: %1; связь: %2; занят: %3; записей/с: %4; дополнительный канал: %5")
            .arg(QString::fromStdString(d.address()))
            .arg(d.connected() ? tr("есть") : tr("нет"))
            .arg(d.busy())
            .arg(d.frame_rate(), 0, 'f', 0)
            .arg(d.fixed_link_open() ? tr("открыт") : tr("закрыт")));
    mark(ui->btn_test_0, true);
}
