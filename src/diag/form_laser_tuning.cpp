#include "diag/form_laser_tuning.h"

#include "app/program.h"
#include "app/program_events.h"
#include "charts/chart_orvex.h"
#include "link/sensor_device.h"
#include "ui_form_laser_tuning.h"

#include <QEvent>

namespace app = orvex::app;
using orvex::qt::ChartOrvex;

namespace {

constexpr int frame_width = 1280;
constexpr int frame_rows = 1024;

} // namespace

FormLaserTuning::FormLaserTuning(QWidget* parent) : QWidget(parent), ui(new Ui::FormLaserTuning)
{
    ui->setupUi(this);
    ui->chartTest->set_ranges(0, 100, 0, 1024);
    ui->chartEnergyDistribution->set_ranges(0, 20, 0, 1024);
    connect(&app::program_events(), &orvex::ProgramEvents::image_received, this,
            &FormLaserTuning::image_received);
}

FormLaserTuning::~FormLaserTuning()
{
    delete ui;
}

void FormLaserTuning::image_received()
{
    if (!isVisible())
        return;
    const auto& frame = app::device(0).engine().frame();
    const int rows = std::min<int>(frame_rows, static_cast<int>(frame.size() / frame_width));
    orvex::diag::analyse_laser_rows(frame.data(), rows, frame_width, rows_);

    // Curve 0 and the next one on each chart; the anonymous channels keep
    // the palette's order.
    auto& peak = *ui->chartTest->anonymous(0).curve;
    auto& energy = *ui->chartTest->anonymous(1).curve;
    auto& w50 = *ui->chartEnergyDistribution->anonymous(1).curve;
    auto& w80 = *ui->chartEnergyDistribution->anonymous(2).curve;
    for (auto* c : {&peak, &energy, &w50, &w80})
        c->clear();
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        const double y = static_cast<double>(r);
        peak.append(rows_[r].peak, y);
        energy.append(rows_[r].energy_percent, y);
        w50.append(rows_[r].width50, y);
        w80.append(rows_[r].width80, y);
    }
    ui->chartTest->update();
    ui->chartEnergyDistribution->update();
}

void FormLaserTuning::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
