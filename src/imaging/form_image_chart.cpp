#include "imaging/form_image_chart.h"

#include "charts/chart_widget.h"
#include "ui_form_image_chart.h"

#include <QEvent>
#include <algorithm>

namespace img = orvex::imaging;

FormImageChart::FormImageChart(QWidget* parent) : QWidget(parent), ui(new Ui::FormImageChart)
{
    ui->setupUi(this);
    auto* chart = ui->chartLine;
    chart->set_ranges(0, img::line_samples - 1, 0, 255);
    auto& curve = chart->add_curve();
    curve.color = QColor(0, 0, 255);
    curve.connect = true;
    curve.marker_size = 0.0;
    auto& marker = chart->add_segment_set();
    marker.color = QColor(255, 0, 0);
    marker.antialias = false;
}

FormImageChart::~FormImageChart()
{
    delete ui;
}

int FormImageChart::line_number() const
{
    return ui->spinLineNumber->value();
}

void FormImageChart::set_line_number(int line)
{
    ui->spinLineNumber->setValue(line);
}

bool FormImageChart::draws_line() const
{
    return isVisible() && ui->cb_line_draw->isChecked();
}

void FormImageChart::update_line(const source& s)
{
    if (!s.frame)
        return;
    const int line = line_number();
    const bool reversed = img::line_reversed(s.rotate, s.mirror_x, s.mirror_y);
    img::take_line(s.frame, s.window, line, reversed, samples_);
    auto* chart = ui->chartLine;
    if (ui->cb_corr_enabled->isChecked()) {
        if (img::autocorrelate(samples_, ui->spin_corr_start->value(), ui->spin_corr_end->value(),
                               scratch_) &&
            ui->cb_autoscale->isChecked()) {
            const double top = *std::max_element(samples_.begin(), samples_.end());
            chart->set_y_range(0, top > 0 ? top : 1);
        }
    } else if (ui->cb_autoscale->isChecked()) {
        chart->set_y_range(0, 255);
    }
    auto& curve = chart->curve(0);
    curve.points.resize(samples_.size());
    for (std::size_t i = 0; i < samples_.size(); ++i)
        curve.points[i] = {double(i), samples_[i]};
    auto& marker = chart->segment_set(0);
    marker.segments.clear();
    if (s.line_data) {
        const double f = img::marker_column(s.line_data[line], reversed);
        if (f >= 0)
            marker.add_segment({f, 0.0}, {f, 255.0});
    }
    chart->update();
}

void FormImageChart::on_spinLineNumber_valueChanged(int)
{
    emit line_changed();
}

void FormImageChart::on_cb_line_draw_toggled(bool)
{
    emit line_changed();
}

void FormImageChart::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    emit line_changed();
}

void FormImageChart::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
