// Extension-board panels against simulated boards behind a sensor: the life
// cycle on the main window's extension page, and per panel family one button
// whose effect is checked in what the simulator received.
#include "app/program.h"
#include "app/program_events.h"
#include "app/quorin.h"
#include "link/sensor_commands.h"
#include "link/sensor_device.h"
#include "simulator.h"
#include "support/program_fixture.h"
#include "support/test_support.h"
#include "xfn/form_xfn0f_in2_out4.h"
#include "xfn/form_xfn30_stepping_motor.h"
#include "xfn/form_xfn40_led_pwm.h"
#include "xfn/form_xfn50.h"
#include "xfn/form_xfn81_therm_enc.h"
#include "xfn/xfn_board.h"
#include "xfn/xfn_codecs.h"
#include "xfn/xfn_panels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <iostream>

using orvex::test::loopback_address;
using orvex::test::TempDir;

namespace {

using bytes = std::vector<std::uint8_t>;

// Sensors by index: 0 thermostat, 1 LED driver, 2 unknown board, 3 outputs, 4 stepping motor,
// 5 motor board, 6 ELIS, 7 welding board, 8 tube board.
const int hosts[] = {2, 3, 4, 5, 6, 7, 8, 9, 10};

struct XfnPanels : ::testing::Test {
    TempDir exe_dir;
    std::unique_ptr<orvex::sim::simulator> sim;
    Quorin* window = nullptr;

    void SetUp() override
    {
        sim = orvex::test::start_simulator(
            {loopback_address(2) + ",board=81", loopback_address(3) + ",board=40",
             loopback_address(4) + ",board=77", loopback_address(5) + ",board=0F",
             loopback_address(6) + ",board=30", loopback_address(7) + ",board=50",
             loopback_address(8) + ",board=10,shift=6", loopback_address(9) + ",board=82",
             loopback_address(10) + ",board=51"});
        ASSERT_TRUE(orvex::test::start_program_in(exe_dir));
        window = orvex::app::main_window();
    }

    void TearDown() override
    {
        disconnect();
        sim->stop();
    }

    // What the connection page does for a first channel, without the search.
    bool connect(int index)
    {
        disconnect();
        if (!orvex::app::device(0).connect(loopback_address(hosts[index])))
            return false;
        window->build_xfn_panel();
        return true;
    }
    void disconnect()
    {
        orvex::app::for_each_receiver([](orvex::IProgramEvents& r) { r.on_sensor_disconnected(); });
        orvex::app::device(0).disconnect();
    }

    QToolButton* tool() { return window->findChild<QToolButton*>(QStringLiteral("tool_xfn")); }
    QWidget* page() { return window->findChild<QWidget*>(QStringLiteral("page_xfn")); }
    template <class T>
    T* child(const char* name)
    {
        return page()->findChild<T*>(QString::fromLatin1(name));
    }
    // Requests the simulated sensor `index` received with opcode `code`.
    std::vector<bytes> received(std::size_t index, std::uint8_t code)
    {
        std::vector<bytes> out;
        for (const auto& r : sim->request_log(index))
            if (!r.empty() && r[0] == code)
                out.push_back(r);
        return out;
    }
    bytes last(std::size_t index, std::uint8_t code)
    {
        const auto all = received(index, code);
        return all.empty() ? bytes() : all.back();
    }
    static bool shows(QAbstractButton* b, const QIcon& icon)
    {
        return b->icon().cacheKey() == icon.cacheKey();
    }
};

} // namespace

TEST_F(XfnPanels, LifeCycleFollowsTheConnectedBoard)
{
    ASSERT_TRUE(connect(2)); // unknown code: no panel
    EXPECT_TRUE(tool()->isHidden());
    EXPECT_EQ(orvex::xfn::current_panel(), nullptr);
    EXPECT_EQ(page()->layout()->count(), 0);

    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(connect(0));
    QPointer<FormXfn81ThermEnc> thermo = qobject_cast<FormXfn81ThermEnc*>(orvex::xfn::current_panel_widget());
    ASSERT_FALSE(thermo.isNull());
    // The configuration was read when the board connected: the panel is filled.
    EXPECT_EQ(child<QDoubleSpinBox>("spin_upper_limit")->value(), 30.0);
    std::cout << "[ figure ] connection to a filled thermostat panel: " << clock.nsecsElapsed() / 1000
              << " us\n";
    EXPECT_FALSE(tool()->isHidden());
    EXPECT_EQ(tool()->text(), QStringLiteral("Термостат, энкодер"));
    EXPECT_EQ(received(0, 0xA2).size(), 1u);

    ASSERT_TRUE(connect(1)); // another board type on reconnect gives the other panel
    EXPECT_TRUE(thermo.isNull());
    EXPECT_NE(qobject_cast<FormXfn40_LedPwm*>(orvex::xfn::current_panel_widget()), nullptr);
    EXPECT_EQ(tool()->text(), QStringLiteral("Светодиоды"));
    EXPECT_EQ(page()->layout()->count(), 1);

    // Two mark-exclusive results leave only the second button marked.
    auto* on = child<QPushButton>("btn_on");
    auto* off = child<QPushButton>("btn_off");
    on->click();
    EXPECT_TRUE(shows(on, orvex::app::icons().accept));
    off->click();
    EXPECT_TRUE(shows(on, orvex::app::icons().empty));
    EXPECT_TRUE(shows(off, orvex::app::icons().accept));
    const auto led = received(1, 0xA1);
    ASSERT_EQ(led.size(), 2u);
    EXPECT_EQ(led[0], (bytes{0xA1, 255}));
    EXPECT_EQ(led[1], (bytes{0xA1, 0}));

    disconnect();
    EXPECT_TRUE(tool()->isHidden());
    EXPECT_EQ(page()->layout()->count(), 0);
    EXPECT_EQ(orvex::xfn::current_panel(), nullptr);
}

TEST_F(XfnPanels, SettingsBlockPanelsWriteTheirLayoutIntoTheSensorRecord)
{
    ASSERT_TRUE(connect(0));
    child<QGroupBox>("group_laser_control")->setChecked(true);
    child<QDoubleSpinBox>("spin_laser_low")->setValue(20.5);
    child<QDoubleSpinBox>("spin_laser_high")->setValue(30.0);
    child<QSpinBox>("spin_encoder_divider")->setValue(4);
    child<QCheckBox>("cb_encoder_forw")->setChecked(true);
    child<QPushButton>("btn_settings_to_sensor")->click();
    orvex::xfn::thermo_settings t;
    t.laser_control = true;
    t.laser_low = 20.5;
    t.laser_high = 30.0;
    t.encoder_divider = 4;
    t.encoder_forw = true;
    const auto block = orvex::xfn::encode_thermo_block(t);
    auto memory = sim->settings_memory(0);
    EXPECT_EQ(bytes(memory.begin() + 160, memory.begin() + 192), bytes(block.begin(), block.end()));

    child<QPushButton>("btn_read_temp")->click();
    EXPECT_TRUE(child<QLabel>("lab_temp")->text().endsWith(QStringLiteral(" °C")));
    EXPECT_EQ(received(0, 0xA0).size(), 1u);

    // The LED block keeps the bytes it does not own.
    ASSERT_TRUE(connect(1));
    child<QSlider>("slider_pwm_3")->setValue(77);
    child<QSpinBox>("spin_period_mult")->setValue(258);
    child<QPushButton>("btn_settings_write")->click();
    memory = sim->settings_memory(1);
    EXPECT_EQ(bytes(memory.begin() + 160, memory.begin() + 168), (bytes{0, 0, 1, 2, 0, 0, 77, 0}));
    child<QSlider>("slider_pwm_3")->setValue(1);
    child<QPushButton>("btn_settings_read")->click();
    EXPECT_EQ(child<QSlider>("slider_pwm_3")->value(), 77);
}

TEST_F(XfnPanels, CommandPanelsSendTheirWordsAndShowTheBoardsAnswers)
{
    ASSERT_TRUE(connect(3));
    child<QCheckBox>("cb_out_2")->setChecked(true);
    child<QPushButton>("btn_write")->click();
    EXPECT_EQ(last(3, 0xA0), (bytes{0xA0, 0, 1, 0, 0}));
    child<QCheckBox>("cb_out_2")->setChecked(false);
    child<QPushButton>("btn_read")->click();
    EXPECT_TRUE(child<QCheckBox>("cb_out_2")->isChecked());

    // A board that does not answer: the button shows the failure, the boxes stay.
    sim->set_answering(3, false);
    child<QCheckBox>("cb_out_1")->setChecked(true);
    child<QPushButton>("btn_read")->click();
    EXPECT_TRUE(shows(child<QPushButton>("btn_read"), orvex::app::icons().close));
    EXPECT_TRUE(child<QCheckBox>("cb_out_1")->isChecked());
    sim->set_answering(3, true);

    // 256 payload or reply bytes cannot be carried: refused before anything is sent.
    const auto before = sim->request_log(3).size();
    orvex::xfn::xfn_board board(orvex::app::device(0).commands());
    bytes reply;
    EXPECT_FALSE(board.command(0xA0, bytes(256, 1), 0, reply));
    EXPECT_FALSE(board.command(0xA5, {}, 256, reply));
    EXPECT_FALSE(board.command(0x8B, {1})); // not a board command
    EXPECT_EQ(sim->request_log(3).size(), before);

    ASSERT_TRUE(connect(4));
    child<QDoubleSpinBox>("spin_speed")->setValue(1000000.0);
    child<QPushButton>("btn_speed_write")->click();
    EXPECT_EQ(last(4, 0xA3), (bytes{0xA3, 1, 0, 0, 0, 0}));
    child<QSpinBox>("spin_go_steps")->setValue(-3);
    child<QPushButton>("btn_go_steps")->click();
    child<QPushButton>("btn_start")->click();
    EXPECT_EQ(last(4, 0xA0), (bytes{0xA0, 0xFF, 0xFF, 0xFF, 0xFD}));
    EXPECT_EQ(last(4, 0xA5), (bytes{0xA5, 1}));
    // The position poll reads the motor that ran to its target.
    auto* poll = child<QCheckBox>("cb_pos_poll");
    poll->setChecked(true);
    auto* pos = child<QLabel>("lab_pos_steps");
    for (int i = 0; i < 300 && pos->text() != QStringLiteral("-3"); ++i)
        QTest::qWait(10);
    EXPECT_EQ(pos->text(), QStringLiteral("-3"));
}

TEST_F(XfnPanels, MotorPanelStepsRelativeMovesPollsAndClearsTheBlock)
{
    ASSERT_TRUE(connect(5));
    ASSERT_NE(qobject_cast<FormXfn50*>(orvex::xfn::current_panel_widget()), nullptr);
    window->show();
    tool()->click();

    child<QDoubleSpinBox>("spin_rel_pos_1")->setValue(1.5);
    auto* right = child<QPushButton>("btn_rel_right_1");
    right->click();
    right->click();
    EXPECT_EQ(child<QDoubleSpinBox>("spin_goto_pos_1")->value(), 3.0);
    const auto moves = received(5, 0xA6);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0], (bytes{0xA6, 0, 0, 0x05, 0xDC})); // 1.5 mm at 1000 steps/mm
    EXPECT_EQ(moves[1], (bytes{0xA6, 0, 0, 0x0B, 0xB8}));

    child<QCheckBox>("cb_stream")->click(); // on
    child<QCheckBox>("cb_stream")->click(); // off: sent without waiting
    for (int i = 0; i < 100 && received(5, 0xA2).size() < 2; ++i)
        QTest::qWait(5);
    EXPECT_EQ(last(5, 0xA2), (bytes{0xA2, 0}));

    child<QCheckBox>("cb_poll")->setChecked(true);
    auto* moto = child<QLabel>("lab_moto_1");
    for (int i = 0; i < 200 && moto->text() != QStringLiteral("3"); ++i)
        QTest::qWait(10);
    EXPECT_EQ(moto->text(), QStringLiteral("3"));
    EXPECT_TRUE(shows(child<QCheckBox>("cb_poll"), orvex::app::icons().accept));

    // This panel keeps nothing in the settings block: a settings write clears it.
    auto& commands = orvex::app::device(0).commands();
    auto record = commands.settings();
    record.ext_block.fill(0x5A);
    ASSERT_TRUE(commands.write_settings_memory(record));
    ASSERT_TRUE(orvex::xfn::current_panel()->settings_write_memory());
    const auto memory = sim->settings_memory(5);
    EXPECT_EQ(bytes(memory.begin() + 160, memory.begin() + 192), bytes(32, 0));
}

TEST_F(XfnPanels, ElisWeldingAndTubePanelsReachTheirBoards)
{
    ASSERT_TRUE(connect(6)); // ELIS: the range words use the sensor's fractional bits (6)
    child<QDoubleSpinBox>("spin_analog_min")->setValue(10.0);
    child<QDoubleSpinBox>("spin_analog_max")->setValue(110.0);
    child<QComboBox>("combo_output_type")->setCurrentIndex(2);
    child<QPushButton>("btn_settings_write_memory")->click();
    const auto memory = sim->settings_memory(6);
    EXPECT_EQ(bytes(memory.begin() + 176, memory.begin() + 182), (bytes{1, 0, 0x02, 0x80, 0x02, 0x8F}));
    child<QDoubleSpinBox>("spin_analog_max")->setValue(1.0);
    child<QPushButton>("btn_settings_read_memory")->click();
    EXPECT_NEAR(child<QDoubleSpinBox>("spin_analog_max")->value(), 110.0, 0.1);

    // Welding: the area is read at creation; with write-on-change a change is written at once.
    ASSERT_TRUE(connect(7));
    EXPECT_EQ(received(7, 0x8A).size(), 1u);
    child<QCheckBox>("cb_write_on_change")->setChecked(true);
    child<QSpinBox>("spin_pwm_2")->setValue(200);
    const bytes write = last(7, 0x8B);
    ASSERT_EQ(write.size(), 258u);
    EXPECT_EQ(bytes(write.begin(), write.begin() + 8), (bytes{0x8B, 0, 255, 0, 0, 0, 200, 0}));

    // Tube board: one channel's width, then the poll shows its encoder counting.
    ASSERT_TRUE(connect(8));
    child<QSpinBox>("spin_moto_width_2")->setValue(1000);
    child<QPushButton>("btn_moto_write_2")->click();
    EXPECT_EQ(last(8, 0xA0), (bytes{0xA0, 2, 0, 0, 0x03, 0xE8, 0, 0}));
    window->show();
    tool()->click();
    child<QCheckBox>("cb_poll")->setChecked(true);
    auto* enc = child<QLabel>("lab_enc_2");
    for (int i = 0; i < 100 && (enc->text() == QStringLiteral("---") || enc->text() == QStringLiteral("0"));
         ++i)
        QTest::qWait(10);
    EXPECT_GT(enc->text().toInt(), 0);
}
