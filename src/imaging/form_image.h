// FormImage: the window for the first channel's raw camera frames.
//
// It chooses what the acquisition engine fetches (nothing, polled frames,
// the image stream, or the stored background that the sensor subtracts),
// shows each received frame cropped to the sensor's window, rotated,
// mirrored and zoomed, with the grid, the computed line positions and the
// line chart's row drawn over it, saves the raw window as PNG, and stores a
// new background in the sensor. The pixels and the layout are computed by
// image_render; the form only shows them. The engine's image wishes follow
// the source choice only while the form is visible: hiding it switches the
// sensor's image stream off.
#pragma once

#include "imaging/image_render.h"
#include "link/sensor_info.h"
#include "settings/qz3p_settings.h"

#include <QPoint>
#include <QWidget>
#include <vector>

class FormImageChart;
class WSensorSettings;
class QPushButton;

namespace Ui {
class FormImage;
}

class FormImage : public QWidget {
    Q_OBJECT
public:
    explicit FormImage(QWidget* parent = nullptr);
    ~FormImage() override;

    /// The 1280 x 1024 view (true) or the 640 x 512 view.
    bool full_resolution() const { return full_view_; }
    int zoom() const { return zoom_; }
    const orvex::imaging::frame_window& frame_window() const { return window_; }
    FormImageChart* line_chart() const { return chart_; }
    WSensorSettings* settings_editor() const { return editor_; }
    /// The last frame taken from the engine, 1280 bytes per line.
    const std::vector<std::uint8_t>& image_copy() const { return image_; }

public slots:
    void image_received();

private slots:
    void on_btn_show_form_main_clicked();
    void on_btn_show_line_chart_clicked();
    void on_btn_save_image_clicked();
    void on_radio_640x480_clicked(bool checked);
    void on_radio_1280x1024_clicked(bool checked);
    void on_radio_acquire_off_toggled(bool checked);
    void on_btn_background_save_zero_clicked();
    void on_btn_background_save_current_clicked();
    void on_cb_result_points_toggled(bool checked);
    void on_cb_show_settings_toggled(bool checked);
    void sensor_settings_changed(const orvex::k7::qz3p_settings& s);
    void sensor_connected(const orvex::k7::sensor_info& info);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply_acquire_mode();
    void relayout();
    void render();
    void store_background(QPushButton* button, std::uint16_t value);
    bool image_mouse(QEvent* event);

    Ui::FormImage* ui;
    FormImageChart* chart_ = nullptr;
    WSensorSettings* editor_ = nullptr;
    std::vector<std::uint8_t> image_;
    orvex::imaging::image_renderer renderer_;
    orvex::imaging::frame_window window_;
    orvex::imaging::image_layout layout_{};
    int zoom_ = 1;
    bool full_view_ = true;
    QPoint drag_origin_;
    QPoint drag_scroll_;
    bool dragging_ = false;
};
