#include "diag/page_latch.h"

#include "app/program.h"
#include "charts/chart_orvex.h"
#include "link/sensor_device.h"
#include "ui_page_latch.h"

#include <QEvent>

namespace app = orvex::app;
namespace diag = orvex::diag;

PageLatch::PageLatch(QWidget* parent) : QWidget(parent), ui(new Ui::PageLatch)
{
    ui->setupUi(this);
    auto* chart = ui->chartLatch;
    chart->set_ranges(0, 4096, 0, 256);
    auto& curve = chart->add_curve();
    curve.connect = true;
    curve.line_width = 1.0;
}

PageLatch::~PageLatch()
{
    delete ui;
}

void PageLatch::set_result(QAbstractButton* button, bool ok)
{
    button->setIcon(ok ? app::icons().accept : app::icons().close);
}

void PageLatch::on_timer_tick()
{
    if (isVisible() && ui->cbLatchPoll->isChecked())
        latch_poll_task();
}

void PageLatch::latch_poll_task()
{
    using event = diag::latch_cycle::event;
    switch (cycle_.step(app::device(0))) {
    case event::status_ready:
    case event::status_busy:
        set_result(ui->btnLatchStatus, true);
        show_status(cycle_.status());
        break;
    case event::status_failed:
        set_result(ui->btnLatchStatus, false);
        break;
    case event::completed:
        set_result(ui->btnLatchRead, true);
        plot(cycle_.record());
        break;
    case event::failed:
        set_result(ui->btnLatchRead, false);
        break;
    case event::latch_sent:
    case event::read_requested:
    case event::waiting:
        break;
    }
}

void PageLatch::show_status(std::uint8_t status)
{
    ui->labLatchStatus->setText(QString::number(status));
}

void PageLatch::plot(const diag::latch_record& record)
{
    auto& curve = ui->chartLatch->curve(0);
    curve.clear();
    curve.points.reserve(record.size());
    for (std::size_t i = 0; i < record.size(); ++i)
        curve.append(static_cast<double>(i), record[i]);
    ui->chartLatch->update();
}

void PageLatch::on_btnLatchStatus_clicked()
{
    std::uint8_t status = 0;
    const bool ok = app::device(0).commands().latch_status(status);
    set_result(ui->btnLatchStatus, ok);
    if (ok)
        show_status(status);
}

void PageLatch::on_btnLatchWrite_clicked()
{
    app::device(0).commands().latch_command();
}

void PageLatch::on_btnLatchRead_clicked()
{
    diag::latch_record record{};
    const bool ok = diag::read_latch_once(app::device(0), record) > 0;
    set_result(ui->btnLatchRead, ok);
    if (ok)
        plot(record);
}

void PageLatch::on_btnErrorStateGet_clicked()
{
    std::array<std::uint8_t, 16> state{};
    const bool ok = app::device(0).commands().read_error_state(state);
    set_result(ui->btnErrorStateGet, ok);
    if (ok) {
        error_state_ = QString::fromStdString(diag::error_state_button_text(state));
        ui->btnErrorStateGet->setText(error_state_);
    }
}

void PageLatch::on_btnErrorStateClear_clicked()
{
    set_result(ui->btnErrorStateClear, app::device(0).commands().error_state_command());
}

void PageLatch::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        const QString status = ui->labLatchStatus->text();
        ui->retranslateUi(this);
        ui->labLatchStatus->setText(status);
        if (!error_state_.isEmpty())
            ui->btnErrorStateGet->setText(error_state_);
    }
    QWidget::changeEvent(event);
}
