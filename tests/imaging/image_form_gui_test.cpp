// The image window against a simulated sensor: streamed frames reach the
// window with their rate, the line chart follows a click, saving writes the
// cropped raw frame under the first free name, hiding switches the stream
// off, and a frame that fails keeps the previous image.
#include "app/program.h"
#include "app/program_events.h"
#include "imaging/form_image.h"
#include "imaging/form_image_chart.h"
#include "link/sensor_device.h"
#include "simulator.h"
#include "support/gui_support.h"
#include "support/program_fixture.h"
#include "support/test_support.h"

#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>

using orvex::test::TempDir;
namespace img = orvex::imaging;

namespace {

bool wait_for(const std::function<bool()>& done, int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QTest::qWait(10);
    }
    return true;
}

std::vector<std::uint8_t> last_image_request(const orvex::sim::simulator& sim)
{
    std::vector<std::uint8_t> last;
    for (const auto& d : sim.request_log(0))
        if (!d.empty() && d[0] == 0x25)
            last = d;
    return last;
}

} // namespace

TEST(ImageForm, StreamSaveHideAndFailure)
{
    orvex::sim::simulator_options o;
    o.sensors = {orvex::test::loopback_address(2) + ",fw=49m,scene=corner,distance=30"};
    o.frame_rate = 30;
    o.lines_per_ms = 64;
    orvex::sim::simulator sim(o);
    sim.start();
    TempDir exe_dir;
    ASSERT_TRUE(orvex::test::start_program_in(exe_dir));
    auto& device = orvex::app::device(0);
    ASSERT_TRUE(device.connect(sim.sensor_address(0)));

    // A window of 400 columns around the laser line in row 300, rows 1..512.
    const auto lines = sim.line_positions(0);
    ASSERT_FALSE(std::isnan(lines[300]));
    auto s = device.commands().settings();
    s.window_x_start = std::uint8_t(std::max(0, int(lines[300]) / 8 - 20));
    s.window_x_end = std::uint8_t(s.window_x_start + 49);
    s.window_y_start = 0;
    s.window_y_end = 511;
    ASSERT_TRUE(device.commands().write_settings_memory(s));
    emit orvex::app::program_events().sensor_settings_changed(s);

    FormImage* form = orvex::app::form_image();
    const img::frame_window w = form->frame_window();
    ASSERT_EQ(w.width(), 400);
    ASSERT_EQ(w.height(), 512);
    form->show();
    form->findChild<QRadioButton*>(QStringLiteral("radio_acquire_stream"))->click();
    ASSERT_TRUE(device.engine().image_stream());
    ASSERT_TRUE(wait_for(
        [&] {
            const QString t = form->windowTitle();
            const int at = t.indexOf(QStringLiteral("Кадров/сек: "));
            return at > 0 && t.mid(at + 12).toDouble() > 5.0;
        },
        5000))
        << form->windowTitle().toStdString();

    // The window's columns start at byte 0 of each line: the line lies at its
    // traced sensor column less the window's first column.
    const auto& copy = form->image_copy();
    const std::uint8_t* row = copy.data() + 1280 * 300;
    EXPECT_NEAR(double(std::max_element(row, row + 400) - row) + w.x_first, lines[300], 1.0);

    // A click on the image picks the chart's row (half view: two rows per pixel),
    // and the chart shows it at sensor columns.
    form->findChild<QPushButton*>(QStringLiteral("btn_show_line_chart"))->click();
    FormImageChart* chart = form->line_chart();
    ASSERT_TRUE(chart->isVisible());
    QTest::mouseClick(form->findChild<QWidget*>(QStringLiteral("lab_image")), Qt::LeftButton, {},
                      QPoint(5, 150));
    EXPECT_EQ(chart->line_number(), 301);
    ASSERT_TRUE(wait_for([&] { return chart->samples()[std::size_t(lines[301])] > 100; }, 2000));
    EXPECT_EQ(chart->samples()[std::size_t(w.x_first) - 1], 0.0);

    // Image_0.png exists: the raw cropped frame goes to Image_1.png.
    orvex::test::write_file(exe_dir / "Image_0.png", "taken");
    form->findChild<QPushButton*>(QStringLiteral("btn_save_image"))->click();
    const auto cropped = img::crop_frame(form->image_copy().data(), w);
    QImage saved(QString::fromStdString((exe_dir / "Image_1.png").u8string()));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.format(), QImage::Format_Grayscale8);
    ASSERT_EQ(saved.width(), 400);
    ASSERT_EQ(saved.height(), 512);
    for (int y = 0; y < 512; y += 73)
        EXPECT_EQ(std::memcmp(saved.constScanLine(y), cropped.data() + 400 * y, 400), 0) << y;
    EXPECT_EQ(orvex::test::read_file(exe_dir / "Image_0.png"), "taken");
    {
        // A working folder that cannot be written to: a message, nothing else.
        auto gone = std::make_unique<TempDir>();
        QDir::setCurrent(QString::fromStdString(gone->path().u8string()));
        gone.reset();
        orvex::test::BoxCloser boxes;
        form->findChild<QPushButton*>(QStringLiteral("btn_save_image"))->click();
        QDir::setCurrent(QString::fromStdString(exe_dir.path().u8string()));
        EXPECT_EQ(boxes.texts.size(), 1u);
        EXPECT_TRUE(device.engine().image_stream());
    }

    // Hiding the form switches the sensor's stream off.
    form->hide();
    EXPECT_FALSE(device.engine().image_stream());
    // (The simulator logs a request when its thread gets to it.)
    EXPECT_TRUE(wait_for(
        [&] {
            return last_image_request(sim) == std::vector<std::uint8_t>{0x25, 0x00};
        },
        2000));

    // Polling; then the sensor stops answering: the title says so and the
    // last good image stays.
    form->show();
    form->findChild<QRadioButton*>(QStringLiteral("radio_acquire_poll"))->click();
    ASSERT_TRUE(wait_for(
        [&] { return form->windowTitle().startsWith(QStringLiteral("Изображение получено.")); }, 3000));
    sim.set_answering(0, false);
    QTest::qWait(300);
    const std::vector<std::uint8_t> before = form->image_copy();
    ASSERT_TRUE(wait_for(
        [&] { return form->windowTitle() == QStringLiteral("***Не удалось получить изображение! ***"); },
        3000));
    EXPECT_TRUE(form->image_copy() == before);
    sim.set_answering(0, true);
    form->findChild<QRadioButton*>(QStringLiteral("radio_acquire_off"))->click();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Выкл."));
    form->close();
    device.disconnect();
}
