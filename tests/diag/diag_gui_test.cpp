// Wiring of the diagnostics pages and the sandbox in the running program,
// against a simulated sensor on the first channel.
#include "app/program.h"
#include "app/program_events.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "charts/chart_orvex.h"
#include "diag/form_debug.h"
#include "diag/form_laser_tuning.h"
#include "diag/page_debug.h"
#include "diag/page_latch.h"
#include "diag/vita_init_block.h"
#include "flash/flash_engine.h"
#include "link/sensor_device.h"
#include "profiles/form_sandbox.h"
#include "simulator.h"
#include "support/gui_support.h"
#include "support/program_fixture.h"
#include "support/test_support.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

using namespace orvex;
using orvex::test::TempDir;

namespace {

struct Diagnostics : ::testing::Test {
    TempDir exe_dir;
    std::unique_ptr<sim::simulator> sim;
    Quorin* window = nullptr;

    void SetUp() override
    {
        sim = test::start_simulator({test::loopback_address(2) + ",serial=00042"});
        ProgramSettings stored;
        stored.developer_mode = true;
        ASSERT_TRUE(test::start_program_in(exe_dir, stored));
        window = app::main_window();
        window->show();
        ASSERT_TRUE(app::device(0).connect(sim->sensor_address(0)));
    }
    void TearDown() override
    {
        app::device(0).disconnect();
        app::page_task_list().drop_all();
    }

    template <class T>
    T* find(const char* name)
    {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        if (w == nullptr)
            w = app::form_sandbox()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void tick()
    {
        QTest::qWait(1);
        window->on_MainTimerTimeout();
    }
    // Ticks until `done` or about two seconds.
    template <class F>
    bool tick_until(F done, int limit = 2000)
    {
        for (int i = 0; i < limit && !done(); ++i)
            tick();
        return done();
    }
    long requests(std::uint8_t command)
    {
        long n = 0;
        for (const auto& r : sim->request_log(0))
            n += !r.empty() && r[0] == command;
        return n;
    }
    static bool has_icon(QAbstractButton* b, const QIcon& icon)
    {
        return b->icon().cacheKey() == icon.cacheKey();
    }
};

} // namespace

TEST_F(Diagnostics, RegisterPageReadsWritesAndRefusesBadNumbers)
{
    find<QSpinBox>("spinBitstreamVitaRegReadAddr")->setValue(5);
    auto* edit = find<QLineEdit>("editBitstreamVitaRegWriteValue");
    {
        test::BoxCloser closer;
        edit->setText(QStringLiteral("z12"));
        find<QPushButton>("btnBitstreamVitaRegWrite")->click();
        ASSERT_EQ(closer.texts.size(), 1u);
        EXPECT_EQ(closer.texts[0], QStringLiteral("Неправильное число"));
        EXPECT_EQ(requests(0x7A), 0);
    }
    edit->setText(QStringLiteral("0x1B2cq"));
    find<QPushButton>("btnBitstreamVitaRegWrite")->click();
    EXPECT_EQ(sim->register_value(0, 5), 0x1B2C);
    find<QPushButton>("btnBitstreamVitaRegRead")->click();
    EXPECT_EQ(find<QLabel>("labBitstreamVitaRegValue")->text(), QStringLiteral("1b2c"));
    sim->set_answering(0, false);
    find<QPushButton>("btnBitstreamVitaRegRead")->click();
    EXPECT_EQ(find<QLabel>("labBitstreamVitaRegValue")->text(), QStringLiteral("ERR"));
}

TEST_F(Diagnostics, RegisterDumpRunsOneRegisterPerTickAndReportsAnUnwritableFile)
{
    auto* button = find<QPushButton>("btnRegistersToFile");
    auto* state = find<QLabel>("labRegistersState");
    button->click();
    EXPECT_TRUE(state->text().startsWith(QStringLiteral("Регистр "))) << "the first register is read at once";
    ASSERT_TRUE(tick_until([&] { return !app::page_task_list().running(PageDebug::dump_task_id); }));
    EXPECT_EQ(state->text(), QStringLiteral("Чтение завершено успешно"));
    const std::string text = test::read_file(exe_dir / "Registers.txt");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 512);
    EXPECT_TRUE(has_icon(button, app::icons().accept));

    std::filesystem::remove(exe_dir / "Registers.txt");
    std::filesystem::create_directory(exe_dir / "Registers.txt"); // cannot be opened as a file
    button->click();
    EXPECT_EQ(state->text(), QStringLiteral("Не удалось открыть файл"));
    EXPECT_TRUE(has_icon(button, app::icons().close));
}

TEST_F(Diagnostics, TimedRestartSwitchesPowerOnAfterThePauseWhileTicksRun)
{
    find<QDoubleSpinBox>("spinVitaRestartTimer")->setValue(0.5);
    const auto start = std::chrono::steady_clock::now();
    find<QPushButton>("btnVitaPowerRestart")->click();
    EXPECT_FALSE(sim->image_sensor_powered(0));
    int ticks = 0;
    while (!sim->image_sensor_powered(0) &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
        tick();
        ++ticks;
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(sim->image_sensor_powered(0));
    EXPECT_GE(elapsed, std::chrono::milliseconds(500));
    EXPECT_LT(elapsed, std::chrono::milliseconds(1500)); // a loaded machine ticks late
    EXPECT_GT(ticks, 50) << "the window kept ticking during the pause";
}

TEST_F(Diagnostics, InitialisationBlockProtectionAndRecoveryCheck)
{
    find<QPushButton>("btnBitstreamInitRegisters")->click();
    auto& jobs = app::device(0).flash().jobs();
    ASSERT_TRUE(tick_until([&] { return !jobs.busy(); }));
    std::vector<std::uint8_t> expected;
    ASSERT_TRUE(k7::build_vita_init_block(app::version_string.toStdString(), expected));
    EXPECT_EQ(sim->flash_read(0, k7::vita_init_block_address, expected.size()), expected);
    EXPECT_EQ(sim->operating_mode(0), 0) << "back in measuring mode";

    auto* protection = find<QToolButton>("btn_flash_protection_info");
    protection->click();
    EXPECT_TRUE(has_icon(protection, app::icons().warning)) << "individual block protection starts off";
    find<QPushButton>("btn_flash_protection_fix")->click();
    EXPECT_TRUE(has_icon(protection, app::icons().accept)) << "the fix refreshes the information";

    // The reference image: missing, complete and equal, shorter than 2560 bytes.
    auto* info = find<QToolButton>("btn_bitstream_recovery_info");
    app::program_settings().recovery_image_file = (exe_dir / "recovery.bin").u8string();
    {
        test::BoxCloser closer;
        info->click();
        ASSERT_EQ(closer.texts.size(), 1u);
        EXPECT_EQ(closer.texts[0], QStringLiteral("Не найден файл аварийной прошивки"));
    }
    std::vector<std::uint8_t> image(2560);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7);
    sim->flash_write_raw(0, 0x10000, image);
    test::write_file(exe_dir / "recovery.bin", std::string(image.begin(), image.end()));
    info->click();
    EXPECT_TRUE(has_icon(info, app::icons().accept));
    test::write_file(exe_dir / "recovery.bin", std::string(image.begin(), image.begin() + 2000));
    info->click();
    EXPECT_TRUE(has_icon(info, app::icons().warning)) << "a short reference is a difference";
}

TEST_F(Diagnostics, LatchPagePollsOnlyWhileShownAndPlotsTheWholeRecord)
{
    auto* page = window->findChild<PageLatch*>();
    ASSERT_NE(page, nullptr);
    find<QCheckBox>("cbLatchPoll")->setChecked(true);
    find<QToolButton>("toolConnection")->click();
    for (int i = 0; i < 20; ++i)
        tick();
    EXPECT_EQ(requests(0xD1), 0) << "hidden page: no cycle";
    find<QToolButton>("toolLatch")->click();
    auto* chart = window->findChild<qt::ChartOrvex*>(QStringLiteral("chartLatch"));
    ASSERT_TRUE(tick_until([&] { return chart->curve(0).points.size() == 4096; }));
    EXPECT_EQ(chart->curve(0).points[100].x, 100);
    EXPECT_TRUE(has_icon(find<QPushButton>("btnLatchRead"), app::icons().accept));

    std::vector<std::uint8_t> state(16, 0);
    state[0] = 0xAB;
    state[1] = 7;
    state[2] = 200;
    sim->set_error_state(0, state);
    find<QPushButton>("btnErrorStateGet")->click();
    EXPECT_EQ(find<QPushButton>("btnErrorStateGet")->text(), QStringLiteral("ab 7 200"));
}

TEST_F(Diagnostics, SandboxSortsPolledProfilesAndStoresItsSettings)
{
    FormSandbox* sandbox = app::form_sandbox();
    sandbox->show();
    emit app::program_events().sensor_connected(app::device(0).commands().info());
    EXPECT_EQ(sandbox->chart()->named(qt::ChartOrvex::Blue).segments->segments.size(), 4u);

    find<QDoubleSpinBox>("spin_cut_x0")->setValue(0);
    find<QDoubleSpinBox>("spin_cut_x1")->setValue(9999);
    find<QDoubleSpinBox>("spin_cut_y0")->setValue(-9999);
    find<QDoubleSpinBox>("spin_cut_y1")->setValue(0);
    find<QGroupBox>("group_cut")->setChecked(true);
    EXPECT_TRUE(app::program_settings().sandbox.cut_enabled);
    EXPECT_EQ(app::program_settings().sandbox.cut_y1, 0);
    EXPECT_EQ(sandbox->chart()->named(qt::ChartOrvex::Red).lines->lines.size(), 4u);

    ASSERT_TRUE(
        tick_until([&] { return !sandbox->points().kept.empty() || !sandbox->points().cut.empty(); }));
    for (const auto& p : sandbox->points().kept)
        EXPECT_LT(p.y, 0);
    for (const auto& p : sandbox->points().cut)
        EXPECT_GE(p.y, 0);

    find<QCheckBox>("cb_poll")->setChecked(false);
    tick();
    EXPECT_FALSE(app::device(0).engine().profile_poll());
    sandbox->hide();
}

TEST_F(Diagnostics, DebugWindowLaysOutTheDescribedRecordAndShowsItsFields)
{
    FormDebug* form = app::form_debug();
    auto* read = form->findChild<QPushButton*>(QStringLiteral("btnOnceRead"));
    read->click(); // no descriptor yet: an empty record, nothing shown
    EXPECT_TRUE(form->findChildren<QLabel*>(QStringLiteral("labOnceValue0")).isEmpty());
    form->findChild<QPushButton*>(QStringLiteral("btnReadDescr"))->click();
    ASSERT_EQ(form->layout().fields.size(), 5u);
    EXPECT_EQ(form->layout().length, 8u);
    read->click();
    // The simulator's record: frames in bits 31..0 count its reads, power in bit 40.
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("labOnceName2"))->text(), QStringLiteral("power :"));
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("labOnceValue2"))->text(), QStringLiteral("1"));
    read->click();
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("labOnceValue0"))->text(), QStringLiteral("3"));
    form->findChild<QPushButton*>(QStringLiteral("btnReadDescr"))->click(); // rebuilt, not doubled
    EXPECT_EQ(form->findChildren<QLabel*>(QStringLiteral("labOnceValue4")).size(), 1);
    sim->set_answering(0, false);
    read->click();
    EXPECT_EQ(read->text(), QStringLiteral("-----"));
}

TEST_F(Diagnostics, LaserTuningAnalysesFramesOnlyWhileShown)
{
    FormLaserTuning* form = app::form_laser_tuning();
    auto& engine = app::device(0).engine();
    engine.set_image_request(true, false);
    int received = 0;
    auto connection =
        QObject::connect(&app::program_events(), &ProgramEvents::image_received, [&received] { ++received; });
    ASSERT_TRUE(tick_until([&] { return received > 0; }, 4000));
    EXPECT_TRUE(form->rows().empty()) << "hidden window ignores frames";
    form->show();
    received = 0;
    ASSERT_TRUE(tick_until([&] { return received > 0; }, 4000));
    QObject::disconnect(connection);
    engine.set_image_request(false, false);
    ASSERT_EQ(form->rows().size(), 1024u);
    const auto lit = std::count_if(form->rows().begin(), form->rows().end(),
                                   [](const diag::laser_row& r) { return r.peak > 0 && r.width50 > 0; });
    EXPECT_GT(lit, 500) << "the simulated line lights most rows";
    auto* chart = form->findChild<qt::ChartOrvex*>(QStringLiteral("chartEnergyDistribution"));
    EXPECT_EQ(chart->curve(1).points.size(), 1024u);
    form->hide();
}
