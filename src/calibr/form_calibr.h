// FormCalibr: the window of the calibration rig ("Калибровка").
//
// It connects the rig's control board, shows and moves the two actuators,
// polls the board's state on every program tick while it is visible, takes
// the sensors' profiles for the procedures, runs the procedures one at a
// time through the runner (X calibration on the tab "X дальность", the corner
// and teeth Y calibrations on theirs), runs the comb's steps and the Y-table
// scripts, keeps the log and draws the source profiles, the corner analysis
// and the results. The procedures, the poll, corner detection and the tables
// are core code (calibr/); the window shows what they report. The Y part
// lives in form_calibr_y.cpp.
#pragma once

#include "calibr/procedure_runner.h"

#include <QProcess>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

namespace orvex::calibr {
struct corner_entry;
struct corner_result;
struct x_view;
struct y_view;
} // namespace orvex::calibr
class QPushButton;

namespace Ui {
class FormCalibr;
}

class FormCalibr : public QWidget {
    Q_OBJECT
public:
    explicit FormCalibr(QWidget* parent = nullptr);
    ~FormCalibr() override;

    /// The main window's "Калибровка": show and connect the board.
    void show_and_connect();
    /// Whether the window wants profiles (visible, "Опрос" checked).
    bool wants_profiles() const;
    /// Appends a line to the log (time, three blanks, text) and scrolls down.
    void log(orvex::calibr::log_icon icon, const QString& text);

private slots:
    void on_btnActuatorConnect_clicked();
    void on_btn_actuator_x_back_clicked();
    void on_btn_actuator_x_forw_clicked();
    void on_btn_actuator_x_move_pos_clicked();
    void on_btn_actuator_x_set_pos_clicked();
    void on_btn_actuator_y_back_clicked();
    void on_btn_actuator_y_forw_clicked();
    void on_btn_actuator_y_move_pos_clicked();
    void on_btn_actuator_y_set_pos_clicked();
    void on_btn_stop_clicked();
    void on_btnLogClear_clicked();
    void on_btn_charts_clear_clicked();
    void on_btn_x_start_clicked();
    void on_cb_inverted_x_clicked(bool checked);
    void on_btn_table_x_calculate_clicked();
    void on_btn_corner_start_clicked();
    void on_btn_teeth_start_clicked();
    void on_btn_angle_calculate_clicked();
    void on_btn_comb_calculate_clicked();
    void on_btn_comb_add_clicked();
    void on_btn_comb_clear_clicked();
    void on_btn_comb_save_clicked();
    void on_btn_table_y_calculate_clicked();
    void on_btn_table_y_calculate_2_clicked();
    void on_btn_table_y_view_clicked();

    void timer_tick();
    void profile_received(int channel);

protected:
    void changeEvent(QEvent* event) override;

private:
    void poll_board();
    void clear_result_series();
    bool make_table(const char* records, const char* table);
    QString text(const std::string& core_text) const;
    orvex::calibr::x_view make_x_view();
    orvex::calibr::y_view make_y_view();
    void draw_corners(int channel, const orvex::calibr::corner_result& r);
    void draw_groups(const std::vector<std::vector<orvex::calibr::corner_entry>>& first,
                     const std::vector<std::vector<orvex::calibr::corner_entry>>& second);
    void clear_analysis_series();
    /// True (with a log line) while a procedure runs: the comb's group steps wait.
    bool comb_refused();
    /// Runs a Y-table script from the folder "calibr" without blocking the
    /// window; one at a time.
    void run_script(QPushButton* button, const QString& name);
    void script_finished(int code, QProcess::ExitStatus status);

    Ui::FormCalibr* ui;
    std::unique_ptr<orvex::calibr::procedure_runner> runner_;
    QProcess* script_ = nullptr;
    QPushButton* script_button_ = nullptr;
    QString script_name_;
};
