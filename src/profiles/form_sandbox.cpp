#include "profiles/form_sandbox.h"

#include "app/program.h"
#include "app/program_events.h"
#include "app/program_settings.h"
#include "charts/chart_orvex.h"
#include "link/sensor_device.h"
#include "ui_form_sandbox.h"

#include <QEvent>

namespace app = orvex::app;
using orvex::qt::ChartOrvex;

FormSandbox::FormSandbox(QWidget* parent) : QWidget(parent), ui(new Ui::FormSandbox)
{
    ui->setupUi(this);
    ui->chart_0->named(ChartOrvex::Blue).segments->line_width = 1.0;
    program_settings_to_form();

    auto& hub = app::program_events();
    connect(&hub, &orvex::ProgramEvents::program_settings_changed, this,
            &FormSandbox::program_settings_to_form);
    connect(&hub, &orvex::ProgramEvents::sensor_connected, this, &FormSandbox::on_sensor_connected);
    connect(&hub, &orvex::ProgramEvents::sensor_last_result, this, &FormSandbox::on_profile_received_last);

    const auto changed = [this] {
        if (loading_)
            return;
        program_settings_from_form();
        on_cut_zone_changed();
    };
    for (QGroupBox* g : {ui->group_cut, ui->group_outliers})
        connect(g, &QGroupBox::toggled, this, changed);
    connect(ui->cb_cut_invert, &QCheckBox::toggled, this, changed);
    for (QDoubleSpinBox* s :
         {ui->spin_cut_x0, ui->spin_cut_x1, ui->spin_cut_y0, ui->spin_cut_y1, ui->spin_outliers_distance})
        connect(s, qOverload<double>(&QDoubleSpinBox::valueChanged), this, changed);
    for (QSpinBox* s : {ui->spin_outliers_window, ui->spin_outliers_count})
        connect(s, qOverload<int>(&QSpinBox::valueChanged), this, changed);
}

FormSandbox::~FormSandbox()
{
    delete ui;
}

bool FormSandbox::poll_checked() const
{
    return ui->cb_poll->isChecked();
}

ChartOrvex* FormSandbox::chart() const
{
    return ui->chart_0;
}

void FormSandbox::program_settings_to_form()
{
    const auto& s = app::program_settings().sandbox;
    loading_ = true;
    ui->group_cut->setChecked(s.cut_enabled);
    ui->spin_cut_x0->setValue(s.cut_x0);
    ui->spin_cut_x1->setValue(s.cut_x1);
    ui->spin_cut_y0->setValue(s.cut_y0);
    ui->spin_cut_y1->setValue(s.cut_y1);
    ui->cb_cut_invert->setChecked(s.cut_invert);
    ui->group_outliers->setChecked(s.outliers_enabled);
    ui->spin_outliers_window->setValue(s.outliers_window);
    ui->spin_outliers_distance->setValue(s.outliers_distance);
    ui->spin_outliers_count->setValue(s.outliers_min_count);
    loading_ = false;
    on_cut_zone_changed();
}

void FormSandbox::program_settings_from_form()
{
    auto& s = app::program_settings().sandbox;
    s.cut_enabled = ui->group_cut->isChecked();
    s.cut_x0 = ui->spin_cut_x0->value();
    s.cut_x1 = ui->spin_cut_x1->value();
    s.cut_y0 = ui->spin_cut_y0->value();
    s.cut_y1 = ui->spin_cut_y1->value();
    s.cut_invert = ui->cb_cut_invert->isChecked();
    s.outliers_enabled = ui->group_outliers->isChecked();
    s.outliers_window = ui->spin_outliers_window->value();
    s.outliers_distance = ui->spin_outliers_distance->value();
    s.outliers_min_count = ui->spin_outliers_count->value();
}

void FormSandbox::on_sensor_connected(const orvex::k7::sensor_info& info)
{
    ChartOrvex* chart = ui->chart_0;
    auto* outline = chart->named(ChartOrvex::Blue).segments;
    outline->clear();
    outline->add_polyline(info.outline());
    chart->auto_scale(0, 0, 0, 0, 0.05);
    const auto view = chart->visible_range();
    ui->chart_1->set_ranges(view.x0, view.x1, view.y0, view.y1);
    chart->update();
    ui->chart_1->update();
}

void FormSandbox::on_cut_zone_changed()
{
    auto* lines = ui->chart_0->named(ChartOrvex::Red).lines;
    lines->clear();
    const auto& s = app::program_settings().sandbox;
    if (s.cut_enabled) {
        lines->add_horizontal(s.cut_y0);
        lines->add_horizontal(s.cut_y1);
        lines->add_vertical(s.cut_x0);
        lines->add_vertical(s.cut_x1);
    }
    ui->chart_0->update();
}

void FormSandbox::on_profile_received_last(int channel)
{
    if (channel != 0 || !isVisible())
        return;
    const auto& profile = app::device(0).engine().profile();
    const std::size_t n = std::min<std::size_t>(profile.header.n, orvex::k7::profile_slots);
    orvex::sort_sandbox_points(profile.points.data(), n, app::program_settings().sandbox, points_);
    ChartOrvex* chart = ui->chart_0;
    chart->clear_curves();
    chart->named(ChartOrvex::Red).curve->points = points_.kept;
    chart->named(ChartOrvex::Grey).curve->points = points_.cut;
    chart->named(ChartOrvex::Blue).curve->points = points_.outliers;
    chart->update();
}

void FormSandbox::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
