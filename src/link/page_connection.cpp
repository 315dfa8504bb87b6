#include "link/page_connection.h"

#include "app/program.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "link/address_change.h"
#include "link/connect_steps.h"
#include "link/form_dialog_ip.h"
#include "link/local_addresses.h"
#include "link/sensor_device.h"
#include "ui_page_connection.h"

#include <QEvent>
#include <QMenu>
#include <QMessageBox>
#include <algorithm>

using orvex::k7::sensor_info;
namespace app = orvex::app;

PageConnection::PageConnection(QWidget* parent) : QWidget(parent), ui(new Ui::PageConnection)
{
    ui->setupUi(this);
    ui->editSearchAddr->setText(QString::fromStdString(app::program_settings().ethernet_mask));
    connect(ui->listSearchSensors, &QWidget::customContextMenuRequested, this,
            &PageConnection::listSearchSensors_showContextMenu);
    connect(&app::program_events(), &orvex::ProgramEvents::timer_tick, this, &PageConnection::refresh_list);
    connect(&app::program_events(), &orvex::ProgramEvents::sensor_answering, this,
            &PageConnection::sensor_answering);
    ui->labReceiveBuffer->hide();
}

PageConnection::~PageConnection()
{
    search_.stop();
    delete ui;
}

QString PageConnection::search_address() const
{
    return ui->editSearchAddr->text();
}

void PageConnection::on_btnConnectionSearch_clicked()
{
    if (search_.running())
        stop_search();
    else
        start_search();
}

bool PageConnection::start_search()
{
    search_errors_before_ = search_.error_count();
    try {
        search_.start(ui->editSearchAddr->text().toStdString());
    } catch (const std::invalid_argument&) {
        // A mistyped address must not end the program; the search just does not start.
        QMessageBox::warning(this, tr("Ошибка"), tr("Неверный адрес поиска: ") + ui->editSearchAddr->text());
        return false;
    }
    app::main_window()->setWindowTitle(tr("Поиск датчиков..."));
    ui->listSearchSensors->clear();
    shown_.clear();
    search_error_told_ = false;
    ui->btnConnectionSearch->setText(tr("Остановить поиск"));
    return true;
}

void PageConnection::stop_search()
{
    const bool was_running = search_.running();
    search_.stop();
    ui->btnConnectionSearch->setText(tr("Искать датчики"));
    if (was_running)
        app::main_window()->setWindowTitle(QString());
}

void PageConnection::refresh_list()
{
    if (search_.running() && !search_error_told_ && search_.error_count() > search_errors_before_) {
        search_error_told_ = true; // once per search
        app::main_window()->show_message(
            tr("Ошибка сети при поиске датчиков: %1").arg(QString::fromUtf8(search_.last_error().c_str())));
    }
    if (search_.count() <= shown_.size())
        return;
    // A reply that sorts in above the selected row must not move the
    // selection to another device (or drop it): the engineer's choice stays.
    const int selected = ui->listSearchSensors->currentRow();
    const bool had_selection = selected >= 0 && selected < static_cast<int>(shown_.size());
    const sensor_info chosen = had_selection ? shown_[selected] : sensor_info{};
    shown_ = search_.found();
    ui->listSearchSensors->clear();
    for (const sensor_info& s : shown_)
        ui->listSearchSensors->addItem(app::core_text(orvex::k7::list_row_text(s)));
    if (!had_selection)
        return;
    const auto same = std::find_if(shown_.begin(), shown_.end(), [&](const sensor_info& s) {
        return s.address == chosen.address && s.serial == chosen.serial;
    });
    if (same != shown_.end())
        ui->listSearchSensors->setCurrentRow(static_cast<int>(same - shown_.begin()));
}

void PageConnection::on_btnSearchConnect_clicked()
{
    connect_selected(first_channel);
}

void PageConnection::on_btnDisconnect_clicked()
{
    auto& first = app::device(first_channel);
    auto& second = app::device(second_channel);
    if (!first.is_connected() && !second.is_connected())
        return;
    const QString address = QString::fromStdString(first.commands().info().address_text);
    // The receivers stop what they run on the sensor (streaming) while it is
    // still connected.
    app::for_each_receiver([](orvex::IProgramEvents& r) { r.on_sensor_disconnected(); });
    second.disconnect();
    first.disconnect();
    ui->btnSearchConnect->setIcon(app::icons().empty);
    app::main_window()->setWindowTitle(QString());
    app::main_window()->show_message(tr("Датчик %1 отключен").arg(address));
}

void PageConnection::sensor_answering(bool answering)
{
    const auto& first = app::device(first_channel);
    if (!first.is_connected())
        return;
    if (answering)
        update_title();
    else
        app::main_window()->setWindowTitle(tr("Нет связи с датчиком") + QStringLiteral(" : ") +
                                           QString::fromStdString(first.commands().info().address_text));
}

void PageConnection::report_receive_buffers()
{
    // Told once per run: the limit is the computer's, not the sensor's.
    static bool told = false;
    if (told)
        return;
    const auto& first = app::device(first_channel);
    for (std::size_t i = 0; i < orvex::k7::link_receive_buffer.size(); ++i) {
        const auto& link = first.link(static_cast<orvex::k7::link_index>(i));
        if (link.receive_buffer_requested() == 0 ||
            link.receive_buffer_granted() >= link.receive_buffer_requested())
            continue;
        told = true;
        ui->labReceiveBuffer->setText(
            tr("Система выделила приемный буфер %1 байт вместо запрошенных %2: при потоке профилей или "
               "кадров возможны потери. Linux: увеличьте предел командой sysctl -w net.core.rmem_max=%2")
                .arg(link.receive_buffer_granted())
                .arg(link.receive_buffer_requested()));
        ui->labReceiveBuffer->show();
        return;
    }
}

void PageConnection::on_listSearchSensors_itemDoubleClicked(QListWidgetItem*)
{
    ui->btnSearchConnect->click();
}

void PageConnection::on_listSearchSensors_currentRowChanged(int) {}

void PageConnection::listSearchSensors_showContextMenu(const QPoint& pos)
{
    QListWidgetItem* item = ui->listSearchSensors->itemAt(pos);
    if (item == nullptr)
        return;
    const int row = ui->listSearchSensors->row(item);
    if (row < 0 || row >= static_cast<int>(shown_.size()))
        return;
    ui->listSearchSensors->setCurrentRow(row);
    const sensor_info record = shown_[row];

    QMenu menu(this);
    // The actions act on the device the menu was opened for, even when the
    // list is refilled (and its rows move) while the menu is open.
    if (record.type == orvex::k7::type_eb1)
        connect(menu.addAction(tr("Подключить плату управления")), &QAction::triggered, this,
                [this, record] { connect_guarded(record, control_board); });
    connect(menu.addAction(tr("Подключить как первый канал")), &QAction::triggered, this,
            [this, record] { connect_guarded(record, first_channel); });
    connect(menu.addAction(tr("Подключить как второй канал")), &QAction::triggered, this,
            [this, record] { connect_guarded(record, second_channel); });
    menu.addSeparator();
    connect(menu.addAction(tr("Изменить IP-адрес")), &QAction::triggered, this,
            [this, record] { change_address(record); });
    menu.exec(ui->listSearchSensors->viewport()->mapToGlobal(pos));
}

bool PageConnection::connect_selected(channel which)
{
    const int row = ui->listSearchSensors->currentRow();
    if (row < 0 || row >= static_cast<int>(shown_.size())) {
        ui->btnSearchConnect->setIcon(app::icons().close);
        return false;
    }
    const sensor_info record = shown_[row]; // a modal box inside may refill shown_
    return connect_guarded(record, which);
}

bool PageConnection::connect_guarded(const sensor_info& record, channel which)
{
    try {
        return connect_record(record, which);
    } catch (const std::exception&) {
        ui->btnSearchConnect->setIcon(app::icons().close);
        QMessageBox::critical(this, tr("Ошибка"), tr("Ошибка при подключении к датчику"));
        return false;
    }
}

bool PageConnection::connect_record(const sensor_info& record, channel which)
{
    auto& first = app::device(first_channel);
    auto& second = app::device(second_channel);
    auto fail = [this] {
        ui->btnSearchConnect->setIcon(app::icons().close);
        title_after_failed_connect();
        return false;
    };

    if (which == first_channel) {
        app::clear_result_icons();
        app::for_each_receiver([](orvex::IProgramEvents& r) { r.on_sensor_disconnected(); });
        first.disconnect();
        second.disconnect();
    } else if (which == second_channel) {
        if (!first.is_connected())
            return fail();
        second.disconnect();
    }
    if (!orvex::k7::firmware_supported(record.version, record.type)) {
        ui->btnSearchConnect->setIcon(app::icons().close);
        title_after_failed_connect();
        QMessageBox::critical(this, tr("Ошибка"),
                              tr("Версия прошивки не поддерживается этой версией программы."));
        return false;
    }
    auto& target = app::device(which);
    if (!target.connect(record.address_text))
        return fail();
    update_title();

    if (which == first_channel &&
        orvex::k7::wants_extended_access(record.version, app::flash_key().present) &&
        !orvex::k7::request_extended_flash_access(first.flash(), app::flash_key().value))
        QMessageBox::warning(this, tr("Ошибка"), tr("Не удалось получить расширенный доступ к флешке"));

    stop_search();
    update_title(); // stopping the search cleared it
    ui->btnSearchConnect->setIcon(app::icons().accept);
    const auto& info = target.commands().info();
    app::main_window()->show_message(tr("Подключен %1: серийный номер %2, прошивка %3")
                                         .arg(QString::fromStdString(info.address_text),
                                              QString::fromStdString(info.serial),
                                              QString::fromStdString(info.version.to_string())));
    if (which == first_channel) {
        report_receive_buffers();
        announce_first_channel();
    }
    return true;
}

void PageConnection::announce_first_channel()
{
    auto& first = app::device(first_channel);
    const auto block = orvex::k7::read_range_block(first.flash());
    orvex::k7::take_connection_range_block(block ? block->data() : nullptr, block ? block->size() : 0,
                                           first.commands().info(), app::decoded_range());
    app::main_window()->build_xfn_panel();
    app::for_each_receiver([](orvex::IProgramEvents& r) { r.on_sensor_settings(true); });
    app::for_each_receiver([](orvex::IProgramEvents& r) { r.on_sensor_connected(); });
    emit app::program_events().sensor_settings_changed(first.commands().settings());
    emit app::program_events().sensor_connected(first.commands().info());
}

void PageConnection::title_after_failed_connect()
{
    // The channels were dropped before the attempt: a title that still named
    // them would claim a connection that no longer exists.
    if (app::device(first_channel).is_connected())
        update_title();
    else if (!search_.running())
        app::main_window()->setWindowTitle(QString());
}

void PageConnection::update_title()
{
    const auto& first = app::device(first_channel);
    const auto& second = app::device(second_channel);
    if (!first.is_connected())
        return;
    QString title = tr("Подключен : ") + QString::fromStdString(first.commands().info().address_text);
    if (second.is_connected())
        title += tr("  +  второй канал: ") + QString::fromStdString(second.commands().info().address_text);
    app::main_window()->setWindowTitle(title);
}

void PageConnection::change_address(const sensor_info& device)
{
    std::vector<std::uint32_t> found;
    for (const sensor_info& s : shown_)
        found.push_back(s.address);
    std::vector<std::uint32_t> computer;
    for (const auto& a : orvex::k7::local_ipv4_addresses())
        computer.push_back(a.to_uint());

    FormDialogIP dialog(computer, found, device.computer_address, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!search_.send_address_change(device, dialog.address()))
        return;
    if (search_.running()) {
        search_.stop();
        start_search(); // clears the copy; the periodic job refills the list
    }
}

void PageConnection::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        if (search_.running())
            ui->btnConnectionSearch->setText(tr("Остановить поиск"));
    }
    QWidget::changeEvent(event);
}
