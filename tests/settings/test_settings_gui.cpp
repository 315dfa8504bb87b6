// The settings window against a simulated sensor: the editor's window and
// period checks, showing a record without writing, the round trip of every
// widget through working memory, memory and flash apart, the announcements
// of each operation, the convolution form and the stored user sets.
#include "app/program.h"
#include "app/program_events.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "link/sensor_device.h"
#include "settings/form_convolution.h"
#include "settings/form_settings.h"
#include "settings/w_sensor_settings.h"
#include "simulator.h"
#include "support/program_fixture.h"
#include "support/test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <deque>
#include <gtest/gtest.h>
#include <memory>

using orvex::k7::qz3p_settings;
using orvex::test::TempDir;
namespace app = orvex::app;

namespace {

const QString red = QStringLiteral("background-color: rgb(255, 150, 150)");
const QString white = QStringLiteral("background-color:white");

// Answers the modal dialogs that come up while it lives: input dialogs with
// the next text, message boxes with the next button; remembers what they said.
class DialogAnswerer {
public:
    DialogAnswerer()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* input = qobject_cast<QInputDialog*>(modal)) {
                labels.push_back(input->labelText());
                titles.push_back(input->windowTitle());
                input->setTextValue(names.empty() ? QString() : names.front());
                if (!names.empty())
                    names.pop_front();
                input->accept();
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                texts.push_back(box->text());
                titles.push_back(box->windowTitle());
                QMessageBox::StandardButton b = QMessageBox::Ok;
                if (!buttons.empty()) {
                    b = buttons.front();
                    buttons.pop_front();
                }
                if (box->button(b) != nullptr)
                    box->button(b)->click();
                else
                    box->reject();
            }
        });
        timer_.start(5);
    }
    std::deque<QString> names;
    std::deque<QMessageBox::StandardButton> buttons;
    std::vector<QString> labels, texts, titles;

private:
    QTimer timer_;
};

// Records the receivers' notifications and the hub's settings signal in order.
struct Recorder : orvex::IProgramEvents {
    std::vector<std::string> log;
    void on_sensor_settings(bool connecting) override
    {
        log.push_back(connecting ? "on_sensor_settings(true)" : "on_sensor_settings(false)");
    }
};

struct SettingsWindow : ::testing::Test {
    TempDir exe_dir;
    std::unique_ptr<orvex::sim::simulator> sim;
    FormSettings* form = nullptr;
    WSensorSettings* editor = nullptr;

    void SetUp() override
    {
        sim = orvex::test::start_simulator({orvex::test::loopback_address(2) + ",serial=00042"});
        ASSERT_TRUE(orvex::test::start_program_in(exe_dir));
        form = app::form_settings();
        ASSERT_NE(form, nullptr);
        editor = form->editor();
        ASSERT_NE(editor, nullptr);
        ASSERT_TRUE(app::device(0).connect(sim->sensor_address(0)));
    }
    void TearDown() override { app::device(0).disconnect(); }

    std::string settings_file() const { return (exe_dir / "Settings.xml").u8string(); }

    template <class T>
    T* w(const char* name)
    {
        T* found = editor->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QSpinBox* spin(const char* name) { return w<QSpinBox>(name); }
    QCheckBox* check(const char* name) { return w<QCheckBox>(name); }
    QPushButton* button(const char* name) { return w<QPushButton>(name); }

    // Requests with this first byte that the simulated sensor received.
    std::size_t requests(std::uint8_t code) const
    {
        std::size_t n = 0;
        for (const auto& r : sim->request_log(0))
            n += !r.empty() && r[0] == code ? 1 : 0;
        return n;
    }
    qz3p_settings memory() const
    {
        const auto p = sim->settings_memory(0);
        return qz3p_settings::decode(p.data(), p.size());
    }
    qz3p_settings flash() const
    {
        const auto p = sim->settings_flash(0);
        return qz3p_settings::decode(p.data(), p.size());
    }
    static bool shows(QPushButton* b, const QIcon& icon) { return b->icon().cacheKey() == icon.cacheKey(); }
};

} // namespace

TEST_F(SettingsWindow, FormHostsTheEditorWithTheDefaultsOfItsWidgets)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Настройки"));
    EXPECT_EQ(editor->parentWidget(), form->findChild<QWidget*>(QStringLiteral("widget_settings")));
    EXPECT_TRUE(w<QRadioButton>("radio_laser_on")->isChecked());
    EXPECT_TRUE(w<QRadioButton>("radio_sync_internal_timer")->isChecked());
    EXPECT_EQ(w<QLineEdit>("editEthernetIP")->text(), QStringLiteral("192.168.1.147"));
    EXPECT_EQ(w<QLineEdit>("editEthernetMAC")->text(), QStringLiteral("02.AA.AA.AA.AA.AA"));
    EXPECT_EQ(spin("spin_laser_brightness")->value(), 255);
    EXPECT_EQ(w<QSlider>("slider_laser_brightness")->value(), 255);
    EXPECT_EQ(spin("spin_period")->value(), 10000);
    EXPECT_EQ(spin("spin_period")->suffix(), QStringLiteral(" мкс"));
    EXPECT_TRUE(check("cb_sensor_restart")->isChecked());
    EXPECT_TRUE(check("cb_write_on_change")->isChecked());
    for (const char* name : {"spin_expo_second", "spin_period", "spin_side_thres", "spin_median_window",
                             "spin_black_level", "spin_cycle_delay"})
        EXPECT_FALSE(spin(name)->isEnabled()) << name;
    EXPECT_EQ(w<QComboBox>("combo_expo_gain")->count(), 3);
    EXPECT_EQ(w<QComboBox>("combo_next_max_coef")->itemText(8), QStringLiteral("16"));
    EXPECT_EQ(w<QComboBox>("combo_convolution")->count(), 3);
    EXPECT_EQ(w<QLabel>("lab_subframe_x")->text(), QStringLiteral("X: 1280"));
    EXPECT_EQ(w<QDoubleSpinBox>("spin_detached_distance")->maximum(), 1023.0); // no range known

    // The brightness slider and spin box move together.
    check("cb_write_on_change")->setChecked(false);
    w<QSlider>("slider_laser_brightness")->setValue(17);
    EXPECT_EQ(spin("spin_laser_brightness")->value(), 17);
    spin("spin_laser_brightness")->setValue(200);
    EXPECT_EQ(w<QSlider>("slider_laser_brightness")->value(), 200);

    // The main window's button places the real form at its right edge.
    Quorin* main = app::main_window();
    main->show();
    main->findChild<QToolButton*>(QStringLiteral("toolSettings"))->click();
    EXPECT_TRUE(form->isVisible());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(form->x(), std::min(screen.right() - form->width(), main->x() + main->width()))
        << main->x() << " " << main->width() << " " << screen.right() << " " << form->width();
    EXPECT_EQ(form->y(), main->y());
}

TEST_F(SettingsWindow, WindowAndPeriodChecksNormaliseAndColourTheFields)
{
    check("cb_write_on_change")->setChecked(false);
    spin("spin_subframe_xs")->setValue(1);
    spin("spin_subframe_xe")->setValue(200);
    EXPECT_EQ(spin("spin_subframe_xs")->value(), 1);
    EXPECT_EQ(spin("spin_subframe_xe")->value(), 336);
    EXPECT_EQ(w<QLabel>("lab_subframe_x")->text(), QStringLiteral("X: 336"));
    spin("spin_subframe_xe")->setValue(1000);
    spin("spin_subframe_xs")->setValue(100); // moves down to 8k + 1
    EXPECT_EQ(spin("spin_subframe_xs")->value(), 97);
    EXPECT_EQ(w<QLabel>("lab_subframe_x")->text(), QStringLiteral("X: 904"));

    spin("spin_subframe_ys")->setValue(500);
    spin("spin_subframe_ye")->setValue(100);
    EXPECT_EQ(spin("spin_subframe_ye")->value(), 500);
    EXPECT_EQ(w<QLabel>("lab_subframe_y")->text(), QStringLiteral("Y: 1"));

    spin("spin_subframe_xs")->setValue(1);
    spin("spin_subframe_xe")->setValue(1280);
    spin("spin_subframe_ys")->setValue(1);
    spin("spin_subframe_ye")->setValue(1024);
    spin("spin_expo_first")->setValue(0);
    EXPECT_EQ(w<QLabel>("lab_min_period")->text(), QStringLiteral("5419 (5419)")); // readout 5319 + 100
    EXPECT_EQ(w<QLabel>("lab_fps")->text(), QStringLiteral("184"));
    EXPECT_EQ(spin("spin_period")->styleSheet(), white); // not fixed

    check("cb_fixed_period")->setChecked(true);
    EXPECT_TRUE(spin("spin_period")->isEnabled());
    spin("spin_period")->setValue(20000);
    EXPECT_EQ(w<QLabel>("lab_fps")->text(), QStringLiteral("50"));
    EXPECT_EQ(spin("spin_period")->styleSheet(), white);
    check("cb_cycle_delay")->setChecked(true);
    spin("spin_cycle_delay")->setValue(20000);
    EXPECT_EQ(spin("spin_cycle_delay")->styleSheet(), red);
    spin("spin_cycle_delay")->setValue(19999);
    EXPECT_EQ(spin("spin_cycle_delay")->styleSheet(), white);
    check("cb_fixed_period")->setChecked(false);
    EXPECT_EQ(spin("spin_period")->value(), 1);
    EXPECT_FALSE(spin("spin_period")->isEnabled());
    EXPECT_EQ(spin("spin_cycle_delay")->styleSheet(), red); // now above the shortest period

    // An impossible period is coloured and still written when writing on change.
    check("cb_write_on_change")->setChecked(true);
    check("cb_fixed_period")->setChecked(true); // written, read back, still fixed
    EXPECT_TRUE(check("cb_fixed_period")->isChecked());
    EXPECT_EQ(spin("spin_period")->value(), 20000);
    EXPECT_EQ(memory().period, 20000u);
    spin("spin_period")->setValue(1000);
    EXPECT_EQ(spin("spin_period")->styleSheet(), red);
    EXPECT_EQ(memory().period, 1000u);
    EXPECT_EQ(memory().cycle_delay, 19999);
    EXPECT_TRUE(shows(button("btn_write_memory"), app::icons().accept));

    // A mistyped address is refused: marked, not written.
    const std::size_t writes = requests(0x81);
    w<QLineEdit>("editEthernetIP")->setText(QStringLiteral("192.168.1.300"));
    button("btn_write_memory")->click();
    EXPECT_EQ(requests(0x81), writes);
    EXPECT_EQ(w<QLineEdit>("editEthernetIP")->styleSheet(), red);
    EXPECT_TRUE(shows(button("btn_write_memory"), app::icons().close));
    EXPECT_EQ(memory().ip, app::device(0).commands().settings().ip);

    // Without write-on-change an edit clears the last result.
    check("cb_write_on_change")->setChecked(false);
    spin("spin_expo_first")->setValue(100);
    EXPECT_TRUE(shows(button("btn_write_memory"), app::icons().empty));
}

TEST_F(SettingsWindow, TypedNumbersCountOnceCompleteAndAreWrittenOnce)
{
    check("cb_write_on_change")->setChecked(true);
    editor->show();
    auto type_into = [](QAbstractSpinBox* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    };

    // The window check must not rewrite the column while it is being typed:
    // "100" becomes 97, not 89 (from "10" moved down to 9, then "90").
    spin("spin_subframe_xe")->setValue(1280);
    std::size_t writes = requests(0x81);
    type_into(spin("spin_subframe_xs"), QStringLiteral("100"));
    EXPECT_EQ(spin("spin_subframe_xs")->value(), 97);
    EXPECT_EQ(requests(0x81), writes + 1);
    EXPECT_EQ(memory().window_x_start, 12);

    // Neither "5", "50" nor "500" reaches the sensor on the way to 5000.
    writes = requests(0x81);
    type_into(spin("spin_expo_first"), QStringLiteral("5000"));
    EXPECT_EQ(requests(0x81), writes + 1);
    EXPECT_EQ(memory().exposure1, 5000);

    FormConvolution* conv = editor->convolution_form();
    conv->show();
    writes = requests(0x81);
    type_into(conv->findChild<QSpinBox*>(QStringLiteral("spin_coef_15")), QStringLiteral("7655"));
    EXPECT_EQ(requests(0x81), writes + 1);
    EXPECT_EQ(memory().convolution[15], 7655);
}

TEST_F(SettingsWindow, ExtensionBoardBlockSurvivesEveryWrite)
{
    // The sensor's block holds a pattern (written past the editor); the
    // editor's writes send it back as read, not as zeros.
    qz3p_settings s = memory();
    for (std::size_t i = 0; i < s.ext_block.size(); ++i)
        s.ext_block[i] = static_cast<std::uint8_t>(0xA5 ^ i);
    const auto pattern = s.ext_block;
    ASSERT_TRUE(app::device(0).commands().write_settings_flash(s));
    ASSERT_TRUE(app::device(0).commands().write_settings_memory(s));

    check("cb_write_on_change")->setChecked(true);
    const std::size_t writes = requests(0x81);
    spin("spin_laser_brightness")->setValue(77);
    ASSERT_EQ(requests(0x81), writes + 1);
    EXPECT_EQ(memory().laser_brightness, 77);
    EXPECT_EQ(memory().ext_block, pattern);
    button("btn_write_flash")->click();
    EXPECT_EQ(flash().laser_brightness, 77);
    EXPECT_EQ(flash().ext_block, pattern);
}

TEST_F(SettingsWindow, SwitchingTheCycleDelayOnSticksWhenWrittenOnChange)
{
    check("cb_write_on_change")->setChecked(true);
    qz3p_settings s = memory();
    s.cycle_delay = 0;
    ASSERT_TRUE(form->write_memory(s));
    ASSERT_FALSE(check("cb_cycle_delay")->isChecked());
    ASSERT_EQ(spin("spin_cycle_delay")->value(), 0);

    // A delay of 0 is "off": the box must not snap back after the write.
    check("cb_cycle_delay")->setChecked(true);
    EXPECT_TRUE(check("cb_cycle_delay")->isChecked());
    EXPECT_TRUE(spin("spin_cycle_delay")->isEnabled());
    EXPECT_EQ(memory().cycle_delay, 1);
    spin("spin_cycle_delay")->setValue(700);
    EXPECT_EQ(memory().cycle_delay, 700);

    // Off and on again brings the last delay back.
    check("cb_cycle_delay")->setChecked(false);
    EXPECT_EQ(memory().cycle_delay, 0);
    EXPECT_EQ(spin("spin_cycle_delay")->value(), 0);
    check("cb_cycle_delay")->setChecked(true);
    EXPECT_EQ(spin("spin_cycle_delay")->value(), 700);
    EXPECT_EQ(memory().cycle_delay, 700);
}

TEST_F(SettingsWindow, ShowingARecordNeverWritesEvenWithWriteOnChange)
{
    ASSERT_TRUE(check("cb_write_on_change")->isChecked());
    qz3p_settings s = memory();
    s.laser_flags = 0x80; // inverted control, laser off
    s.exposure1 = 1234;
    s.period = 30000;
    s.window_x_start = 10;
    s.window_x_end = 120;
    s.window_y_start = 100;
    s.window_y_end = 50; // below the start
    s.cycle_delay = 500;
    s.median_window = 7;
    s.detached_distance = 1500 * 32; // beyond the default maximum
    s.convolution = orvex::ConvolutionSet::built_in()[1].data;
    const std::size_t writes = requests(0x81);
    emit app::program_events().sensor_settings_changed(s);
    editor->show_settings(s);
    EXPECT_EQ(requests(0x81), writes);
    EXPECT_TRUE(w<QRadioButton>("radio_laser_off")->isChecked());
    EXPECT_TRUE(check("cb_laser_invert")->isChecked());
    EXPECT_EQ(spin("spin_expo_first")->value(), 1234);
    EXPECT_TRUE(check("cb_fixed_period")->isChecked());
    EXPECT_EQ(spin("spin_period")->value(), 30000);
    EXPECT_EQ(spin("spin_subframe_xs")->value(), 81);
    EXPECT_EQ(spin("spin_subframe_xe")->value(), 968);
    EXPECT_EQ(spin("spin_subframe_ye")->value(), 101);
    EXPECT_TRUE(check("cb_cycle_delay")->isChecked());
    EXPECT_TRUE(spin("spin_cycle_delay")->isEnabled());
    EXPECT_EQ(spin("spin_median_window")->value(), 7);
    EXPECT_DOUBLE_EQ(w<QDoubleSpinBox>("spin_detached_distance")->value(), 1500.0);
    EXPECT_EQ(w<QComboBox>("combo_convolution")->currentIndex(), 1);

    // The first edit afterwards writes, and keeps what was shown.
    spin("spin_expo_first")->setValue(1240);
    EXPECT_EQ(requests(0x81), writes + 1);
    const qz3p_settings written = memory();
    EXPECT_EQ(written.laser_flags, 0x80);
    EXPECT_EQ(written.exposure1, 1240);
    EXPECT_EQ(written.detached_distance, 1500 * 32);
    EXPECT_EQ(written.window_y_end, 100);
}

TEST_F(SettingsWindow, EveryWidgetSurvivesTheRoundTripThroughWorkingMemory)
{
    Recorder recorder;
    app::register_receiver(&recorder);
    QObject::connect(&app::program_events(), &orvex::ProgramEvents::sensor_settings_changed,
                     [&](const qz3p_settings&) { recorder.log.push_back("sensor_settings_changed"); });
    check("cb_write_on_change")->setChecked(false);
    w<QLineEdit>("editEthernetMAC")->setText(QStringLiteral("02.11.22.33.44.55"));
    w<QLineEdit>("editEthernetIP")->setText(QStringLiteral("127.1.2.3"));
    w<QRadioButton>("radio_laser_sync_exposure")->setChecked(true);
    check("cb_laser_invert")->setChecked(true);
    spin("spin_laser_brightness")->setValue(100);
    w<QRadioButton>("radio_sync_ext_level")->setChecked(true);
    spin("spin_subframe_xs")->setValue(9);
    spin("spin_subframe_xe")->setValue(1024);
    spin("spin_subframe_ys")->setValue(11);
    spin("spin_subframe_ye")->setValue(900);
    spin("spin_expo_first")->setValue(2000);
    check("cb_expo_second")->setChecked(true);
    spin("spin_expo_second")->setValue(300);
    spin("spin_expo_reset_level")->setValue(7);
    check("cb_fixed_period")->setChecked(true);
    spin("spin_period")->setValue(20000);
    check("cb_img_subtr")->setChecked(true);
    check("cb_conv_bypass")->setChecked(true);
    check("cb_cal_bypass")->setChecked(true);
    check("cb_sensor_restart")->setChecked(false);
    const char* dist[] = {"spin_locmax_dist_0", "spin_locmax_dist_1", "spin_locmax_dist_2"};
    const char* thres[] = {"spin_locmax_thres_0", "spin_locmax_thres_1", "spin_locmax_thres_2"};
    for (int i = 0; i < 3; ++i) {
        spin(dist[i])->setValue(i + 1);
        spin(thres[i])->setValue(10 * (i + 1));
    }
    w<QComboBox>("combo_next_max_coef")->setCurrentIndex(6);
    check("cb_side_en")->setChecked(true);
    spin("spin_side_thres")->setValue(40);
    spin("spin_detached_window")->setValue(7);
    spin("spin_detached_neighbors")->setValue(4);
    w<QDoubleSpinBox>("spin_detached_distance")->setValue(2.5);
    check("cb_median")->setChecked(true);
    spin("spin_median_window")->setValue(5);
    check("cb_black_level")->setChecked(true);
    spin("spin_black_level")->setValue(-5);
    check("cb_cycle_delay")->setChecked(true);
    spin("spin_cycle_delay")->setValue(1234);
    w<QComboBox>("combo_convolution")->setCurrentIndex(2);
    EXPECT_EQ(requests(0x81), 0u);

    button("btn_write_memory")->click();
    EXPECT_TRUE(shows(button("btn_write_memory"), app::icons().accept));
    EXPECT_EQ(recorder.log,
              (std::vector<std::string>{"sensor_settings_changed", "on_sensor_settings(false)"}));
    const qz3p_settings written = memory();
    EXPECT_EQ(app::device(0).commands().settings(), written);
    EXPECT_EQ(written.ip, 0x7F010203u);
    EXPECT_EQ(written.mac[5], 0x55);
    EXPECT_EQ(written.laser_flags, 0x85);
    EXPECT_EQ(written.laser_brightness, 100);
    EXPECT_EQ(written.sync_mode, 5);
    EXPECT_EQ(written.window_x_start, 1);
    EXPECT_EQ(written.window_x_end, 127);
    EXPECT_EQ(written.window_y_start, 10);
    EXPECT_EQ(written.window_y_end, 899);
    EXPECT_EQ(written.exposure2, 300);
    EXPECT_EQ(written.reset_level, 7);
    EXPECT_EQ(written.gain, 1); // dual exposure
    EXPECT_EQ(written.period, 20000u);
    EXPECT_EQ(written.black_level, 0xC5);
    EXPECT_EQ(written.next_max_coefficient, 6);
    EXPECT_EQ(written.detached_distance, 80);
    EXPECT_EQ(written.median_window, 5);
    EXPECT_EQ(written.cycle_delay, 1234);
    EXPECT_EQ(written.restart_on_errors, 0);
    EXPECT_EQ(written.convolution, orvex::ConvolutionSet::built_in()[2].data);
    const auto built = editor->build_settings();
    ASSERT_TRUE(built);
    EXPECT_EQ(*built, written);

    // A fresh editor shows the record read back and builds the same record.
    qz3p_settings back;
    ASSERT_TRUE(app::device(0).commands().read_settings_memory(back));
    WSensorSettings fresh;
    fresh.show_settings(back);
    const auto rebuilt = fresh.build_settings();
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(*rebuilt, written);

    // Gain and reset level without dual exposure.
    check("cb_expo_second")->setChecked(false);
    w<QComboBox>("combo_expo_gain")->setCurrentIndex(2);
    button("btn_write_memory")->click();
    EXPECT_EQ(memory().gain, 3);
    EXPECT_EQ(memory().reset_level, 15);
    EXPECT_EQ(memory().exposure2, 0);
    fresh.show_settings(memory());
    EXPECT_EQ(fresh.findChild<QComboBox*>(QStringLiteral("combo_expo_gain"))->currentIndex(), 2);
    EXPECT_EQ(*fresh.build_settings(), memory());
}

TEST_F(SettingsWindow, FlashAndMemoryStayApartAndEachOperationAnnouncesItsOwnWay)
{
    Recorder recorder;
    app::register_receiver(&recorder);
    QObject::connect(&app::program_events(), &orvex::ProgramEvents::sensor_settings_changed,
                     [&](const qz3p_settings&) { recorder.log.push_back("sensor_settings_changed"); });
    check("cb_write_on_change")->setChecked(false);
    button("btn_read_memory")->click();
    EXPECT_TRUE(shows(button("btn_read_memory"), app::icons().accept));
    EXPECT_EQ(recorder.log,
              (std::vector<std::string>{"sensor_settings_changed", "on_sensor_settings(false)"}));
    const qz3p_settings old_memory = memory();
    const int new_exposure = old_memory.exposure1 == 3000 ? 4000 : 3000;

    recorder.log.clear();
    spin("spin_expo_first")->setValue(new_exposure);
    button("btn_write_flash")->click();
    EXPECT_TRUE(shows(button("btn_write_flash"), app::icons().accept));
    EXPECT_TRUE(shows(button("btn_read_memory"), app::icons().empty)); // only the last button shows a result
    EXPECT_TRUE(recorder.log.empty());
    EXPECT_EQ(flash().exposure1, new_exposure);
    EXPECT_EQ(memory(), old_memory);
    EXPECT_EQ(app::device(0).commands().settings(), old_memory);

    button("btn_read_memory")->click();
    EXPECT_EQ(spin("spin_expo_first")->value(), old_memory.exposure1);
    EXPECT_EQ(recorder.log,
              (std::vector<std::string>{"sensor_settings_changed", "on_sensor_settings(false)"}));

    recorder.log.clear();
    button("btn_read_flash")->click();
    EXPECT_TRUE(shows(button("btn_read_flash"), app::icons().accept));
    EXPECT_EQ(spin("spin_expo_first")->value(), new_exposure);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"sensor_settings_changed"}));
    EXPECT_EQ(app::device(0).commands().settings(), old_memory); // flash is not in force

    // A sensor that stops answering: failure shown, nothing announced, nothing changed.
    recorder.log.clear();
    sim->set_answering(0, false);
    button("btn_read_memory")->click();
    EXPECT_TRUE(shows(button("btn_read_memory"), app::icons().close));
    EXPECT_TRUE(recorder.log.empty());
    EXPECT_EQ(spin("spin_expo_first")->value(), new_exposure);
    EXPECT_EQ(app::device(0).commands().settings(), old_memory);

    // No sensor connected: every operation fails without touching anything.
    app::device(0).disconnect();
    button("btn_write_memory")->click();
    EXPECT_TRUE(shows(button("btn_write_memory"), app::icons().close));
    EXPECT_FALSE(form->read_flash());
    EXPECT_TRUE(recorder.log.empty());
}

TEST_F(SettingsWindow, DistanceFieldFollowsTheSensorsRange)
{
    auto& r = app::decoded_range();
    r.known = true;
    r.y_top_start = r.y_top = 50;
    r.y_bottom_start = r.y_bottom = -50;
    emit app::program_events().sensor_connected(app::device(0).commands().info());
    auto* distance = w<QDoubleSpinBox>("spin_detached_distance");
    EXPECT_DOUBLE_EQ(distance->maximum(), 100.0);
    EXPECT_DOUBLE_EQ(distance->singleStep(), 100.0 / 2048);
    // Without a range block the sensor's identification outline gives the depth.
    r.known = false;
    const auto& info = app::device(0).commands().info();
    ASSERT_TRUE(info.ident_valid);
    emit app::program_events().sensor_connected(info);
    EXPECT_DOUBLE_EQ(distance->maximum(),
                     std::max(info.y1_high, info.y2_high) - std::min(info.y1_low, info.y2_low));
}

TEST_F(SettingsWindow, ConvolutionSetsArePickedSavedRemovedAndStoredWithoutTouchingTheSensor)
{
    FormConvolution* conv = editor->convolution_form();
    auto* sets = conv->findChild<QComboBox*>(QStringLiteral("combo_sets"));
    auto* bound = w<QComboBox>("combo_convolution");
    auto* sum = conv->findChild<QLabel*>(QStringLiteral("lab_coef_sum"));
    auto* centre = conv->findChild<QSpinBox*>(QStringLiteral("spin_coef_15"));
    ASSERT_TRUE(sets && sum && centre);
    EXPECT_EQ(conv->windowTitle(), QStringLiteral("Настройка свертки"));
    EXPECT_EQ(sum->text(), QStringLiteral("-----"));
    EXPECT_EQ(centre->value(), 100);
    EXPECT_EQ(sets->currentIndex(), -1); // the default values match no set

    button("btn_convolution_setup")->click();
    EXPECT_TRUE(conv->isVisible());
    sets->setCurrentIndex(0);
    EXPECT_EQ(sum->text(), QStringLiteral("1.000"));
    EXPECT_EQ(bound->currentIndex(), 0);
    EXPECT_EQ(memory().convolution, orvex::ConvolutionSet::built_in()[0].data); // written on change
    bound->setCurrentIndex(2);
    EXPECT_EQ(sets->currentIndex(), 2);
    EXPECT_EQ(sum->text(), QStringLiteral("0.140"));
    EXPECT_EQ(centre->value(), 19660);
    bound->setCurrentIndex(1);
    centre->setValue(4268); // an edit that matches no set
    EXPECT_EQ(sets->currentIndex(), -1);
    EXPECT_EQ(bound->currentIndex(), -1);
    centre->setValue(4267); // and back to "_Гаусс_2"
    EXPECT_EQ(sets->currentIndex(), 1);
    EXPECT_EQ(bound->currentIndex(), 1);

    // Saving and removing sets never writes to the sensor.
    auto writes = [this] { return requests(0x81) + requests(0x84); };
    auto click_without_write = [&](QPushButton* b) {
        const std::size_t before = writes();
        b->click();
        EXPECT_EQ(writes(), before) << b->objectName().toStdString();
    };
    QPushButton* save = conv->findChild<QPushButton*>(QStringLiteral("btn_save"));
    QPushButton* remove = conv->findChild<QPushButton*>(QStringLiteral("btn_remove"));
    DialogAnswerer answers;
    click_without_write(remove);
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0], QStringLiteral("Нельзя удалить встроенные наборы"));
    EXPECT_EQ(answers.titles[0], QString());
    EXPECT_EQ(sets->count(), 3);

    // A record whose coefficients match no set.
    qz3p_settings s = memory();
    for (int i = 0; i < 16; ++i)
        s.convolution[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i + 1);
    editor->show_settings(s);
    EXPECT_EQ(sets->currentIndex(), -1);
    EXPECT_EQ(bound->currentIndex(), -1);
    EXPECT_EQ(centre->value(), 16);
    EXPECT_EQ(conv->findChild<QSpinBox*>(QStringLiteral("spin_coef_0"))->value(), 1);
    EXPECT_EQ(sum->text(), QString::number((2 * 120 + 16) / 32767.0, 'f', 3));

    // Saving twice under one name, answering No: two sets of that name.
    answers.names = {QStringLiteral("мой"), QStringLiteral("мой")};
    answers.buttons = {QMessageBox::No};
    click_without_write(save);
    EXPECT_EQ(answers.labels.back(), QStringLiteral("Введите новое имя для набора коэффициентов: "));
    EXPECT_EQ(answers.titles.back(), QStringLiteral("Ввод имени"));
    centre->setValue(17);
    click_without_write(save);
    EXPECT_EQ(answers.texts.back(), QStringLiteral("Такое имя уже существует. Заменить?"));
    EXPECT_EQ(sets->count(), 5);
    EXPECT_EQ(sets->currentIndex(), 4);
    EXPECT_EQ(bound->currentIndex(), 4);
    EXPECT_EQ(bound->itemText(3), QStringLiteral("мой"));
    EXPECT_EQ(bound->itemText(4), QStringLiteral("мой"));
    auto& stored = app::program_settings().convolution_sets;
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].data[15], 16);
    EXPECT_EQ(stored[1].data[15], 17);

    // Cancelled or empty names change nothing.
    answers.names = {QString()};
    click_without_write(save);
    EXPECT_EQ(sets->count(), 5);

    // Removing a user set, after answering Yes.
    sets->setCurrentIndex(3);
    answers.buttons = {QMessageBox::Yes};
    click_without_write(remove);
    EXPECT_EQ(answers.texts.back(), QStringLiteral("Удалить набор?"));
    EXPECT_EQ(sets->count(), 4);
    EXPECT_EQ(bound->count(), 4);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].data[15], 17);

    // The background save brings them into Settings.xml; the sensor saw no write.
    auto& settings = app::program_settings();
    for (int wait = 0; wait < 1000 && settings.save_pending(); ++wait)
        QTest::qWait(10);
    ASSERT_FALSE(settings.save_pending());
    orvex::ProgramSettings reread;
    ASSERT_TRUE(reread.load(settings_file()));
    ASSERT_EQ(reread.convolution_sets.size(), 1u);
    EXPECT_EQ(reread.convolution_sets[0].name, "мой");
    EXPECT_EQ(reread.convolution_sets[0].data, stored[0].data);

    // A new window gets the stored sets.
    WSensorSettings other;
    EXPECT_EQ(other.findChild<QComboBox*>(QStringLiteral("combo_convolution"))->count(), 3);
    other.set_user_conv_sets(reread.convolution_sets);
    EXPECT_EQ(other.findChild<QComboBox*>(QStringLiteral("combo_convolution"))->itemText(3),
              QStringLiteral("мой"));
}
