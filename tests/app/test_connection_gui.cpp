// The connection page against simulated sensors: search rows, first and
// second channel, the order of the announcements, window titles, the
// firmware refusal, the address proposal and the close sequence.
#include "app/program.h"
#include "app/program_events.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "charts/chart_orvex.h"
#include "link/form_dialog_ip.h"
#include "link/page_connection.h"
#include "link/sensor_device.h"
#include "profiles/page_chart.h"
#include "settings/form_settings.h"
#include "simulator.h"
#include "support/gui_support.h"
#include "support/program_fixture.h"
#include "support/test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

using orvex::test::BoxCloser;
using orvex::test::loopback_address;
using orvex::test::read_file;
using orvex::test::TempDir;

namespace {

QString qstr(const std::string& s)
{
    return QString::fromStdString(s);
}

// Records the notifications in the order they reach it.
struct Recorder : orvex::IProgramEvents {
    std::vector<std::string>* log;
    explicit Recorder(std::vector<std::string>* l) : log(l) {}
    void on_sensor_settings(bool connecting) override
    {
        log->push_back(connecting ? "on_sensor_settings(true)" : "on_sensor_settings(false)");
    }
    void on_sensor_connected() override { log->push_back("on_sensor_connected"); }
};

struct ConnectionPage : ::testing::Test {
    TempDir exe_dir;
    std::unique_ptr<orvex::sim::simulator> sim;
    PageConnection* page = nullptr;

    void SetUp() override
    {
        sim = orvex::test::start_simulator({loopback_address(2) + ",serial=00042,ident=First",
                                            loopback_address(3) + ",serial=00043,fw=48d,type=EB1",
                                            loopback_address(4) + ",serial=00044,fw=39z"});
        orvex::ProgramSettings settings;
        settings.ethernet_mask = "127.255.255.255";
        ASSERT_TRUE(orvex::test::start_program_in(exe_dir, settings));
        page = orvex::app::page_connection();
        ASSERT_NE(page, nullptr);
    }

    void TearDown() override
    {
        for (int i = 0; i < 3; ++i)
            orvex::app::device(i).disconnect();
        if (page)
            page->stop_search();
    }

    template <class T>
    T* child(const char* name)
    {
        return page->findChild<T*>(QString::fromLatin1(name));
    }

    // Searches until all three simulated sensors are listed; returns how many
    // are. Simulators of parallel test processes answer the broadcast too and
    // sort in between, so rows are looked up by address where they are used.
    std::size_t search_ours()
    {
        child<QPushButton>("btnConnectionSearch")->click();
        std::size_t listed = 0;
        for (int wait = 0; wait < 400 && listed < 3; ++wait) {
            QTest::qWait(10);
            listed = 0;
            for (int host = 2; host <= 4; ++host)
                listed += row(host) >= 0 ? 1 : 0;
        }
        return listed;
    }

    // The current row of our simulated sensor at loopback host `host`, or -1.
    int row(int host)
    {
        const QString prefix = qstr(loopback_address(host)) + QStringLiteral("   -");
        auto* list = child<QListWidget>("listSearchSensors");
        for (int r = 0; r < list->count(); ++r)
            if (list->item(r)->text().startsWith(prefix))
                return r;
        return -1;
    }

    void select(int row) { child<QListWidget>("listSearchSensors")->setCurrentRow(row); }
};

} // namespace

TEST_F(ConnectionPage, SearchListsEachSimulatedSensorOnceWithItsRowText)
{
    EXPECT_EQ(child<QLineEdit>("editSearchAddr")->text(), QStringLiteral("127.255.255.255"));
    ASSERT_EQ(search_ours(), 3u);
    EXPECT_EQ(orvex::app::main_window()->windowTitle(), QStringLiteral("Поиск датчиков..."));
    EXPECT_EQ(child<QPushButton>("btnConnectionSearch")->text(), QStringLiteral("Остановить поиск"));
    auto* list = child<QListWidget>("listSearchSensors");
    EXPECT_EQ(list->item(row(2))->text(),
              qstr(loopback_address(2)) +
                  QStringLiteral("   -   00042   -   49m   -   2d сканер(V) (0)   -   \"First\""));
    EXPECT_TRUE(list->item(row(4))->text().contains(QStringLiteral("   -   39z   -   ")));

    child<QPushButton>("btnConnectionSearch")->click();
    EXPECT_EQ(child<QPushButton>("btnConnectionSearch")->text(), QStringLiteral("Искать датчики"));
    EXPECT_EQ(orvex::app::main_window()->windowTitle(), QString());
}

TEST_F(ConnectionPage, FirstChannelIsAnnouncedInOrderAndSecondChannelJoinsTheTitle)
{
    // The receiver list never shrinks, so the recorder and its log outlive
    // the test; the hub connections end with `scope`.
    static std::vector<std::string> log;
    static Recorder recorder(&log);
    static const bool registered = (orvex::app::register_receiver(&recorder), true);
    (void)registered;
    log.clear();
    QObject scope;
    auto& hub = orvex::app::program_events();
    QObject::connect(&hub, &orvex::ProgramEvents::sensor_settings_changed, &scope,
                     [](const orvex::k7::qz3p_settings&) { log.push_back("sensor_settings_changed"); });
    QObject::connect(
        &hub, &orvex::ProgramEvents::sensor_connected, &scope,
        [](const orvex::k7::sensor_info& info) { log.push_back("sensor_connected " + info.serial); });

    ASSERT_EQ(search_ours(), 3u);
    EXPECT_TRUE(page->connect_selected(PageConnection::second_channel) == false); // nothing selected
    select(row(3));
    EXPECT_FALSE(page->connect_selected(PageConnection::second_channel)); // no first channel yet
    select(row(2));
    child<QPushButton>("btnSearchConnect")->click();
    ASSERT_TRUE(orvex::app::device(0).is_connected());
    EXPECT_EQ(log, (std::vector<std::string>{"on_sensor_settings(true)", "on_sensor_connected",
                                             "sensor_settings_changed", "sensor_connected 00042"}));
    EXPECT_EQ(orvex::app::main_window()->windowTitle(),
              QStringLiteral("Подключен : ") + qstr(loopback_address(2)));
    EXPECT_FALSE(page->searcher().running());
    EXPECT_TRUE(orvex::app::main_window()->findChild<QWidget*>(QStringLiteral("pageChart"))->isEnabled());

    // The search was stopped by the connection; the rows stay.
    select(row(3));
    log.clear();
    EXPECT_TRUE(page->connect_selected(PageConnection::second_channel));
    EXPECT_TRUE(orvex::app::device(1).is_connected());
    EXPECT_TRUE(log.empty()); // the second channel is not announced to the pages
    EXPECT_EQ(orvex::app::main_window()->windowTitle(),
              QStringLiteral("Подключен : ") + qstr(loopback_address(2)) +
                  QStringLiteral("  +  второй канал: ") + qstr(loopback_address(3)));

    // Connecting a first channel again drops the second.
    select(row(3));
    EXPECT_TRUE(page->connect_selected(PageConnection::first_channel));
    EXPECT_FALSE(orvex::app::device(1).is_connected());
}

TEST_F(ConnectionPage, RangeOfOneSensorIsNeverUsedForAnother)
{
    // Sensor 00042 holds a range block (N = 5: X 100..300, Y -80..80); 00043's is blank.
    std::vector<std::uint8_t> block(1280, 0xFF);
    std::memcpy(block.data(), "calibr_v_1", 10);
    block[15] = 5;
    const int words[] = {100, 300, 50, -50, 80, -80};
    for (int i = 0; i < 6; ++i) {
        const auto w = static_cast<std::uint16_t>(words[i] * 32);
        block[16 + 2 * i] = static_cast<std::uint8_t>(w >> 8);
        block[17 + 2 * i] = static_cast<std::uint8_t>(w & 0xFF);
    }
    sim->flash_write_raw(0, 0x700000, block);
    auto* chart = orvex::app::page_chart()->chart();
    auto* distance =
        orvex::app::form_settings()->findChild<QDoubleSpinBox*>(QStringLiteral("spin_detached_distance"));
    ASSERT_NE(distance, nullptr);

    ASSERT_EQ(search_ours(), 3u);
    select(row(2));
    ASSERT_TRUE(page->connect_selected(PageConnection::first_channel));
    EXPECT_TRUE(orvex::app::decoded_range().known);
    EXPECT_DOUBLE_EQ(chart->home_range().x0, 100 - 0.03 * 200);
    EXPECT_DOUBLE_EQ(distance->maximum(), 160.0);

    // Another sensor without a block: its identification outline, not 00042's range.
    select(row(3));
    ASSERT_TRUE(page->connect_selected(PageConnection::first_channel));
    EXPECT_FALSE(orvex::app::decoded_range().known);
    const auto& b = orvex::app::device(0).commands().info();
    ASSERT_TRUE(b.ident_valid);
    EXPECT_DOUBLE_EQ(chart->home_range().x0, b.x1 - 0.03 * (b.x2 - b.x1));
    EXPECT_DOUBLE_EQ(distance->maximum(), std::max(b.y1_high, b.y2_high) - std::min(b.y1_low, b.y2_low));
}

TEST_F(ConnectionPage, OldFirmwareIsRefusedWithTheMessage)
{
    ASSERT_EQ(search_ours(), 3u);
    select(row(2));
    ASSERT_TRUE(page->connect_selected(PageConnection::first_channel));
    BoxCloser closer;
    select(row(4));
    EXPECT_FALSE(page->connect_selected(PageConnection::first_channel));
    EXPECT_FALSE(orvex::app::device(0).is_connected());
    // Regression: the title went on naming the sensor dropped for the attempt.
    EXPECT_EQ(orvex::app::main_window()->windowTitle(), QString());
    ASSERT_EQ(closer.titles.size(), 1u);
    EXPECT_EQ(closer.titles[0], QStringLiteral("Ошибка"));
    EXPECT_EQ(closer.texts[0], QStringLiteral("Версия прошивки не поддерживается этой версией программы."));
}

TEST_F(ConnectionPage, MistypedSearchAddressIsReportedNotFatal)
{
    BoxCloser closer;
    child<QLineEdit>("editSearchAddr")->setText(QStringLiteral("300.1.1.1"));
    child<QPushButton>("btnConnectionSearch")->click();
    EXPECT_FALSE(page->searcher().running());
    EXPECT_EQ(closer.titles.size(), 1u);
    // The page outlives the test.
    child<QLineEdit>("editSearchAddr")->setText(QStringLiteral("127.255.255.255"));
}

TEST_F(ConnectionPage, SelectionFollowsItsDeviceWhenALaterReplySortsInAbove)
{
    // Regression: the refill cleared the list, so a sensor answering late
    // dropped the engineer's selection and "Соединить" then failed.
    ASSERT_EQ(search_ours(), 3u);
    select(row(3));
    const auto late = orvex::test::start_simulator({loopback_address(1) + ",serial=00041"});
    for (int wait = 0; wait < 400 && row(1) < 0; ++wait)
        QTest::qWait(10);
    ASSERT_GE(row(1), 0);
    EXPECT_EQ(child<QListWidget>("listSearchSensors")->currentRow(), row(3));
    child<QPushButton>("btnSearchConnect")->click();
    ASSERT_TRUE(orvex::app::device(0).is_connected());
    EXPECT_EQ(orvex::app::device(0).commands().info().serial, "00043");
}

TEST_F(ConnectionPage, ClosingWithTwoChannelsDisconnectsBothAndStoresTheSearchAddress)
{
    ASSERT_EQ(search_ours(), 3u);
    select(row(2));
    ASSERT_TRUE(page->connect_selected(PageConnection::first_channel));
    select(row(3));
    ASSERT_TRUE(page->connect_selected(PageConnection::second_channel));
    orvex::app::main_window()->close();
    EXPECT_FALSE(orvex::app::device(0).is_connected());
    EXPECT_FALSE(orvex::app::device(1).is_connected());
    EXPECT_NE(read_file(exe_dir / "Settings.xml").find("<Mask>127.255.255.255</Mask>"), std::string::npos);
}

TEST_F(ConnectionPage, HealthIsShownWithinTwoSecondsAndTheSettingsWindowIsRereadOnReturn)
{
    ASSERT_EQ(search_ours(), 3u);
    select(row(2));
    ASSERT_TRUE(page->connect_selected(PageConnection::first_channel));
    Quorin* window = orvex::app::main_window();
    EXPECT_TRUE(
        window->findChild<QLabel*>(QStringLiteral("labStatus"))->text().contains(QStringLiteral("00042")));
    QWidget* settings_form = orvex::app::form_settings();
    settings_form->show();
    auto* brightness = settings_form->findChild<QSpinBox*>(QStringLiteral("spin_laser_brightness"));
    ASSERT_NE(brightness, nullptr);

    // Another client changes the sensor's settings behind the program's back.
    orvex::k7::sensor_device other;
    ASSERT_TRUE(other.connect(sim->sensor_address(0)));
    auto changed = other.commands().settings();
    changed.laser_brightness = brightness->value() == 77 ? 78 : 77;
    ASSERT_TRUE(other.commands().write_settings_memory(changed));
    other.disconnect();

    const auto title_says = [&](const QString& text, int ms) {
        QElapsedTimer t;
        t.start();
        while (!window->windowTitle().contains(text) && t.elapsed() < ms)
            QTest::qWait(10);
        return window->windowTitle().contains(text);
    };
    sim->set_answering(0, false);
    EXPECT_TRUE(title_says(QStringLiteral("Нет связи с датчиком"), 2000));
    EXPECT_TRUE(window->findChild<QLabel*>(QStringLiteral("labStatus"))
                    ->text()
                    .contains(QStringLiteral("Нет связи с датчиком")));
    EXPECT_EQ(orvex::app::page_chart()->findChild<QLabel*>(QStringLiteral("labChartFPS"))->text(),
              QStringLiteral("---"));

    sim->set_answering(0, true);
    EXPECT_TRUE(title_says(QStringLiteral("Подключен : ") + qstr(loopback_address(2)), 2000));
    EXPECT_EQ(brightness->value(), changed.laser_brightness);
    settings_form->hide();

    // Result icons of this sensor are not carried over to the next one.
    auto* stream = orvex::app::page_chart()->findChild<QCheckBox*>(QStringLiteral("cbChartStream"));
    stream->setIcon(orvex::app::icons().close);
    select(row(3));
    ASSERT_TRUE(page->connect_selected(PageConnection::first_channel));
    EXPECT_EQ(stream->icon().cacheKey(), orvex::app::icons().empty.cacheKey());

    child<QPushButton>("btnDisconnect")->click();
    EXPECT_FALSE(orvex::app::device(0).is_connected());
    EXPECT_EQ(window->windowTitle(), QString());
}

TEST_F(ConnectionPage, ContextMenuOffersTheBoardOnlyForBoardsAndChangesAnAddress)
{
    ASSERT_EQ(search_ours(), 3u);
    auto* list = child<QListWidget>("listSearchSensors");

    // A popup menu grabs the keyboard, which the offscreen platform declines
    // with a warning; that one is expected here, every other still fails.
    static QtMessageHandler previous = nullptr;
    previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& msg) {
            if (msg != QStringLiteral("This plugin does not support grabbing the keyboard"))
                previous(type, context, msg);
        });
    struct restore {
        ~restore() { qInstallMessageHandler(previous); }
    } restore_handler;

    // Opens the row's menu, notes its entries and triggers the one named `pick`.
    auto open_menu = [&](int row, const QString& pick) {
        QStringList entries;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr)
                return;
            poll.stop();
            QAction* chosen = nullptr;
            for (QAction* a : menu->actions()) {
                entries << (a->isSeparator() ? QStringLiteral("|") : a->text());
                if (a->text() == pick)
                    chosen = a;
            }
            menu->close();
            if (chosen)
                chosen->trigger();
        });
        poll.start(5);
        emit list->customContextMenuRequested(list->visualItemRect(list->item(row)).center());
        return entries;
    };

    const QStringList common{QStringLiteral("Подключить как первый канал"),
                             QStringLiteral("Подключить как второй канал"), QStringLiteral("|"),
                             QStringLiteral("Изменить IP-адрес")};
    EXPECT_EQ(open_menu(row(2), QString()), common);
    EXPECT_EQ(open_menu(row(3), QString()),
              QStringList{QStringLiteral("Подключить плату управления")} + common);
    EXPECT_EQ(list->currentRow(), row(3)) << "the row under the cursor is selected";

    // Address change of the third sensor: the dialog preselects the computer
    // address it was found on; the sensor moves and the restarted search
    // lists it at the new address.
    const auto found = page->searcher().found();
    const auto third =
        std::find_if(found.begin(), found.end(), [](const auto& f) { return f.serial == "00044"; });
    ASSERT_NE(third, found.end());
    const QStringList to = qstr(loopback_address(9)).split(QLatin1Char('.'));
    QString preselected;
    QTimer dialog_poll;
    QObject::connect(&dialog_poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<FormDialogIP*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        dialog_poll.stop();
        if (auto* item = dialog->findChild<QListWidget*>(QStringLiteral("list_comp_ip"))->currentItem())
            preselected = item->text();
        for (int i = 0; i < 4; ++i)
            dialog->findChild<QSpinBox*>(QStringLiteral("spin_ip_%1").arg(i))->setValue(to[i].toInt());
        dialog->findChild<QPushButton*>(QStringLiteral("btn_accept"))->click();
    });
    dialog_poll.start(5);
    open_menu(row(4), QStringLiteral("Изменить IP-адрес"));
    EXPECT_EQ(preselected, qstr(third->computer_address_text));
    EXPECT_TRUE(page->searcher().running());

    const QString moved = qstr(loopback_address(9)) + QStringLiteral("   -   00044");
    bool listed = false;
    for (int wait = 0; wait < 400 && !listed; ++wait) {
        QTest::qWait(10);
        for (int r = 0; r < list->count(); ++r)
            listed = listed || list->item(r)->text().startsWith(moved);
    }
    EXPECT_TRUE(listed);
}

TEST(AddressDialog, ProposalStepsAwayFromTakenAddresses)
{
    const std::uint32_t base = (10u << 24) | (1u << 16) | (2u << 8);
    FormDialogIP down({base | 200, base | 10}, {base | 199, base | 11, base | 12}, base | 200);
    auto* last = down.findChild<QSpinBox*>(QStringLiteral("spin_ip_3"));
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->value(), 198); // .200 has bit 7 set: downward, past the taken .199
    EXPECT_EQ(down.address(), base | 198);

    auto* list = down.findChild<QListWidget*>(QStringLiteral("list_comp_ip"));
    list->setCurrentRow(1); // .10: upward, past .11 and .12
    EXPECT_EQ(last->value(), 13);
    EXPECT_EQ(down.findChild<QSpinBox*>(QStringLiteral("spin_ip_0"))->value(), 10);
}
