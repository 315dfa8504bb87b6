#include "profiles/page_chart.h"

#include "app/program.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "charts/chart_orvex.h"
#include "link/sensor_device.h"
#include "ui_page_chart.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <ctime>

using orvex::qt::ChartOrvex;
namespace app = orvex::app;

PageChart::PageChart(QWidget* parent) : QWidget(parent), ui(new Ui::PageChart)
{
    ui->setupUi(this);
    // The values get a row of their own under the switches, so that the
    // header fits a 1024-pixel screen beside the developer column.
    auto* values = new QHBoxLayout;
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui->labChartFPSCaption, ui->labChartFPS, ui->labChartInfo1Caption,
                                         ui->labChartInfo1, ui->labChartInfo2Caption, ui->labChartInfo2}) {
        ui->layoutControls->removeWidget(w);
        values->addWidget(w);
    }
    values->addStretch();
    ui->verticalLayout->insertLayout(ui->verticalLayout->indexOf(ui->layoutControls) + 1, values);
    ChartOrvex* chart = ui->chart_main;
    chart->set_ranges(0, 1280, 0, 1024); // image pixels until a sensor tells its range
    chart->named(ChartOrvex::Green).segments->line_width = 1.0;
    chart->named(ChartOrvex::Blue).segments->line_width = 2.0;
    // Checking a box runs its slot, which stores the flag; take all three
    // stored values before the first one can overwrite the others.
    const auto& settings = app::program_settings();
    const bool keep_aspect = settings.chart_keep_aspect_ratio;
    const bool rotate = settings.chart_rotate;
    const bool brightness = settings.chart_brightness;
    ui->cbChartKeepAspectRatio->setChecked(keep_aspect);
    ui->cbChartRotate->setChecked(rotate);
    ui->cbChartBrightness->setChecked(brightness);
    connect(&app::program_events(), &orvex::ProgramEvents::sensor_last_result, this,
            &PageChart::profile_received);
    connect(&app::program_events(), &orvex::ProgramEvents::sensor_answering, this, [this](bool answering) {
        if (!answering)
            clear_values();
    });
    redraw_timer_ = new QTimer(this);
    redraw_timer_->setSingleShot(true);
    connect(redraw_timer_, &QTimer::timeout, this, &PageChart::redraw_due);
    // Saving sees every decoded profile, also the ones a streaming burst
    // delivers between two redraws.
    app::device(0).engine().set_profile_observer([this](const orvex::k7::decoded_profile& p) {
        if (writer_ && ui->cb_to_file_text->isChecked())
            writer_->push(p.points.data(), std::min<std::size_t>(p.header.n, orvex::k7::profile_slots));
    });
}

PageChart::~PageChart()
{
    app::device(0).engine().set_profile_observer({});
    delete ui;
}

void PageChart::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}

bool PageChart::poll_checked() const
{
    return ui->cbChartPoll->isChecked();
}

ChartOrvex* PageChart::chart() const
{
    return ui->chart_main;
}

void PageChart::closeEvent(QCloseEvent* event)
{
    store_display_flags();
    QWidget::closeEvent(event);
}

void PageChart::store_display_flags()
{
    auto& settings = app::program_settings();
    settings.chart_keep_aspect_ratio = ui->cbChartKeepAspectRatio->isChecked();
    settings.chart_rotate = ui->cbChartRotate->isChecked();
    settings.chart_brightness = ui->cbChartBrightness->isChecked();
}

void PageChart::on_cbChartPoll_toggled(bool) {}

void PageChart::on_cbChartStream_toggled(bool checked)
{
    auto& first = app::device(0);
    const bool ok = first.engine().set_profile_stream(checked);
    ui->cbChartStream->setIcon(ok ? app::icons().accept : app::icons().close);
    if (!ok)
        return;
    if (checked)
        ui->cbChartPoll->setChecked(false);
    ui->cbChartBrightness->setEnabled(!checked);
    auto& second = app::device(1);
    if (second.is_connected())
        second.engine().set_profile_stream(checked);
}

void PageChart::on_cbChartKeepAspectRatio_toggled(bool checked)
{
    ui->chart_main->set_keep_aspect(checked);
    store_display_flags();
}

void PageChart::on_cbChartRotate_toggled(bool checked)
{
    // A quarter turn of the picture.
    ui->chart_main->set_swap_xy(checked);
    ui->chart_main->set_invert_y(checked);
    store_display_flags();
}

void PageChart::on_cbChartBrightness_toggled(bool checked)
{
    store_display_flags();
    app::device(0).engine().set_intensities(checked);
}

void PageChart::on_sensor_settings(bool on_connect)
{
    auto& first = app::device(0);
    const orvex::k7::qz3p_settings& s = first.commands().settings();
    const bool bypass_changed = !last_settings_ || last_settings_->calibration_bypass != s.calibration_bypass;
    const bool window_changed = !last_settings_ || last_settings_->window_x_start != s.window_x_start ||
                                last_settings_->window_x_end != s.window_x_end ||
                                last_settings_->window_y_start != s.window_y_start ||
                                last_settings_->window_y_end != s.window_y_end;
    if (!on_connect && !bypass_changed && !window_changed)
        return;

    ChartOrvex* chart = ui->chart_main;
    const auto& range = app::decoded_range();
    if (on_connect || bypass_changed) {
        chart->named(ChartOrvex::Green).segments->clear();
        chart->named(ChartOrvex::Blue).segments->clear();
        for (auto n : {ChartOrvex::Red, ChartOrvex::Green, ChartOrvex::Blue})
            chart->named(n).curve->clear();
        const auto view = orvex::k7::range_view_for(s, range, first.commands().info());
        if (view.axes)
            chart->set_ranges(view.axes->x_lo, view.axes->x_hi, view.axes->y_lo, view.axes->y_hi);
        if (!view.range_outline.empty())
            chart->named(ChartOrvex::Blue).segments->add_polyline(view.range_outline);
    }
    auto* window_set = chart->named(ChartOrvex::Green).segments;
    window_set->clear();
    const auto outline = orvex::k7::image_window_outline(s, range);
    if (!outline.empty())
        window_set->add_polyline(outline);
    chart->update();
    last_settings_ = s;
}

void PageChart::profile_received(int channel)
{
    pending_[channel == 1 ? 1 : 0] = true;
    if (channel != 1 && writer_ && !writer_->error().empty())
        report_writer_error();
    // A stream delivers profiles far faster than a screen shows them: the
    // latest one is drawn once per refresh (the frame-rate figure and the
    // writer count every profile elsewhere).
    qreal hz = 60.0;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        hz = screen->refreshRate() > 1.0 ? screen->refreshRate() : hz;
    const qint64 frame_ms = std::clamp<qint64>(static_cast<qint64>(1000.0 / hz), 5, 50);
    if (!last_redraw_.isValid() || last_redraw_.elapsed() >= frame_ms)
        redraw_due();
    else if (!redraw_timer_->isActive())
        redraw_timer_->start(static_cast<int>(frame_ms - last_redraw_.elapsed()));
}

void PageChart::redraw_due()
{
    last_redraw_.restart();
    if (pending_[1])
        show_second_channel_profile();
    if (pending_[0])
        show_first_channel_profile();
    pending_[0] = pending_[1] = false;
}

void PageChart::show_second_channel_profile()
{
    ChartOrvex* chart = ui->chart_main;
    auto* green = chart->named(ChartOrvex::Green).curve;
    green->clear();
    const auto& p = app::device(1).engine().profile();
    for (std::size_t i = 0; i < std::min<std::size_t>(p.header.n, orvex::k7::profile_slots); ++i)
        if (p.points[i].x >= 0)
            green->append(p.points[i].x, p.points[i].y);
    chart->update();
}

void PageChart::clear_values()
{
    for (QLabel* label : {ui->labChartFPS, ui->labChartInfo1, ui->labChartInfo2})
        set_value(label, QStringLiteral("---"));
}

void PageChart::set_value(QLabel* label, const QString& text)
{
    // The value labels have a fixed width, so that the header fits a narrow
    // screen whatever the sensor sends; a value that is cut shows whole in
    // the tool tip.
    const QString shown = label->fontMetrics().elidedText(text, Qt::ElideRight, label->maximumWidth());
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
}

void PageChart::on_sensor_disconnected()
{
    // Streaming is switched off while the sensor can still hear it, so that
    // it does not keep sending to a closed port.
    auto& first = app::device(0);
    if (first.is_connected() && first.engine().profile_stream()) {
        first.engine().set_profile_stream(false);
        const QSignalBlocker block(ui->cbChartStream);
        ui->cbChartStream->setChecked(false);
        ui->cbChartStream->setIcon(app::icons().empty);
        ui->cbChartBrightness->setEnabled(true);
    }
    redraw_timer_->stop();
    pending_[0] = pending_[1] = false;
    clear_values();
}

void PageChart::report_writer_error()
{
    // Saving ends here so that the user is told once, not on every profile;
    // the box comes after the profile handler has returned.
    const QString file = QString::fromStdString(writer_->file().u8string());
    ui->cb_to_file_text->setChecked(false);
    stop_writer();
    QTimer::singleShot(0, this, [this, file] {
        QMessageBox::warning(this, ui->groupChartToFile->title(),
                             tr("Не удалось записать профили в файл\n%1").arg(file));
    });
}

void PageChart::show_first_channel_profile()
{
    auto& first = app::device(0);
    auto& engine = first.engine();
    const auto& p = engine.profile();
    const auto& info = first.commands().info();
    ChartOrvex* chart = ui->chart_main;
    // Bars grow along the data's x from the edge of the view; the view speaks
    // display terms, where a rotated picture carries x on the vertical axis.
    const auto visible = chart->visible_range();
    const orvex::math::ChartRange view_x = chart->swap_xy() ? visible.y() : visible.x();
    const bool intensities = ui->cbChartBrightness->isChecked();
    orvex::k7::split_profile(p, info.type == orvex::k7::type_e1d, intensities, view_x.lo, view_x.span(),
                             points_);
    chart->named(ChartOrvex::Red).curve->points = points_.valid;
    chart->named(ChartOrvex::Blue).curve->points = points_.invalid;
    chart->named(ChartOrvex::Green).curve->points = points_.brightness;
    chart->update();

    set_value(ui->labChartFPS, QString::number(engine.profile_rate(), 'f', 1));
    set_value(ui->labChartInfo1, QString::number(p.header.word1));
    set_value(ui->labChartInfo2, info.board == 0x81
                                     ? QString::number(static_cast<std::int32_t>(p.header.word2))
                                     : QString::number(p.header.word2));
    // Losses only where header word 1 numbers the profiles; then the
    // datagrams dropped for their length.
    const auto& count = engine.numbering();
    const QString lost = count.numbered() ? QString::number(count.lost())
                         : count.judged() ? tr("нет нумерации")
                                          : QStringLiteral("---");
    ui->labChartLost->setText(lost + QStringLiteral(" | ") + QString::number(engine.wrong_length()));
}

void PageChart::on_cb_to_file_text_clicked(bool checked)
{
    if (!checked) {
        stop_writer();
        return;
    }
    stop_writer();
    const std::filesystem::path out = std::filesystem::u8path(app::data_dir().toStdString()) / "out";
    const auto in_use = [this](const std::filesystem::path& file) {
        return std::any_of(finishing_.begin(), finishing_.end(),
                           [&](const auto& w) { return w->file() == file; });
    };
    writer_ = std::make_unique<orvex::profile_text_writer>(
        orvex::profile_file_name(out, std::time(nullptr), in_use));
    app::main_window()->show_message(
        tr("Запись профилей в файл: %1")
            .arg(QDir::toNativeSeparators(QString::fromStdString(writer_->file().u8string()))));
    send_file_start_commands();
}

void PageChart::send_file_start_commands()
{
    auto& first = app::device(0);
    if (!first.is_connected() || first.commands().info().kind != ' ')
        return;
    // Sensors of this kind expect these two commands when a file starts. Each
    // waits for its echo at most 300 ms, tick by tick, so a silent sensor
    // never holds the window.
    app::start_page_task(0, [](orvex::page_tasks::yield_type& yield) {
        for (const std::uint8_t code : {std::uint8_t{0x90}, std::uint8_t{0x91}}) {
            auto& device = app::device(0);
            if (!device.is_connected() || !device.commands().request_ext(code))
                return;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
            while (!device.commands().take_ext_echo(code) && std::chrono::steady_clock::now() < deadline) {
                yield();
                if (!device.is_connected())
                    return;
            }
        }
    });
}

void PageChart::stop_writer()
{
    if (writer_) {
        app::main_window()->show_message(
            tr("Запись профилей остановлена: %1")
                .arg(QDir::toNativeSeparators(QString::fromStdString(writer_->file().u8string()))));
        writer_->stop();
        finishing_.push_back(std::move(writer_));
    }
    // Writers that have drained their queues can go.
    finishing_.erase(
        std::remove_if(finishing_.begin(), finishing_.end(), [](const auto& w) { return !w->busy(); }),
        finishing_.end());
}
