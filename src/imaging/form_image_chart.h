// FormImageChart: the brightness along one image row, for the image window.
//
// The image window owns it, opens it below itself and hands it the frame
// after every rendering; the chart takes the chosen row at its sensor
// columns (zero outside the window), turns it the way the image is shown,
// optionally replaces it by its correlation with a stretch of itself, and
// marks where the sensor found the laser line in that row. Changing the row
// or "Рисовать линию" asks the image window to render again, since it paints
// the chosen row red.
#pragma once

#include "imaging/image_render.h"

#include <QWidget>

namespace Ui {
class FormImageChart;
}

class FormImageChart : public QWidget {
    Q_OBJECT
public:
    /// What the image window shows, as far as the chart needs it.
    struct source {
        const std::uint8_t* frame = nullptr; // 1280 x 1024
        orvex::imaging::frame_window window;
        bool rotate = false, mirror_x = false, mirror_y = false;
        /// Computed line positions of the frame rows, null when not shown.
        const double* line_data = nullptr;
    };

    explicit FormImageChart(QWidget* parent = nullptr);
    ~FormImageChart() override;

    /// Redraws the curve and the marker from `s`.
    void update_line(const source& s);
    int line_number() const;
    void set_line_number(int line);
    /// The image window paints the row: shown and "Рисовать линию" checked.
    bool draws_line() const;
    const orvex::imaging::line_array& samples() const { return samples_; }

signals:
    /// The row or its drawing changed: the image must be rendered again.
    void line_changed();

private slots:
    void on_spinLineNumber_valueChanged(int value);
    void on_cb_line_draw_toggled(bool checked);

protected:
    void changeEvent(QEvent* event) override;
    /// Closing the chart takes its row off the image.
    void hideEvent(QHideEvent* event) override;

private:
    Ui::FormImageChart* ui;
    orvex::imaging::line_array samples_{};
    orvex::imaging::line_array scratch_{};
};
