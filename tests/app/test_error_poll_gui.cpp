// The error-state poll of the main timer: its texts, the developer-mode and
// firmware-page conditions, and the failure text.
#include "app/program.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "link/sensor_device.h"
#include "simulator.h"
#include "support/program_fixture.h"
#include "support/test_support.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using orvex::test::TempDir;

namespace {

struct ErrorPoll : ::testing::Test {
    TempDir exe_dir;
    std::unique_ptr<orvex::sim::simulator> sim;
    Quorin* window = nullptr;
    QCheckBox* box = nullptr;

    void SetUp() override
    {
        sim = orvex::test::start_simulator({orvex::test::loopback_address(2) + ",serial=00042"});
        orvex::ProgramSettings stored;
        stored.sensor_errors_poll_period_ms = 1;
        ASSERT_TRUE(orvex::test::start_program_in(exe_dir, stored));
        window = orvex::app::main_window();
        box = window->findChild<QCheckBox*>(QStringLiteral("cbStatusErrorState"));
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(orvex::app::device(0).connect(sim->sensor_address(0)));
    }
    void TearDown() override { orvex::app::device(0).disconnect(); }

    // Runs ticks with a pause longer than the 1 ms period between them.
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            QTest::qWait(3);
            window->on_MainTimerTimeout();
        }
    }
    void ticks_for(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            ticks(1);
    }
    long error_reads()
    {
        long n = 0;
        for (const auto& r : sim->request_log(0))
            n += !r.empty() && r[0] == 0x7D;
        return n;
    }
};

} // namespace

TEST_F(ErrorPoll, ShowsTheStateOnlyInDeveloperModeAndNeverOnTheFirmwarePage)
{
    std::vector<std::uint8_t> state(16, 0);
    state[0] = 0xAB;
    state[1] = 7;
    state[2] = 200;
    state[12] = 0x0F;
    state[15] = 0x10;
    sim->set_error_state(0, state);

    box->setChecked(true); // poll on, developer mode off: reset, no command
    ticks(5);
    EXPECT_EQ(box->text(), QStringLiteral("---"));
    EXPECT_EQ(error_reads(), 0);

    window->on_developer_mode(true);
    ticks(5);
    EXPECT_EQ(box->text(), QStringLiteral("R: ab 7 200    DBG: f 0 0 10 "));
    EXPECT_GT(error_reads(), 0);

    window->findChild<QToolButton*>(QStringLiteral("toolBitstream"))->click();
    const long before = error_reads();
    ticks(5);
    EXPECT_EQ(error_reads(), before);
    EXPECT_EQ(box->text(), QStringLiteral("---"));
}

TEST_F(ErrorPoll, FailedReadsBackOffWithoutHoldingATickAndZeroPeriod)
{
    window->on_developer_mode(true);
    box->setChecked(true);
    sim->set_answering(0, false);
    QElapsedTimer clock;
    clock.start();
    qint64 longest_tick = 0;
    while (box->text() != QStringLiteral("?: ") && clock.elapsed() < 2000) {
        QTest::qWait(3);
        QElapsedTimer tick;
        tick.start();
        window->on_MainTimerTimeout();
        longest_tick = std::max(longest_tick, tick.elapsed());
    }
    EXPECT_EQ(box->text(), QStringLiteral("?: "));
    EXPECT_LT(longest_tick, 100); // the reply is awaited across ticks, not inside one
    // Three failures in a row (300 ms each), then one request per 5 s.
    ticks_for(1200);
    const long before = error_reads();
    ticks_for(2000);
    EXPECT_EQ(error_reads(), before);

    orvex::app::program_settings().sensor_errors_poll_period_ms = 0;
    ticks(2);
    EXPECT_EQ(box->text(), QStringLiteral("---"));
}
