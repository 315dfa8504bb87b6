// The profile page: what a settings event redraws, pixel axes with bypass,
// the profile poll as the main timer sees it, profiles reaching the chart.
#include "app/program.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "charts/chart_orvex.h"
#include "link/sensor_device.h"
#include "profiles/page_chart.h"
#include "settings/form_settings.h"
#include "simulator.h"
#include "support/program_fixture.h"
#include "support/test_support.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using orvex::qt::ChartOrvex;
using orvex::test::TempDir;

namespace {

struct ProfilePage : ::testing::Test {
    TempDir exe_dir;
    std::unique_ptr<orvex::sim::simulator> sim;
    PageChart* page = nullptr;

    void SetUp() override
    {
        sim = orvex::test::start_simulator({orvex::test::loopback_address(2) + ",serial=00042"});
        ASSERT_TRUE(orvex::test::start_program_in(exe_dir));
        page = orvex::app::page_chart();
        ASSERT_NE(page, nullptr);
        ASSERT_TRUE(orvex::app::device(0).connect(sim->sensor_address(0)));
        auto& r = orvex::app::decoded_range();
        r.known = true;
        r.frac_bits = 8;
        r.x_start = 0;
        r.x_end = 100;
        r.y_top_start = r.y_top = 50;
        r.y_bottom_start = r.y_bottom = -50;
    }
    void TearDown() override { orvex::app::device(0).disconnect(); }
};

} // namespace

TEST_F(ProfilePage, UnchangedSettingsRedrawNothingAndBypassShowsPixels)
{
    ChartOrvex* chart = page->chart();
    page->on_sensor_settings(true);
    EXPECT_EQ(chart->named(ChartOrvex::Blue).segments->segments.size(), 4u); // working range
    EXPECT_NEAR(chart->home_range().x1, 103.0, 1e-9);

    chart->named(ChartOrvex::Red).curve->append(1, 2); // stands for a drawn profile
    page->on_sensor_settings(false);
    EXPECT_EQ(chart->named(ChartOrvex::Red).curve->points.size(), 1u);

    auto& cmd = orvex::app::device(0).commands();
    auto s = cmd.settings();
    s.calibration_bypass = 1;
    ASSERT_TRUE(cmd.write_settings_memory(s));
    page->on_sensor_settings(false);
    EXPECT_TRUE(chart->named(ChartOrvex::Red).curve->points.empty());
    EXPECT_TRUE(chart->named(ChartOrvex::Blue).segments->segments.empty());
    EXPECT_TRUE(chart->named(ChartOrvex::Green).segments->segments.empty());
    EXPECT_DOUBLE_EQ(chart->home_range().x1, 1280);
    EXPECT_DOUBLE_EQ(chart->home_range().y1, 1024);
}

TEST_F(ProfilePage, PollFollowsTheCheckBoxOnlyWhileThePageIsShown)
{
    Quorin* window = orvex::app::main_window();
    auto* poll = page->findChild<QCheckBox*>(QStringLiteral("cbChartPoll"));
    ASSERT_NE(poll, nullptr);
    poll->setChecked(true);
    window->on_MainTimerTimeout();
    EXPECT_FALSE(orvex::app::device(0).engine().profile_poll()); // connection page is current
    window->findChild<QToolButton*>(QStringLiteral("toolChart"))->click();
    window->on_MainTimerTimeout();
    EXPECT_TRUE(orvex::app::device(0).engine().profile_poll());
    poll->setChecked(false);
    window->on_MainTimerTimeout();
    EXPECT_FALSE(orvex::app::device(0).engine().profile_poll());
}

TEST_F(ProfilePage, DisplayFlagsAreRestoredAndStored)
{
    auto* rotate = page->findChild<QCheckBox*>(QStringLiteral("cbChartRotate"));
    rotate->setChecked(true);
    EXPECT_TRUE(page->chart()->swap_xy());
    EXPECT_TRUE(page->chart()->invert_y());
    EXPECT_TRUE(orvex::app::program_settings().chart_rotate);
}

TEST_F(ProfilePage, BrightnessBarsGrowAlongTheDataXAlsoWhenRotated)
{
    Quorin* window = orvex::app::main_window();
    page->findChild<QCheckBox*>(QStringLiteral("cbChartBrightness"))->setChecked(true);
    page->findChild<QCheckBox*>(QStringLiteral("cbChartRotate"))->setChecked(true);
    ChartOrvex* chart = page->chart();
    // Data x and data y far apart, so a bar placed by the wrong axis shows.
    chart->set_ranges(0, 100, 1000, 2000);
    window->findChild<QToolButton*>(QStringLiteral("toolChart"))->click();
    QSignalSpy profiles(&orvex::app::program_events(), &orvex::ProgramEvents::sensor_last_result);
    page->findChild<QCheckBox*>(QStringLiteral("cbChartPoll"))->setChecked(true);
    ASSERT_TRUE(profiles.wait(3000));
    page->findChild<QCheckBox*>(QStringLiteral("cbChartPoll"))->setChecked(false);

    const auto& bars = chart->named(ChartOrvex::Green).curve->points;
    ASSERT_FALSE(bars.empty());
    for (const auto& b : bars) {
        EXPECT_GE(b.x, 0.0);
        EXPECT_LE(b.x, 100.0);
    }
}

TEST_F(ProfilePage, LossesAndWrongLengthsAreShownOnceWord1IsJudged)
{
    auto* lost = page->findChild<QLabel*>(QStringLiteral("labChartLost"));
    ASSERT_NE(lost, nullptr);
    orvex::app::main_window()->findChild<QToolButton*>(QStringLiteral("toolChart"))->click();
    QSignalSpy profiles(&orvex::app::program_events(), &orvex::ProgramEvents::sensor_last_result);
    page->findChild<QCheckBox*>(QStringLiteral("cbChartPoll"))->setChecked(true);
    ASSERT_TRUE(profiles.wait(3000));
    EXPECT_EQ(lost->text(), QStringLiteral("--- | 0")); // too few profiles to tell
    for (int i = 0; i < 100 && profiles.count() < 12; ++i)
        profiles.wait(100);
    page->findChild<QCheckBox*>(QStringLiteral("cbChartPoll"))->setChecked(false);
    ASSERT_GE(profiles.count(), 12);
    EXPECT_EQ(lost->text(), QStringLiteral("0 | 0")); // the simulator numbers its profiles
}

// Without the fixture: the page must be built from a file that asks for all
// three display flags.
TEST(ProfilePageStartUp, AllThreeDisplayFlagsAreRestored)
{
    TempDir exe_dir;
    orvex::ProgramSettings stored;
    stored.chart_keep_aspect_ratio = stored.chart_rotate = stored.chart_brightness = true;
    ASSERT_TRUE(orvex::test::start_program_in(exe_dir, stored));
    PageChart* page = orvex::app::page_chart();
    ASSERT_NE(page, nullptr);
    for (const char* name : {"cbChartKeepAspectRatio", "cbChartRotate", "cbChartBrightness"})
        EXPECT_TRUE(page->findChild<QCheckBox*>(QString::fromLatin1(name))->isChecked()) << name;
    EXPECT_TRUE(page->chart()->keep_aspect());
    EXPECT_TRUE(page->chart()->swap_xy());
    const auto& settings = orvex::app::program_settings();
    EXPECT_TRUE(settings.chart_rotate);
    EXPECT_TRUE(settings.chart_brightness);
}

TEST_F(ProfilePage, HeaderFitsA1024PixelScreenAndTheSettingsWindowMovesAlongWithDeveloperMode)
{
    Quorin* window = orvex::app::main_window();
    window->on_developer_mode(true);
    window->show();
    window->resize(1024 - 40, 600);
    window->findChild<QToolButton*>(QStringLiteral("toolChart"))->click();
    QCoreApplication::processEvents();
    EXPECT_LE(window->minimumSizeHint().width(), 1024 - 40);

    for (QWidget* w :
         {static_cast<QWidget*>(page->findChild<QCheckBox*>(QStringLiteral("cbChartBrightness"))),
          static_cast<QWidget*>(page->findChild<QLabel*>(QStringLiteral("labChartInfo2"))),
          static_cast<QWidget*>(page->findChild<QGroupBox*>(QStringLiteral("groupChartToFile")))}) {
        EXPECT_GE(w->width(), w->minimumSizeHint().width()) << w->objectName().toStdString();
        EXPECT_LE(w->mapTo(page, QPoint(w->width(), 0)).x(), page->width()) << w->objectName().toStdString();
    }

    // A value too long for its label is cut, and shown whole in the tool tip.
    auto* info = page->findChild<QLabel*>(QStringLiteral("labChartInfo1"));
    const int window_width = window->width();
    const QString long_value = QStringLiteral("123456789012345678901234567890");
    PageChart::set_value(info, long_value);
    QCoreApplication::processEvents();
    EXPECT_NE(info->text(), long_value);
    EXPECT_EQ(info->toolTip(), long_value);
    EXPECT_LE(info->width(), info->maximumWidth());
    EXPECT_EQ(window->width(), window_width); // the window does not grow for it
    PageChart::set_value(info, QStringLiteral("42"));
    EXPECT_EQ(info->text(), QStringLiteral("42"));
    EXPECT_TRUE(info->toolTip().isEmpty());

    window->on_developer_mode(false);
    QCoreApplication::processEvents();
    QWidget* settings = orvex::app::form_settings();
    window->findChild<QToolButton*>(QStringLiteral("toolSettings"))->click();
    window->on_developer_mode(true);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    // At the window's right edge, or as far right as the (offscreen, small) screen allows.
    const int screen_right = QGuiApplication::primaryScreen()->availableGeometry().right();
    EXPECT_EQ(settings->x(), std::min(screen_right - settings->width(), window->x() + window->width()));
    settings->hide();
}
