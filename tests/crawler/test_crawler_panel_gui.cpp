// The crawler panel against a simulated crawler behind a sensor: that the
// board brings up the panel and the panel's controls reach the crawler, the
// settings file and the export files. The decoding, the frame read and the
// files' formats are the core's and are tested there.
#include "app/program.h"
#include "app/program_events.h"
#include "app/quorin.h"
#include "crawler/crawler_device.h"
#include "crawler/form_xfn_crawler.h"
#include "link/sensor_device.h"
#include "simulator.h"
#include "support/program_fixture.h"
#include "support/test_support.h"
#include "xfn/xfn_panels.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using orvex::test::loopback_address;
using orvex::test::TempDir;

namespace {

using bytes = std::vector<std::uint8_t>;

struct CrawlerPanel : ::testing::Test {
    TempDir exe_dir;
    std::unique_ptr<orvex::sim::simulator> sim;
    Quorin* window = nullptr;

    void SetUp() override
    {
        sim = orvex::test::start_simulator({loopback_address(2) + ",board=80,records=20,measure=0.5"},
                                           loopback_address(254));
        ASSERT_TRUE(orvex::test::start_program_in(exe_dir));
        // The further link goes to loopback; the data folder is the current folder.
        orvex::test::write_file(exe_dir / "SettingsCrawler.xml",
                                "<root><CrawlerSettings><fixed_link_address>" + loopback_address(146) +
                                    "</fixed_link_address></CrawlerSettings></root>");
        window = orvex::app::main_window();
        window->show();
        ASSERT_TRUE(orvex::app::device(0).connect(loopback_address(2)));
        window->build_xfn_panel();
    }
    void TearDown() override
    {
        orvex::app::for_each_receiver([](orvex::IProgramEvents& r) { r.on_sensor_disconnected(); });
        orvex::app::device(0).disconnect();
        sim->stop();
    }

    template <class T>
    T* child(const char* name)
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    // 0xA9 requests the crawler received, as (motor 1 enable, pulse, motor 2 enable, pulse).
    std::vector<std::array<int, 4>> motor_fields()
    {
        std::vector<std::array<int, 4>> out;
        for (const auto& r : sim->request_log(0))
            if (r.size() == 8 && r[0] == 0xA9)
                out.push_back({r[2], r[3] << 8 | r[4], r[5], r[6] << 8 | r[7]});
        return out;
    }
    template <class Pred>
    bool wait_for(Pred done, int ms = 3000)
    {
        for (int i = 0; i < ms / 10 && !done(); ++i)
            QTest::qWait(10);
        return done();
    }
    static bool marked_ok(QAbstractButton* b)
    {
        return b->icon().cacheKey() == orvex::app::icons().accept.cacheKey();
    }
};

} // namespace

TEST_F(CrawlerPanel, LivePollAndMotors)
{
    ASSERT_NE(qobject_cast<form_xfn_crawler*>(orvex::xfn::current_panel_widget()), nullptr);
    EXPECT_EQ(child<QToolButton>("tool_xfn")->text(), QStringLiteral("Кроулер"));
    child<QToolButton>("tool_xfn")->click();

    child<QCheckBox>("cb_xmod_crawler_poll")->setChecked(true);
    auto* enc = child<QLabel>("lab_raw_enc_1");
    ASSERT_TRUE(wait_for([&] { return enc->text() != QStringLiteral("---"); }));
    EXPECT_NE(enc->text(), QStringLiteral("no ans"));
    EXPECT_TRUE(marked_ok(child<QCheckBox>("cb_xmod_crawler_poll")));

    // Held: the button's own widths with every poll; let go: the middle widths once, then nothing.
    child<QCheckBox>("cb_xmod_crawler_poll")->setChecked(false);
    child<QSpinBox>("spin_m1_pulse_us_2")->setValue(1510);
    const std::size_t at_press = motor_fields().size();
    QTest::mousePress(child<QPushButton>("btn_motor_4"), Qt::LeftButton);
    ASSERT_TRUE(wait_for([&] { return motor_fields().size() >= at_press + 2; }));
    EXPECT_EQ(motor_fields().back(), (std::array<int, 4>{1, 1300, 1, 1700}));
    QTest::mouseRelease(child<QPushButton>("btn_motor_4"), Qt::LeftButton);
    child<QCheckBox>("cb_xmod_crawler_poll")->setChecked(true);
    const std::size_t before = motor_fields().size();
    ASSERT_TRUE(wait_for([&] { return motor_fields().size() >= before + 4; }));
    const auto fields = motor_fields();
    std::vector<std::array<int, 4>> after(fields.begin() + long(before), fields.end());
    EXPECT_EQ(after.front(), (std::array<int, 4>{1, 1510, 1, 1500}));
    for (std::size_t i = 1; i < after.size(); ++i)
        EXPECT_EQ(after[i], (std::array<int, 4>{0, 0, 0, 0})) << i;
}

TEST_F(CrawlerPanel, SettingsFileFrameExportsAndReads)
{
    // A file without the crawler's keys gives the defaults; "В файл" writes the spin boxes.
    child<QSpinBox>("spin_m2_pulse_us_0")->setValue(999);
    child<QPushButton>("btn_settings_from_file")->click();
    EXPECT_TRUE(marked_ok(child<QPushButton>("btn_settings_from_file")));
    EXPECT_EQ(child<QSpinBox>("spin_m2_pulse_us_0")->value(), 1300);
    child<QSpinBox>("spin_m1_pulse_us_4")->setValue(1234);
    child<QPushButton>("btn_settings_to_file")->click();
    EXPECT_NE(orvex::test::read_file(exe_dir / "SettingsCrawler.xml").find("<motor_1_pulse_us_4>1234<"),
              std::string::npos);

    // The crawler's block goes into the sensor's settings record.
    child<QSpinBox>("spin_led_6")->setValue(77);
    child<QPushButton>("btn_settings_to_sensor")->click();
    EXPECT_TRUE(marked_ok(child<QPushButton>("btn_settings_to_sensor")));
    EXPECT_EQ(sim->settings_memory(0)[160 + 31], 77);

    // One frame, shown once read.
    child<QSpinBox>("spin_frame_number")->setValue(2);
    child<QPushButton>("btn_read_frame_next")->click();
    child<QPushButton>("btn_read_frame")->click();
    ASSERT_TRUE(wait_for([&] { return marked_ok(child<QPushButton>("btn_read_frame")); }, 10000));
    EXPECT_TRUE(child<QLabel>("lab_frame")->text().isEmpty());
    const bytes truth = sim->crawler_memory(0, 3 * orvex::crawler::frame_bytes, 1024);
    orvex::app::crawler_device().with_frame(
        [&](const std::uint8_t* f, std::size_t) { EXPECT_TRUE(std::equal(truth.begin(), truth.end(), f)); });

    // KMRR readings go to the two files with the calibration form's position text.
    child<QPushButton>("btn_kmrr_to_file")->click();
    EXPECT_EQ(orvex::test::read_file(exe_dir / "kmrr_data_x.txt").substr(0, 8), "     ---");

    // The memory read counts its frames on the button.
    child<QPushButton>("btn_read_memory")->click();
    ASSERT_TRUE(wait_for(
        [&] { return child<QPushButton>("btn_read_memory")->text() == QStringLiteral("1 of 64"); }, 10000));

    // Delayed start: the crawler becomes busy; a second start while it runs is refused.
    child<QSpinBox>("spin_delayed_start")->setValue(1);
    child<QPushButton>("btn_delayed_start")->click();
    EXPECT_TRUE(marked_ok(child<QPushButton>("btn_delayed_start")));
    child<QPushButton>("btn_delayed_start")->click();
    EXPECT_FALSE(marked_ok(child<QPushButton>("btn_delayed_start")));
    child<QPushButton>("btn_get_state")->click();
    EXPECT_EQ(child<QLabel>("lab_state")->text(), QStringLiteral("1"));
    EXPECT_TRUE(wait_for([&] { return !child<QLabel>("lab_crawler_status")->text().isEmpty(); }));
}
