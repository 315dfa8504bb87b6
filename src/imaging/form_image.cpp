#include "imaging/form_image.h"

#include "app/program.h"
#include "app/program_events.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "imaging/form_image_chart.h"
#include "link/sensor_device.h"
#include "settings/form_settings.h"
#include "settings/w_sensor_settings.h"
#include "ui_form_image.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>
#include <exception>

namespace app = orvex::app;
namespace img = orvex::imaging;

namespace {

const QString resolution_full = QStringLiteral("1280x1024");
const QString resolution_half = QStringLiteral("640x512");

} // namespace

FormImage::FormImage(QWidget* parent)
    : QWidget(parent),
      ui(new Ui::FormImage),
      image_(std::size_t(img::frame_width) * img::frame_height, 0)
{
    ui->setupUi(this);
    setWindowTitle(tr("Изображение"));
    full_view_ = QString::fromStdString(app::program_settings().image_window_resolution) != resolution_half;
    ui->radio_1280x1024->setChecked(full_view_);
    ui->radio_640x480->setChecked(!full_view_);

    chart_ = new FormImageChart(this);
    chart_->setWindowFlags(Qt::Window);
    connect(chart_, &FormImageChart::line_changed, this, [this] { render(); });

    editor_ = new WSensorSettings(ui->widget_settings_container);
    ui->widget_settings_container->layout()->addWidget(editor_);
    ui->widget_settings_container->hide();
    // The embedded editor runs the same settings operations as the settings
    // window, so every result reaches the program in the same order.
    connect(editor_, &WSensorSettings::read_memory, this,
            [this] { editor_->show_result(app::form_settings()->read_memory()); });
    connect(editor_, &WSensorSettings::write_memory, this, [this](const orvex::k7::qz3p_settings& s) {
        editor_->show_result(app::form_settings()->write_memory(s));
    });
    connect(editor_, &WSensorSettings::read_flash, this,
            [this] { editor_->show_result(app::form_settings()->read_flash()); });
    connect(editor_, &WSensorSettings::write_flash, this, [this](const orvex::k7::qz3p_settings& s) {
        editor_->show_result(app::form_settings()->write_flash(s));
    });

    for (QRadioButton* r : {ui->radio_acquire_poll, ui->radio_acquire_stream, ui->radio_acquire_subtrahend})
        connect(r, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                apply_acquire_mode();
        });
    for (QCheckBox* c : {ui->cb_rotate_90, ui->cb_mirror_x, ui->cb_mirror_y})
        connect(c, &QCheckBox::toggled, this, [this] { relayout(); });
    connect(ui->cb_draw_grid, &QCheckBox::toggled, this, [this] { render(); });

    ui->lab_image->installEventFilter(this);
    ui->scroll_image->viewport()->installEventFilter(this);

    auto& hub = app::program_events();
    connect(&hub, &orvex::ProgramEvents::image_received, this, &FormImage::image_received);
    connect(&hub, &orvex::ProgramEvents::sensor_settings_changed, this, &FormImage::sensor_settings_changed);
    connect(&hub, &orvex::ProgramEvents::sensor_connected, this, &FormImage::sensor_connected);
    // A sensor that stops answering is not stepped any more, so no failed
    // frame would ever be announced: say it when the sensor is lost.
    connect(&hub, &orvex::ProgramEvents::sensor_answering, this, [this](bool answering) {
        if (!answering && !ui->radio_acquire_off->isChecked())
            setWindowTitle(tr("***Не удалось получить изображение! ***"));
    });
    relayout();
}

FormImage::~FormImage()
{
    // The chart, a child, goes after this body: it must not ask for a
    // rendering then.
    disconnect(chart_, nullptr, this, nullptr);
    delete ui;
}

void FormImage::apply_acquire_mode()
{
    // Hidden, the form wants nothing: neither frames nor the background.
    auto& device = app::device(0);
    auto& engine = device.engine();
    const bool shown = isVisible();
    const bool subtrahend = ui->radio_acquire_subtrahend->isChecked();
    engine.set_image_request(shown && (ui->radio_acquire_poll->isChecked() || subtrahend),
                             shown && subtrahend);
    const bool stream = shown && ui->radio_acquire_stream->isChecked();
    if (device.is_connected() || stream != engine.image_stream()) {
        try {
            engine.set_image_stream(stream);
        } catch (const std::exception&) {
            // A link that broke shows up as missing frames in the title.
        }
    }
}

void FormImage::on_radio_acquire_off_toggled(bool checked)
{
    if (!checked)
        return;
    setWindowTitle(tr("Выкл."));
    apply_acquire_mode();
}

void FormImage::image_received()
{
    const auto& engine = app::device(0).engine();
    if (!engine.frame_complete()) {
        setWindowTitle(tr("***Не удалось получить изображение! ***"));
        return;
    }
    setWindowTitle(tr("Изображение получено.") + tr("   Кадров/сек: ") +
                   QString::number(engine.frame_rate(), 'f', 1));
    const auto& frame = engine.frame();
    std::copy(frame.begin(), frame.begin() + std::ptrdiff_t(std::min(frame.size(), image_.size())),
              image_.begin());
    render();
}

void FormImage::render()
{
    const auto& engine = app::device(0).engine();
    img::render_options o;
    o.window = window_;
    o.rotate = ui->cb_rotate_90->isChecked();
    o.mirror_x = ui->cb_mirror_x->isChecked();
    o.mirror_y = ui->cb_mirror_y->isChecked();
    o.grid = ui->cb_draw_grid->isChecked();
    const bool points = ui->cb_result_points->isChecked() && engine.line_data_complete();
    o.line_data = points ? engine.line_data().data() : nullptr;
    o.chart_row = chart_->draws_line() ? chart_->line_number() : -1;
    const auto r = renderer_.render(image_.data(), o);
    ui->lab_image->set_image(QImage(reinterpret_cast<const uchar*>(r.pixels), r.width, r.height, r.width * 4,
                                    QImage::Format_RGB32));
    if (chart_->isVisible()) {
        FormImageChart::source s;
        s.frame = image_.data();
        s.window = window_;
        s.rotate = o.rotate;
        s.mirror_x = o.mirror_x;
        s.mirror_y = o.mirror_y;
        s.line_data = o.line_data;
        chart_->update_line(s);
    }
}

void FormImage::relayout()
{
    layout_ = img::layout_image(window_, full_view_, zoom_, ui->cb_rotate_90->isChecked(),
                                ui->cb_mirror_x->isChecked(), ui->cb_mirror_y->isChecked());
    ui->frame_image->setFixedSize(layout_.frame_w, layout_.frame_h);
    ui->scroll_image->setGeometry(layout_.scroll_x, layout_.scroll_y, layout_.scroll_w, layout_.scroll_h);
    ui->lab_image->resize(layout_.label_w, layout_.label_h);
    render();
    adjustSize();
}

void FormImage::sensor_settings_changed(const orvex::k7::qz3p_settings& s)
{
    editor_->show_settings(s);
    window_ = img::window_of(s);
    relayout();
}

void FormImage::sensor_connected(const orvex::k7::sensor_info& info)
{
    editor_->set_sensor(info);
}

void FormImage::on_btn_show_form_main_clicked()
{
    QWidget* main = app::main_window();
    main->raise();
    main->activateWindow();
}

void FormImage::on_btn_show_line_chart_clicked()
{
    chart_->showNormal();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect me = frameGeometry();
    const int frame_extra = chart_->frameGeometry().height() - chart_->height();
    const int y = std::min(me.bottom() + 1, screen.bottom() + 1 - chart_->height() - frame_extra);
    chart_->resize(width(), chart_->height());
    chart_->move(me.left(), std::max(screen.top(), y));
    chart_->activateWindow();
    render();
}

void FormImage::on_btn_save_image_clicked()
{
    const QDir dir = QDir::current();
    const QString path =
        dir.filePath(QString::fromStdString(img::next_image_file(dir.path().toUtf8().toStdString())));
    const std::vector<std::uint8_t> pixels = img::crop_frame(image_.data(), window_);
    const QImage image(pixels.data(), window_.width(), window_.height(), window_.width(),
                       QImage::Format_Grayscale8);
    if (!image.save(path, "PNG"))
        QMessageBox::warning(this, tr("Ошибка"), tr("Не удалось записать файл изображения:\n") + path);
}

void FormImage::on_radio_640x480_clicked(bool checked)
{
    if (!checked)
        return;
    full_view_ = false;
    app::program_settings().image_window_resolution = resolution_half.toStdString();
    relayout();
}

void FormImage::on_radio_1280x1024_clicked(bool checked)
{
    if (!checked)
        return;
    full_view_ = true;
    app::program_settings().image_window_resolution = resolution_full.toStdString();
    relayout();
}

void FormImage::store_background(QPushButton* button, std::uint16_t value)
{
    const auto& icons = app::icons();
    button->setIcon(icons.clock);
    button->repaint();
    bool ok = false;
    auto& device = app::device(0);
    if (device.is_connected()) {
        try {
            ok = device.commands().store_background(value);
        } catch (const std::exception&) {
            ok = false;
        }
    }
    button->setIcon(ok ? icons.accept : icons.close);
}

void FormImage::on_btn_background_save_zero_clicked()
{
    store_background(ui->btn_background_save_zero, 0);
}

void FormImage::on_btn_background_save_current_clicked()
{
    // The record's 16-bit word after the window rows carries the background
    // value the sensor stores.
    store_background(ui->btn_background_save_current, app::device(0).commands().settings().reserved);
}

void FormImage::on_cb_result_points_toggled(bool checked)
{
    app::device(0).engine().set_result_points(checked);
    render();
}

void FormImage::on_cb_show_settings_toggled(bool checked)
{
    ui->widget_settings_container->setVisible(checked);
    adjustSize();
}

void FormImage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    apply_acquire_mode();
}

void FormImage::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    apply_acquire_mode();
}

void FormImage::closeEvent(QCloseEvent* event)
{
    chart_->hide();
    QWidget::closeEvent(event);
}

void FormImage::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}

bool FormImage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->scroll_image->viewport() && event->type() == QEvent::Wheel)
        return true; // the scroll area does not scroll by the wheel: the wheel zooms
    if (watched == ui->lab_image && image_mouse(event))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool FormImage::image_mouse(QEvent* event)
{
    QScrollBar* hbar = ui->scroll_image->horizontalScrollBar();
    QScrollBar* vbar = ui->scroll_image->verticalScrollBar();
    switch (event->type()) {
    case QEvent::Wheel: {
        auto* e = static_cast<QWheelEvent*>(event);
        if (e->angleDelta().y() == 0)
            return true;
        const int old_zoom = zoom_;
        zoom_ = img::zoom_step(zoom_, e->angleDelta().y() > 0);
        if (zoom_ == old_zoom)
            return true;
        // The cursor in the viewport: its label position less the scrolled part.
        const QPoint at = e->position().toPoint() - QPoint(hbar->value(), vbar->value());
        const int h = img::scroll_keeping(hbar->value(), at.x(), old_zoom, zoom_);
        const int v = img::scroll_keeping(vbar->value(), at.y(), old_zoom, zoom_);
        relayout();
        hbar->setValue(h);
        vbar->setValue(v);
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::RightButton) {
            dragging_ = true;
            drag_origin_ = ui->lab_image->mapToGlobal(e->pos());
            drag_scroll_ = QPoint(hbar->value(), vbar->value());
        } else if (e->button() == Qt::LeftButton) {
            chart_->set_line_number(img::row_at(e->pos().x(), e->pos().y(), layout_, full_view_, zoom_,
                                                ui->cb_rotate_90->isChecked(), ui->cb_mirror_x->isChecked(),
                                                ui->cb_mirror_y->isChecked()));
        }
        return true;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (dragging_ && (e->buttons() & Qt::RightButton)) {
            const QPoint d = ui->lab_image->mapToGlobal(e->pos()) - drag_origin_;
            hbar->setValue(drag_scroll_.x() - d.x());
            vbar->setValue(drag_scroll_.y() - d.y());
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
            dragging_ = false;
        return true;
    default:
        return false;
    }
}
