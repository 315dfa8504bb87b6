// PageChart: live profiles of the connected sensor (and of the second
// channel) on a chart, with the working range and the image window drawn
// over them, the profile rate, the two header values of the last profile,
// and saving every profile into a text file in "out" in the background.
#pragma once

#include "app/program_events.h"
#include "profiles/profile_view.h"
#include "profiles/profile_writer.h"

#include <QElapsedTimer>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

namespace Ui {
class PageChart;
}
class QLabel;
class QTimer;
namespace orvex::qt {
class ChartOrvex;
}

class PageChart : public QWidget, public orvex::IProgramEvents {
    Q_OBJECT
public:
    explicit PageChart(QWidget* parent = nullptr);
    ~PageChart() override;

    /// The main window polls profiles while this is checked and the page is current.
    bool poll_checked() const;
    orvex::qt::ChartOrvex* chart() const;
    /// The writer of the file being saved, or null.
    const orvex::profile_text_writer* writer() const { return writer_.get(); }

    void on_sensor_settings(bool on_connect) override;

    /// Shows a value in one of the fixed-width value labels: cut to the
    /// label's width, the whole value in the tool tip when it was cut.
    static void set_value(QLabel* label, const QString& text);
    void on_sensor_disconnected() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    void on_cbChartPoll_toggled(bool checked);
    void on_cbChartStream_toggled(bool checked);
    void on_cbChartKeepAspectRatio_toggled(bool checked);
    void on_cbChartRotate_toggled(bool checked);
    void on_cbChartBrightness_toggled(bool checked);
    void on_cb_to_file_text_clicked(bool checked);
    void profile_received(int channel);

private:
    void show_first_channel_profile();
    void show_second_channel_profile();
    /// Draws the channels whose profiles came since the last redraw; the
    /// chart is redrawn at most at the display's refresh rate.
    void redraw_due();
    void clear_values();
    void send_file_start_commands();
    void store_display_flags();
    void stop_writer();
    void report_writer_error();

    Ui::PageChart* ui;
    std::optional<orvex::k7::qz3p_settings> last_settings_;
    orvex::k7::profile_view_points points_;
    std::unique_ptr<orvex::profile_text_writer> writer_;
    std::vector<std::unique_ptr<orvex::profile_text_writer>> finishing_;
    QElapsedTimer last_redraw_;
    QTimer* redraw_timer_ = nullptr;
    bool pending_[2] = {false, false}; // a profile of the channel waits to be drawn
};
