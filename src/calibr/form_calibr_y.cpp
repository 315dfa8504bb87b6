// FormCalibr, Y part: the corner and teeth procedures, the corner analysis
// drawn on the source chart, the comb's steps and the Y-table scripts.
#include "app/program.h"
#include "calibr/calibration_rig.h"
#include "calibr/form_calibr.h"
#include "calibr/rig_objects.h"
#include "calibr/x_calibration.h"
#include "calibr/y_calibration.h"
#include "link/sensor_device.h"
#include "ui_form_calibr.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

using orvex::calibr::log_icon;

std::filesystem::path application_calibr_folder(); // form_calibr.cpp

namespace {

// Source chart: 0..2 the profiles; the analysis series after them.
constexpr int series_all_points = 3;
constexpr int series_a = 4;
constexpr int series_b = 5;
constexpr int series_corners = 6;
constexpr int analysis_first = 3;
constexpr int analysis_count = 5;

bool second_sensor()
{
    return orvex::app::device(1).is_connected();
}

} // namespace

void FormCalibr::clear_analysis_series()
{
    for (int i = analysis_first; i < analysis_first + analysis_count; ++i)
        ui->chartSource->anonymous(i).curve->clear();
    ui->chartSource->update();
}

void FormCalibr::draw_corners(int channel, const orvex::calibr::corner_result& r)
{
    auto& source = *ui->chartSource;
    if (channel == 1)
        clear_analysis_series();
    for (const auto& p : r.points)
        source.anonymous(series_all_points).curve->append(p.x, p.y);
    for (const auto& p : r.a_points)
        source.anonymous(series_a).curve->append(p.x, p.y);
    for (const auto& p : r.b_points)
        source.anonymous(series_b).curve->append(p.x, p.y);
    auto& result = *ui->chartCalibr->anonymous(1).curve;
    if (channel == 1)
        result.clear();
    for (const auto& c : r.corners) {
        source.anonymous(series_corners).curve->append(c.x, c.y);
        result.append(c.x, c.y);
    }
    source.update();
    ui->chartCalibr->update();
}

void FormCalibr::draw_groups(const std::vector<std::vector<orvex::calibr::corner_entry>>& first,
                             const std::vector<std::vector<orvex::calibr::corner_entry>>& second)
{
    auto& a = *ui->chartCalibr->anonymous(0).curve;
    auto& b = *ui->chartCalibr->anonymous(1).curve;
    a.clear();
    b.clear();
    for (const auto& g : first)
        for (const auto& e : g)
            a.append(e.x, e.y);
    for (const auto& g : second)
        for (const auto& e : g)
            b.append(e.x, e.y);
    ui->chartCalibr->update();
}

orvex::calibr::y_view FormCalibr::make_y_view()
{
    orvex::calibr::y_view view;
    view.x = make_x_view();
    view.drawn = [this](int channel, const orvex::calibr::corner_result& r) { draw_corners(channel, r); };
    view.results = [this](const auto& first, const auto& second) { draw_groups(first, second); };
    view.clear_analysis = [this] { clear_analysis_series(); };
    return view;
}

void FormCalibr::on_btn_corner_start_clicked()
{
    const orvex::calibr::corner_settings c{ui->spin_corner_range_x->value(), ui->spin_corner_step_x->value(),
                                           ui->spin_corner_range_y->value(), ui->spin_corner_step_y->value()};
    const orvex::calibr::y_view view = make_y_view();
    const std::filesystem::path folder = application_calibr_folder();
    runner_->start([view, folder, c](orvex::calibr::procedure_runner::yield_type& yield) {
        orvex::calibr::run_corner_calibration(yield, orvex::calibr::rig(), orvex::calibr::y_state(),
                                              orvex::calibr::x_state(), c, view, folder);
    });
}

void FormCalibr::on_btn_teeth_start_clicked()
{
    const orvex::calibr::teeth_settings t{ui->spin_teeth_range_x->value(), ui->spin_teeth_step_teeth->value(),
                                          ui->spin_teeth_step_x->value(), ui->spin_teeth_step_y->value()};
    const orvex::calibr::y_view view = make_y_view();
    const std::filesystem::path folder = application_calibr_folder();
    runner_->start([view, folder, t](orvex::calibr::procedure_runner::yield_type& yield) {
        orvex::calibr::run_teeth_calibration(yield, orvex::calibr::rig(), orvex::calibr::y_state(),
                                             orvex::calibr::x_state(), t, view, folder);
    });
}

void FormCalibr::on_btn_angle_calculate_clicked()
{
    const orvex::calibr::y_view view = make_y_view();
    auto& rig = orvex::calibr::rig();
    orvex::calibr::find_rig_corners(rig, orvex::calibr::y_state(), orvex::calibr::x_state(), 1, view);
    if (second_sensor())
        orvex::calibr::find_rig_corners(rig, orvex::calibr::y_state(), orvex::calibr::x_state(), 2, view);
}

bool FormCalibr::comb_refused()
{
    // A running procedure appends to the result groups: changing them under
    // it would lose its data or pull the group it fills away.
    if (!runner_->busy())
        return false;
    log(log_icon::failure, text("Попытка запустить подпрограмму во время выполнения другой подпрограммы"));
    return true;
}

void FormCalibr::on_btn_comb_calculate_clicked()
{
    const auto& p = orvex::calibr::rig().profile(0);
    auto& list = orvex::calibr::y_state().corners[0];
    list = orvex::calibr::comb_middles(p.values.data(), p.values.size());
    auto& result = *ui->chartCalibr->anonymous(1).curve;
    result.clear();
    for (const auto& e : list)
        result.append(e.x, e.y);
    ui->chartCalibr->update();
}

void FormCalibr::on_btn_comb_add_clicked()
{
    if (comb_refused())
        return;
    auto& s = orvex::calibr::y_state();
    s.groups[0].push_back(s.corners[0]);
    s.corners[0].clear();
    for (int i = 0; i < 3; ++i)
        ui->chartCalibr->anonymous(i).curve->clear();
    draw_groups(s.groups[0], {});
}

void FormCalibr::on_btn_comb_clear_clicked()
{
    if (comb_refused())
        return;
    orvex::calibr::y_state().groups[0].clear();
    for (int i = 0; i < 3; ++i)
        ui->chartCalibr->anonymous(i).curve->clear();
    ui->chartCalibr->update();
}

void FormCalibr::on_btn_comb_save_clicked()
{
    if (comb_refused())
        return;
    auto& s = orvex::calibr::y_state();
    orvex::calibr::comb_coordinates(s.groups[0], ui->spin_comb_y_step->value(),
                                    ui->spin_comb_mid_line->value());
    try {
        orvex::calibr::save_y_results(s, false, application_calibr_folder(),
                                      [this](log_icon i, const std::string& t) { log(i, text(t)); });
    } catch (const std::exception& e) {
        log(log_icon::failure, QString::fromStdString(e.what()));
    }
}

void FormCalibr::on_btn_table_y_calculate_clicked()
{
    run_script(ui->btn_table_y_calculate, QStringLiteral("_y_table_save.py"));
}

void FormCalibr::on_btn_table_y_calculate_2_clicked()
{
    run_script(ui->btn_table_y_calculate_2, QStringLiteral("_y_table_save_2.py"));
}

void FormCalibr::on_btn_table_y_view_clicked()
{
    run_script(ui->btn_table_y_view, QStringLiteral("_y_table_view.py"));
}

void FormCalibr::run_script(QPushButton* button, const QString& name)
{
    if (script_) {
        log(log_icon::failure, tr("Сценарий %1 ещё выполняется").arg(script_name_));
        return;
    }
    const QString folder = QString::fromStdString(application_calibr_folder().u8string());
    const QString path = QDir(folder).absoluteFilePath(name);
    if (!QFileInfo::exists(path)) {
        log(log_icon::failure, tr("Не найден сценарий %1").arg(QDir::toNativeSeparators(path)));
        return;
    }
    // The command line is the script's full path in double quotes, run by
    // the system's command interpreter in the folder "calibr". The window
    // keeps working meanwhile; the program's own current folder stays.
    const QString line = QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
    script_ = new QProcess(this);
    script_->setWorkingDirectory(folder);
    script_->setProcessChannelMode(QProcess::MergedChannels);
    script_button_ = button;
    script_name_ = name;
#ifdef Q_OS_WIN
    script_->setProgram(QStringLiteral("cmd.exe"));
    script_->setNativeArguments(QStringLiteral("/c \"") + line + QLatin1Char('"'));
#else
    script_->setProgram(QStringLiteral("/bin/sh"));
    script_->setArguments({QStringLiteral("-c"), line});
#endif
    connect(script_, &QProcess::finished, this, &FormCalibr::script_finished);
    connect(script_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            log(log_icon::failure,
                tr("Не удалось запустить командный интерпретатор: %1").arg(script_->errorString()));
            script_finished(-1, QProcess::CrashExit);
        }
    });
    button->setIcon(orvex::app::icons().clock);
    log(log_icon::step, tr("Выполняется сценарий %1...").arg(name));
    script_->start();
}

void FormCalibr::script_finished(int code, QProcess::ExitStatus status)
{
    if (!script_)
        return;
    const QString output = QString::fromLocal8Bit(script_->readAll()).trimmed();
    if (!output.isEmpty())
        for (const QString& l : output.split(QLatin1Char('\n')))
            log(log_icon::info, l.trimmed());
    const bool ok = status == QProcess::NormalExit && code == 0;
    if (code != -1)
        log(ok ? log_icon::success : log_icon::failure,
            ok ? tr("Сценарий %1 завершён").arg(script_name_)
               : tr("Сценарий %1 завершён с кодом %2").arg(script_name_).arg(code));
    script_button_->setIcon(orvex::app::icons().empty);
    script_->deleteLater();
    script_ = nullptr;
}
