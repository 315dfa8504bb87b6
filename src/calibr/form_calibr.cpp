#include "calibr/form_calibr.h"

#include "app/program.h"
#include "app/program_events.h"
#include "app/program_settings.h"
#include "calibr/calibration_rig.h"
#include "calibr/ext_board.h"
#include "calibr/rig_objects.h"
#include "calibr/x_calibration.h"
#include "link/link_error.h"
#include "link/sensor_device.h"
#include "ui_form_calibr.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QListWidgetItem>
#include <vector>

using orvex::calibr::log_icon;

namespace {

const QIcon& icon_of(log_icon i)
{
    const auto& icons = orvex::app::icons();
    switch (i) {
    case log_icon::success:
        return icons.accept;
    case log_icon::failure:
        return icons.close;
    case log_icon::step:
        return icons.clock;
    case log_icon::info:
        break;
    }
    return icons.info;
}

} // namespace

// The folder "calibr" of the application's folder, which start-up made the
// current folder (tests start the program in a folder of their own).
std::filesystem::path application_calibr_folder()
{
    return std::filesystem::u8path(QDir::currentPath().toUtf8().toStdString()) / "calibr";
}

FormCalibr::FormCalibr(QWidget* parent) : QWidget(parent), ui(new Ui::FormCalibr)
{
    ui->setupUi(this);
    runner_ = std::make_unique<orvex::calibr::procedure_runner>(
        [this](log_icon i, const std::string& t) { log(i, text(t)); },
        [this](const std::string& t) { ui->lab_status->setText(text(t)); });
    // The result chart keeps five series (channels 0..4), the source chart
    // its profiles: channel 1, channel 2 and points without line.
    ui->chartSource->set_ranges(0.0, 1280.0, 0.0, 1024.0, 0.02); // pixel, profile point
    auto& events = orvex::app::program_events();
    connect(&events, &orvex::ProgramEvents::timer_tick, this, &FormCalibr::timer_tick);
    connect(&events, &orvex::ProgramEvents::sensor_last_result, this, &FormCalibr::profile_received);
}

FormCalibr::~FormCalibr()
{
    delete ui;
}

QString FormCalibr::text(const std::string& core_text) const
{
    return orvex::app::core_text(core_text);
}

void FormCalibr::show_and_connect()
{
    show();
    ui->btnActuatorConnect->click();
}

bool FormCalibr::wants_profiles() const
{
    return isVisible() && ui->cbCalibrGetResult->isChecked();
}

void FormCalibr::log(log_icon icon, const QString& message)
{
    const QString line =
        QDateTime::currentDateTime().toString(Qt::TextDate) + QStringLiteral("   ") + message;
    ui->listLog->addItem(new QListWidgetItem(icon_of(icon), line));
    ui->listLog->scrollToBottom();
}

void FormCalibr::on_btnActuatorConnect_clicked()
{
    auto& board = orvex::app::device(2);
    const std::string address = orvex::app::program_settings().control_board_address;
    bool ok = false;
    try {
        ok = board.connect(address) && board.commands().info().board == 0x50;
    } catch (const orvex::k7::link_error&) {
        ok = false;
    }
    const QString a = QString::fromStdString(address);
    if (ok) {
        orvex::calibr::rig().reset_poll();
        log(log_icon::success, tr("Подключились к плате управления, IP = ") + a);
    } else {
        board.disconnect();
        log(log_icon::failure, tr("Не удалось подключиться к плате управления, IP = ") + a);
    }
}

void FormCalibr::on_btn_actuator_x_back_clicked()
{
    orvex::calibr::rig_board().move(0,
                                    orvex::calibr::rig().position(0) - ui->spin_actuator_x_relative->value());
}

void FormCalibr::on_btn_actuator_x_forw_clicked()
{
    orvex::calibr::rig_board().move(0,
                                    orvex::calibr::rig().position(0) + ui->spin_actuator_x_relative->value());
}

void FormCalibr::on_btn_actuator_x_move_pos_clicked()
{
    orvex::calibr::rig_board().move(0, ui->spin_actuator_x_position->value());
}

void FormCalibr::on_btn_actuator_x_set_pos_clicked()
{
    orvex::calibr::rig_board().set_position(0, ui->spin_actuator_x_position->value());
}

void FormCalibr::on_btn_actuator_y_back_clicked()
{
    orvex::calibr::rig_board().move(1,
                                    orvex::calibr::rig().position(1) - ui->spin_actuator_y_relative->value());
}

void FormCalibr::on_btn_actuator_y_forw_clicked()
{
    orvex::calibr::rig_board().move(1,
                                    orvex::calibr::rig().position(1) + ui->spin_actuator_y_relative->value());
}

void FormCalibr::on_btn_actuator_y_move_pos_clicked()
{
    orvex::calibr::rig_board().move(1, ui->spin_actuator_y_position->value());
}

void FormCalibr::on_btn_actuator_y_set_pos_clicked()
{
    orvex::calibr::rig_board().set_position(1, ui->spin_actuator_y_position->value());
}

void FormCalibr::on_btn_stop_clicked()
{
    runner_->stop("Остановка по нажатию кнопки");
    on_btn_charts_clear_clicked();
}

void FormCalibr::on_btnLogClear_clicked()
{
    ui->listLog->clear();
}

void FormCalibr::clear_result_series()
{
    for (int i = 0; i < 5; ++i)
        ui->chartCalibr->anonymous(i).curve->clear();
}

void FormCalibr::on_btn_charts_clear_clicked()
{
    clear_result_series();
    ui->chartSource->anonymous(0).curve->clear();
    ui->chartCalibr->update();
    ui->chartSource->update();
}

orvex::calibr::x_view FormCalibr::make_x_view()
{
    orvex::calibr::x_view view;
    view.log = [this](log_icon i, const std::string& t) { log(i, text(t)); };
    view.status = [this](const std::string& t) { ui->lab_status->setText(QString::fromStdString(t)); };
    view.info = [this](const std::string& t) { ui->lab_info_0->setText(QString::fromStdString(t)); };
    view.inverted = [this](bool on) { ui->cb_inverted_x->setChecked(on); };
    view.step_pix = [this] { return ui->spin_x_step_pix->value(); };
    return view;
}

void FormCalibr::on_btn_x_start_clicked()
{
    const double step_pix = ui->spin_x_step_pix->value();
    const double range = ui->spin_x_range->value();
    const orvex::calibr::x_view view = make_x_view();
    const std::filesystem::path folder = application_calibr_folder();
    // The spin values reach the state only when the procedure really starts:
    // a refused second start must not change the range of the running one.
    runner_->start([view, folder, step_pix, range](orvex::calibr::procedure_runner::yield_type& yield) {
        auto& state = orvex::calibr::x_state();
        state.step_pix = step_pix;
        state.range = range;
        orvex::calibr::run_x_calibration(yield, orvex::calibr::rig(), state, view, folder);
    });
}

void FormCalibr::on_cb_inverted_x_clicked(bool checked)
{
    orvex::calibr::x_state().inverted = checked;
}

bool FormCalibr::make_table(const char* records, const char* table)
{
    QPushButton* button = ui->btn_table_x_calculate;
    const std::filesystem::path folder = application_calibr_folder();
    const auto phase = [this, button](const char* name) {
        button->setText(text(name));
        QCoreApplication::processEvents();
    };
    const auto t = orvex::calibr::make_x_table_file(folder / records, folder / table, phase);
    if (!t.ok) {
        log(log_icon::failure, text(t.error));
        return false;
    }
    log(log_icon::success, tr("Таблица записана: %1").arg(QLatin1String(table)));
    if (t.beyond_row > 0)
        log(log_icon::info,
            tr("Точек со значениями от 1280 пикселей: %1; их ячейки не записаны").arg(t.beyond_row));
    if (table == std::string("TableX.txt")) {
        clear_result_series();
        auto& pairs = *ui->chartCalibr->anonymous(0).curve;
        for (const auto& [value, position] : t.list0)
            pairs.append(value, position);
        auto& row0 = *ui->chartCalibr->anonymous(1).curve;
        for (int c = 0; c < orvex::calibr::x_table_columns; ++c)
            if (t.cells[std::size_t(c)] != orvex::calibr::x_table_empty)
                row0.append(c, t.cells[std::size_t(c)]);
        ui->chartCalibr->auto_scale(1.0, 0.0, 1.0, 0.0, 0.05); // over the data drawn
        ui->chartCalibr->update();
    }
    return true;
}

void FormCalibr::on_btn_table_x_calculate_clicked()
{
    QPushButton* button = ui->btn_table_x_calculate;
    const QString caption = button->text();
    button->setIcon(orvex::app::icons().clock);
    if (make_table("CalibrX.txt", "TableX.txt") && orvex::app::device(1).is_connected())
        make_table("CalibrX_2.txt", "TableX_2.txt");
    button->setText(caption);
    button->setIcon(QIcon());
}

void FormCalibr::poll_board()
{
    auto& rig = orvex::calibr::rig();
    switch (rig.poll()) {
    case orvex::calibr::calibration_rig::poll_event::answered:
        ui->lab_actuator_x_icon->setPixmap(orvex::app::icons().accept.pixmap(16, 16));
        ui->lab_actuator_x_pos->setText(QString::number(rig.position(0), 'f', 3));
        ui->lab_actuator_y_pos->setText(QString::number(rig.position(1), 'f', 3));
        break;
    case orvex::calibr::calibration_rig::poll_event::timed_out:
        ui->lab_actuator_x_icon->setPixmap(orvex::app::icons().close.pixmap(16, 16));
        ui->lab_actuator_x_pos->setText(QStringLiteral("---"));
        break;
    case orvex::calibr::calibration_rig::poll_event::none:
        break;
    }
}

void FormCalibr::timer_tick()
{
    if (!isVisible())
        return;
    if (orvex::app::device(2).is_connected())
        poll_board();
    runner_->tick();
}

void FormCalibr::profile_received(int channel)
{
    if (!wants_profiles() || channel < 0 || channel > 1)
        return;
    const auto& p = orvex::app::device(channel).engine().profile();
    const std::size_t n = p.header.n;
    std::vector<double> values(orvex::calibr::calibration_points, -1.0);
    for (std::size_t i = 0; i < n && i < values.size(); ++i)
        values[i] = p.points[i].x;
    try {
        auto& rig = orvex::calibr::rig();
        const auto& engine = orvex::app::device(channel).engine();
        if (!rig.take_profile(channel, values.data(), n, orvex::calibr::measured_time(engine, rig.now())))
            return;
    } catch (const std::exception& e) {
        // A second sensor with a shorter window: said in the log instead of
        // ending the program.
        log(log_icon::failure, QString::fromStdString(e.what()));
        return;
    }
    auto& source = *ui->chartSource;
    source.anonymous(channel).curve->clear();
    if (channel == 0)
        source.anonymous(2).curve->clear();
    for (std::size_t i = 0; i < orvex::calibr::calibration_points; ++i) {
        if (values[i] < 0.0)
            source.anonymous(2).curve->append(values[i], double(i));
        else
            source.anonymous(channel).curve->append(values[i], double(i));
    }
    source.update();
}

void FormCalibr::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
