// The shell: exception guard, start-up, window registry, receiver list and
// the main window's developer mode, detachable pages and close sequence.
// Each test runs in its own process (ctest), so start-up happens once per test.
#include "app/form_fast_settings.h"
#include "app/program.h"
#include "app/program_events.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "diag/page_debug.h"
#include "diag/page_latch.h"
#include "flash/form_flash.h"
#include "flash/page_bitstream.h"
#include "link/page_connection.h"
#include "profiles/page_chart.h"
#include "settings/form_settings.h"
#include "support/gui_support.h"
#include "support/program_fixture.h"
#include "support/test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <stdexcept>

using orvex::test::BoxCloser;
using orvex::test::read_file;
using orvex::test::TempDir;
using orvex::test::write_file;

namespace {

// Widgets are reached by their object names, as the forms define them.
template <class T>
T* child(const char* name)
{
    T* w = orvex::app::main_window()->findChild<T*>(QString::fromLatin1(name));
    if (w == nullptr)
        ADD_FAILURE() << "no widget named " << name;
    return w;
}

QString qstr(const std::filesystem::path& p)
{
    return QString::fromStdString(p.u8string());
}

} // namespace

TEST(ExceptionGuard, EscapingExceptionShowsBoxAndEndsWithExitCode1)
{
    BoxCloser closer;
    QTimer::singleShot(0, [] { throw std::runtime_error("device went away"); });
    EXPECT_EQ(QApplication::exec(), 1);
    ASSERT_EQ(closer.titles.size(), 1u);
    EXPECT_EQ(closer.titles[0], QStringLiteral("Unhandled exception"));
    EXPECT_EQ(closer.texts[0], QStringLiteral("device went away"));

    QTimer::singleShot(0, [] { throw 42; });
    EXPECT_EQ(QApplication::exec(), 1);
    ASSERT_EQ(closer.texts.size(), 2u);
    EXPECT_EQ(closer.texts[1], QStringLiteral("Unknown error"));
}

TEST(StartUp, MissingSettingsFileIsReportedAndRewrittenInTheExecutableFolder)
{
    TempDir exe_dir;
    TempDir elsewhere;
    QDir::setCurrent(qstr(elsewhere.path()));
    QSignalSpy announced(&orvex::app::program_events(), &orvex::ProgramEvents::program_settings_changed);
    BoxCloser closer;

    orvex::app::start_program(qstr(exe_dir.path()));

    EXPECT_EQ(QDir::current().canonicalPath(), QDir(qstr(exe_dir.path())).canonicalPath());
    ASSERT_EQ(closer.titles.size(), 1u);
    EXPECT_EQ(closer.titles[0], QStringLiteral("Ошибка при чтении файла настроек"));
    EXPECT_EQ(closer.texts[0], QStringLiteral("Ошибка при чтении файла настроек. Файл будет перезаписан.\n") +
                                   qstr(exe_dir.path()) + QStringLiteral("/Settings.xml"));
    EXPECT_NE(read_file(exe_dir / "Settings.xml").find("<SensorErrorsPollPeriod_ms>1000<"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "Settings.xml"));
    EXPECT_EQ(announced.count(), 1);

    // Registry: every window once, in start-up order; getters return the same objects.
    const auto& forms = orvex::app::top_level_forms();
    ASSERT_EQ(forms.size(), 9u);
    EXPECT_EQ(forms.front(), static_cast<QWidget*>(orvex::app::form_flash()));
    EXPECT_EQ(forms.back(), static_cast<QWidget*>(orvex::app::main_window()));
    EXPECT_EQ(forms[6], static_cast<QWidget*>(orvex::app::form_fast_settings()));
    // Receivers in notification order: main window, firmware page, profile page, connection page, latch page.
    const auto& receivers = orvex::app::receivers();
    ASSERT_EQ(receivers.size(), 5u);
    EXPECT_EQ(receivers[0], static_cast<orvex::IProgramEvents*>(orvex::app::main_window()));
    EXPECT_NE(dynamic_cast<PageBitstream*>(receivers[1]), nullptr);
    EXPECT_EQ(receivers[2], static_cast<orvex::IProgramEvents*>(orvex::app::page_chart()));
    EXPECT_EQ(receivers[3], static_cast<orvex::IProgramEvents*>(orvex::app::page_connection()));
    EXPECT_NE(dynamic_cast<PageLatch*>(receivers[4]), nullptr);
    EXPECT_NE(orvex::app::main_window()->findChild<PageDebug*>(), nullptr)
        << "the register page is no receiver";
    orvex::app::setup_windows(); // a second call changes nothing
    EXPECT_EQ(orvex::app::top_level_forms().size(), 9u);
}

TEST(StartUp, MalformedSettingsFileIsTreatedAsUnreadable)
{
    TempDir exe_dir;
    write_file(exe_dir / "Settings.xml", "<root><Program><DeveloperMode>true</Developer");
    BoxCloser closer;
    orvex::app::start_program(qstr(exe_dir.path()));
    EXPECT_EQ(closer.titles.size(), 1u);
    EXPECT_NE(read_file(exe_dir / "Settings.xml").find("<DeveloperMode>false</DeveloperMode>"),
              std::string::npos);
}

TEST(StartUp, StoredDeveloperModeReachesTheReceivers)
{
    TempDir exe_dir;
    orvex::ProgramSettings stored;
    stored.developer_mode = stored.dev_checkbox_visible = true;
    ASSERT_TRUE(orvex::test::start_program_in(exe_dir, stored));
    EXPECT_FALSE(child<QToolButton>("toolLatch")->isHidden());
    EXPECT_FALSE(child<QGroupBox>("groupConnectionExt")->isHidden());
    EXPECT_TRUE(child<QCheckBox>("cbDevMode")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("cbDevMode")->isHidden());
}

namespace {

// A receiver that overrides nothing is legal.
struct Silent : orvex::IProgramEvents {};

} // namespace

TEST(MainWindow, TimerTickReachesHubAndReceiversAndSilentReceiversAreLegal)
{
    TempDir exe_dir;
    ASSERT_TRUE(orvex::test::start_program_in(exe_dir));
    QSignalSpy ticks(&orvex::app::program_events(), &orvex::ProgramEvents::timer_tick);
    Silent silent;
    silent.on_sensor_connected();
    silent.on_sensor_settings(true);
    silent.on_developer_mode(true);
    QTest::qWait(100);
    EXPECT_GE(ticks.count(), 2);
}

TEST(MainWindow, UnlockWordNeedsAllSevenLettersAndNeverReachesTheFile)
{
    TempDir exe_dir;
    ASSERT_TRUE(orvex::test::start_program_in(exe_dir));
    Quorin* window = orvex::app::main_window();
    EXPECT_TRUE(child<QToolButton>("toolLatch")->isHidden());

    QTest::keyClicks(window, QStringLiteral("zanbri"));
    EXPECT_TRUE(child<QToolButton>("toolLatch")->isHidden());
    QTest::keyClicks(window, QStringLiteral("qzanbrik"));
    EXPECT_FALSE(child<QToolButton>("toolLatch")->isHidden());
    EXPECT_FALSE(child<QToolButton>("toolDebug")->isHidden());
    EXPECT_TRUE(orvex::app::program_settings().developer_mode_unlocked);

    // The check box after the unlock: off and on again keeps the widgets and
    // the live flag (which the error-state poll reads) in step.
    auto* box = child<QCheckBox>("cbDevMode");
    box->setChecked(false);
    EXPECT_TRUE(child<QToolButton>("toolLatch")->isHidden());
    EXPECT_FALSE(orvex::app::program_settings().developer_mode);
    box->setChecked(true);
    EXPECT_FALSE(child<QToolButton>("toolLatch")->isHidden());
    EXPECT_TRUE(orvex::app::program_settings().developer_mode);
    EXPECT_TRUE(orvex::app::program_settings().dev_checkbox_visible);

    window->close();
    const std::string file = read_file(exe_dir / "Settings.xml");
    EXPECT_NE(file.find("<DeveloperMode>false</DeveloperMode>"), std::string::npos);
    EXPECT_NE(file.find("<DevCheckboxVisible>false</DevCheckboxVisible>"), std::string::npos);
}

TEST(MainWindow, DetachedPageReturnsAtTheEndAndItsButtonStillSelectsIt)
{
    TempDir exe_dir;
    ASSERT_TRUE(orvex::test::start_program_in(exe_dir));
    QWidget* page = child<QWidget>("pageChart");
    auto* stack = child<QStackedWidget>("stackWidget");
    auto* menu = child<QToolButton>("toolChart")->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Открыть в новом окне"));

    menu->actions()[0]->trigger();
    EXPECT_EQ(page->parentWidget(), nullptr);
    EXPECT_TRUE(page->isVisible());
    EXPECT_LT(stack->indexOf(page), 0);

    menu->actions()[1]->trigger();
    EXPECT_EQ(stack->indexOf(page), stack->count() - 1);
    child<QToolButton>("toolChart")->click();
    EXPECT_EQ(stack->currentWidget(), page);
    child<QToolButton>("toolConnection")->click();
    EXPECT_EQ(stack->currentWidget(), child<QWidget>("pageConnection"));
}

TEST(MainWindow, CloseWritesSettingsSynchronouslyAndClosesTheForms)
{
    TempDir exe_dir;
    ASSERT_TRUE(orvex::test::start_program_in(exe_dir));
    Quorin* window = orvex::app::main_window();
    window->show();
    orvex::app::form_flash()->show();
    child<QCheckBox>("cbStatusErrorState")->setChecked(true); // stored in memory only
    window->close();
    EXPECT_FALSE(orvex::app::form_flash()->isVisible());
    EXPECT_FALSE(orvex::app::program_settings().save_pending());
    EXPECT_NE(read_file(exe_dir / "Settings.xml").find("<SensorErrorsPoll>true</SensorErrorsPoll>"),
              std::string::npos);
}

TEST(MainWindow, DamagedSettingsAreKeptAndFailedSavesAreReportedOnce)
{
    TempDir exe_dir;
    orvex::test::write_file(exe_dir / "Settings.xml", "<root><Program><DeveloperMode>");
    {
        orvex::test::BoxCloser boxes;
        orvex::app::start_program(QString::fromStdString(exe_dir.path().u8string()));
        ASSERT_EQ(boxes.texts.size(), 1u);
        EXPECT_TRUE(
            boxes.texts[0].endsWith(QString::fromStdString((exe_dir / "Settings.xml.bad").u8string())))
            << boxes.texts[0].toStdString();
    }
    EXPECT_EQ(read_file(exe_dir / "Settings.xml.bad"), "<root><Program><DeveloperMode>");
    EXPECT_NE(read_file(exe_dir / "Settings.xml").find("<root>"), std::string::npos);

    // The replacement cannot be written (a folder stands where its temporary
    // file goes): one box, and the status line says so at every failure.
    std::filesystem::create_directory(exe_dir / "Settings.xml.tmp");
    orvex::test::BoxCloser boxes;
    auto& settings = orvex::app::program_settings();
    EXPECT_FALSE(settings.save(std::string(), true));
    EXPECT_FALSE(settings.save(std::string(), true));
    EXPECT_EQ(boxes.texts.size(), 1u);
    auto* status = child<QLabel>("labStatus");
    EXPECT_TRUE(status->text().startsWith(QStringLiteral("Не удалось сохранить файл настроек")))
        << status->text().toStdString();
    std::filesystem::remove(exe_dir / "Settings.xml.tmp");
}

TEST(MainWindow, EnglishRetranslatesTheWindowAndRussianComesBack)
{
    TempDir exe_dir;
    std::filesystem::copy_file(ORVEX_QM_PATH, exe_dir / "quorin_en.qm");
    ASSERT_TRUE(orvex::test::start_program_in(exe_dir));
    auto* combo = child<QComboBox>("comboLanguage");
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(0);
    EXPECT_EQ(child<QToolButton>("toolConnection")->text(), QStringLiteral("Connection"));
    EXPECT_EQ(child<QPushButton>("btnShowFormCalibr")->text(), QStringLiteral("Calibration"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("English"));
    // The hosted pages follow the switch too, by the posted language-change event.
    QCoreApplication::processEvents();
    auto* poll = orvex::app::page_chart()->findChild<QCheckBox*>(QStringLiteral("cbChartPoll"));
    ASSERT_NE(poll, nullptr);
    EXPECT_EQ(poll->text(), QStringLiteral("Poll"));
    // Every open page and floating window follows; the window's title becomes
    // the form's own caption again.
    EXPECT_EQ(
        orvex::app::page_connection()->findChild<QPushButton*>(QStringLiteral("btnConnectionSearch"))->text(),
        QStringLiteral("Search for sensors"));
    EXPECT_EQ(orvex::app::form_settings()->windowTitle(), QStringLiteral("Settings"));
    EXPECT_EQ(orvex::app::form_flash()->findChild<QPushButton*>(QStringLiteral("btn_unique_id"))->text(),
              QStringLiteral("Unique number"));
    EXPECT_EQ(orvex::app::main_window()->windowTitle(), QStringLiteral("Quorin"));
    combo->setCurrentIndex(1);
    EXPECT_EQ(child<QToolButton>("toolConnection")->text(), QStringLiteral("Соединение"));
    QCoreApplication::processEvents();
    EXPECT_EQ(poll->text(), QStringLiteral("Опрос"));
}
