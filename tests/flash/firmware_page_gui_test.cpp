// The firmware page against a simulated sensor: firmware written from a file
// with its first page last, an interrupted write, flash read into
// "flash_out.bin", the identification write, developer-mode widgets and the
// connection updates.
#include "app/program.h"
#include "app/program_settings.h"
#include "app/quorin.h"
#include "flash/flash_engine.h"
#include "flash/page_bitstream.h"
#include "link/flash_commands.h"
#include "link/sensor_device.h"
#include "simulator.h"
#include "support/gui_support.h"
#include "support/program_fixture.h"
#include "support/test_support.h"

#include <QAbstractButton>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QSpinBox>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

using orvex::test::BoxCloser;
using orvex::test::loopback_address;
using orvex::test::read_file;
using orvex::test::TempDir;
using orvex::test::write_file;
namespace app = orvex::app;

namespace {

using bytes = std::vector<std::uint8_t>;

bytes pattern(std::size_t n, std::uint8_t seed)
{
    bytes v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(i * 13 + seed + i / 256);
    return v;
}

std::string as_text(const bytes& b)
{
    return std::string(b.begin(), b.end());
}

template <class F>
bool eventually(F done)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}

struct FirmwarePage : ::testing::Test {
    TempDir exe_dir;
    std::unique_ptr<orvex::sim::simulator> sim;
    Quorin* window = nullptr;
    PageBitstream* page = nullptr;
    std::size_t log_mark = 0;
    std::size_t dev = 0; // the simulated sensor connected as first channel

    void SetUp() override
    {
        sim = orvex::test::start_simulator(
            {loopback_address(2) + ",serial=00042,ident=First head,shift=6,outline=1.5:120:-40:45:-60:70",
             loopback_address(3) + ",serial=AB12C,ident=Odd",
             loopback_address(4) + ",serial=00044,type=E1D,shift=8"},
            loopback_address(254));
        ASSERT_TRUE(orvex::test::start_program_in(exe_dir));
        window = app::main_window();
        page = window->findChild<PageBitstream*>();
        ASSERT_NE(page, nullptr);
    }
    void TearDown() override { app::device(0).disconnect(); }

    void connect_sensor(std::size_t index = 0)
    {
        dev = index;
        ASSERT_TRUE(app::device(0).connect(sim->sensor_address(index)));
        app::for_each_receiver([](orvex::IProgramEvents& r) { r.on_sensor_connected(); });
    }
    void disconnect_sensor()
    {
        app::device(0).disconnect();
        app::for_each_receiver([](orvex::IProgramEvents& r) { r.on_sensor_disconnected(); });
    }
    void developer_mode(bool on)
    {
        app::for_each_receiver([on](orvex::IProgramEvents& r) { r.on_developer_mode(on); });
    }

    template <class T>
    T* child(const char* name)
    {
        auto* w = page->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QAbstractButton* button(const char* name) { return child<QAbstractButton>(name); }

    /// Main-timer ticks until the flash job has ended.
    void run_jobs()
    {
        for (int i = 0; i < 200000 && app::device(0).flash().jobs().busy(); ++i)
            window->on_MainTimerTimeout();
        ASSERT_FALSE(app::device(0).flash().jobs().busy());
    }

    QString message() const { return window->findChild<QLabel*>(QStringLiteral("labStatus"))->text(); }
    QString message_tip() const { return window->findChild<QLabel*>(QStringLiteral("labStatus"))->toolTip(); }
    QProgressBar* progress() const
    {
        return window->findChild<QProgressBar*>(QStringLiteral("barStatusProgress"));
    }

    static bool shows(QAbstractButton* b, const QIcon& icon)
    {
        return b->icon().cacheKey() == icon.cacheKey();
    }

    void mark_log() { log_mark = sim->request_log(dev).size(); }
    std::vector<bytes> log_since_mark() const
    {
        const auto all = sim->request_log(dev);
        return std::vector<bytes>(all.begin() + static_cast<std::ptrdiff_t>(log_mark), all.end());
    }
    std::size_t sent_since_mark(std::uint8_t command) const
    {
        std::size_t n = 0;
        for (const auto& r : log_since_mark())
            n += !r.empty() && r[0] == command;
        return n;
    }
    std::vector<std::uint32_t> page_writes_since_mark() const
    {
        std::vector<std::uint32_t> out;
        for (const auto& r : log_since_mark())
            if (r.size() >= 4 && r[0] == 0x52)
                out.push_back(std::uint32_t(r[1]) << 16 | std::uint32_t(r[2]) << 8);
        return out;
    }
    bool back_in_measuring_mode() const
    {
        return eventually([&] {
            const auto l = sim->request_log(dev);
            return !l.empty() && l.back().size() == 9 && l.back()[0] == 0x86 && l.back()[5] == 0;
        });
    }
};

} // namespace

TEST_F(FirmwarePage, FirmwareFileIsWrittenWithItsFirstPageLast)
{
    connect_sensor();
    const bytes image = pattern(3 * 256 + 10, 3);
    const auto file = exe_dir / "image.bin";
    write_file(file, as_text(image));
    page->set_file_chooser([&] { return QString::fromStdString(file.u8string()); });
    button("btnBitstreamOpen")->click();
    EXPECT_EQ(child<QLineEdit>("editBitstreamFileName")->text(), QString::fromStdString(file.u8string()));

    mark_log();
    button("btnBitstreamWrite")->click();
    // Three pages go through the job: two are done, one is left for the timer.
    EXPECT_TRUE(shows(button("btnBitstreamWrite"), app::icons().clock));
    EXPECT_TRUE(progress()->isVisibleTo(window));
    EXPECT_EQ(progress()->value(), 33);
    EXPECT_EQ(message(), QStringLiteral("Запись страницы 2 из 3 (33%)"));
    run_jobs();
    // The outcome names the file written.
    EXPECT_TRUE(message().startsWith(QStringLiteral("Запись успешно завершена.")));
    EXPECT_TRUE(
        message().endsWith(QDir::toNativeSeparators(child<QLineEdit>("editBitstreamFileName")->text())))
        << message().toStdString();
    EXPECT_EQ(message_tip(), message());
    EXPECT_FALSE(progress()->isVisibleTo(window));
    EXPECT_TRUE(shows(button("btnBitstreamWrite"), app::icons().accept));

    bytes expected = image;
    expected.resize(4 * 256, 0xFF);
    EXPECT_EQ(sim->flash_read(dev, 0x090000, expected.size()), expected);
    EXPECT_EQ(page_writes_since_mark(), (std::vector<std::uint32_t>{0x090100, 0x090200, 0x090300, 0x090000}));
    EXPECT_TRUE(back_in_measuring_mode());

    // A file that is not there: its message, the failure icon, nothing sent.
    child<QLineEdit>("editBitstreamFileName")
        ->setText(QString::fromStdString((exe_dir / "none.bin").u8string()));
    mark_log();
    button("btnBitstreamWrite")->click();
    EXPECT_TRUE(message().startsWith(QStringLiteral("Не удалось открыть файл.")));
    EXPECT_TRUE(message().contains(QStringLiteral("none.bin"))); // the path tried
    EXPECT_TRUE(shows(button("btnBitstreamWrite"), app::icons().close));
    EXPECT_TRUE(log_since_mark().empty());
}

TEST_F(FirmwarePage, EmptyFileNameTakesTheWorkstationImageAndAnInterruptedWriteFails)
{
    connect_sensor();
    const bytes image = pattern(16 * 256, 9);
    const auto fresh_d = exe_dir / "fresh_flash.bin";
    write_file(fresh_d, as_text(image));
    qputenv("ORVEX_FRESH_FLASH_C", QByteArray::fromStdString((exe_dir / "missing.bin").u8string()));
    qputenv("ORVEX_FRESH_FLASH_D", QByteArray::fromStdString(fresh_d.u8string()));
    sim->flash_write_raw(dev, 0x090000, bytes(256, 0x11));

    mark_log();
    button("btnBitstreamWrite")->click();
    ASSERT_TRUE(app::device(0).flash().jobs().busy());
    sim->set_answer_budget(dev, 3); // the sensor falls silent half-way
    run_jobs();
    EXPECT_TRUE(message().startsWith(QStringLiteral("Ошибка при ")));
    EXPECT_TRUE(shows(button("btnBitstreamWrite"), app::icons().close));
    EXPECT_FALSE(progress()->isVisibleTo(window));
    // The first page was never written: the sector's erase left it blank.
    EXPECT_EQ(sim->flash_read(dev, 0x090000, 256), bytes(256, 0xFF));
    const auto writes = page_writes_since_mark();
    EXPECT_EQ(std::count(writes.begin(), writes.end(), 0x090000u), 0);
    EXPECT_TRUE(back_in_measuring_mode());
}

// Closing the window during a firmware write used to leave the sensor in
// flash-work mode: the job was never resumed again.
TEST_F(FirmwarePage, ClosingTheWindowDuringAWriteStopsItInMeasuringMode)
{
    connect_sensor();
    const auto file = exe_dir / "image.bin";
    write_file(file, as_text(pattern(64 * 256, 4)));
    child<QLineEdit>("editBitstreamFileName")->setText(QString::fromStdString(file.u8string()));
    sim->flash_write_raw(dev, 0x090000, bytes(256, 0x11));
    button("btnBitstreamWrite")->click();
    window->on_MainTimerTimeout();
    ASSERT_TRUE(app::device(0).flash().jobs().busy());
    window->close();
    EXPECT_FALSE(app::device(0).flash().jobs().busy());
    EXPECT_TRUE(back_in_measuring_mode());
    EXPECT_EQ(sim->flash_read(dev, 0x090000, 256), bytes(256, 0xFF)) << "the first page stays erased";
}

TEST_F(FirmwarePage, FlashReadGoesToFlashOutBinAndBlocksOtherFlashWork)
{
    connect_sensor();
    developer_mode(true);
    const bytes data = pattern(65536, 5);
    sim->flash_write_raw(dev, 0x0A0000, data);
    child<QSpinBox>("spinBitstreamAddr")->setValue(10);
    child<QSpinBox>("spinBitstreamSize")->setValue(1);

    button("btnBitstreamReadFlash")->click();
    ASSERT_TRUE(app::device(0).flash().jobs().busy());
    EXPECT_EQ(message(), QStringLiteral("Чтение страницы 2 из 256 (0%)"));
    // An erase or identification write now would spoil the running job.
    mark_log();
    button("btnFlashEraseSector")->click();
    button("btnSettingsIdentWrite")->click();
    EXPECT_EQ(message(), QStringLiteral("Флеш занята другой операцией"));
    EXPECT_TRUE(shows(button("btnFlashEraseSector"), app::icons().close));
    EXPECT_TRUE(shows(button("btnSettingsIdentWrite"), app::icons().close));
    EXPECT_EQ(sent_since_mark(0x53), 0u);
    EXPECT_EQ(sent_since_mark(0x86), 0u);

    run_jobs();
    EXPECT_TRUE(message().startsWith(QStringLiteral("Чтение успешно завершена.")));
    EXPECT_TRUE(message().contains(QStringLiteral("flash_out.bin")));
    EXPECT_TRUE(shows(button("btnBitstreamReadFlash"), app::icons().accept));
    EXPECT_EQ(read_file(exe_dir / "flash_out.bin"), as_text(data));

    // A read that fails leaves an empty file and the failure icon.
    sim->set_answer_budget(dev, 0);
    button("btnBitstreamReadFlash")->click();
    run_jobs();
    EXPECT_TRUE(message().startsWith(QStringLiteral("Ошибка при чтении страницы 0")));
    EXPECT_TRUE(shows(button("btnBitstreamReadFlash"), app::icons().close));
    EXPECT_TRUE(read_file(exe_dir / "flash_out.bin").empty());
}

TEST_F(FirmwarePage, IdentificationWriteShowsInTheNextDescription)
{
    connect_sensor();
    developer_mode(true);
    child<QLineEdit>("editSettingsIdentString")->setText(QStringLiteral("Probe 12"));
    child<QSpinBox>("spinBitstreamSerial")->setValue(123);
    child<QSpinBox>("spinIdentFracBits")->setValue(8);
    child<QDoubleSpinBox>("spinIdentRangeXS")->setValue(10.5);
    child<QDoubleSpinBox>("spinIdentRangeXE")->setValue(200.25);
    child<QDoubleSpinBox>("spinIdentRangeYSB")->setValue(-30);
    child<QDoubleSpinBox>("spinIdentRangeYST")->setValue(35);
    child<QDoubleSpinBox>("spinIdentRangeYEB")->setValue(-90.5);
    child<QDoubleSpinBox>("spinIdentRangeYET")->setValue(95);
    button("btnSettingsIdentWrite")->click();
    EXPECT_TRUE(shows(button("btnSettingsIdentWrite"), app::icons().accept));
    EXPECT_TRUE(back_in_measuring_mode());

    disconnect_sensor();
    connect_sensor();
    const auto& info = app::device(0).commands().info();
    ASSERT_TRUE(info.ident_valid);
    EXPECT_EQ(info.ident_text, "Probe 12");
    EXPECT_EQ(child<QLineEdit>("editSettingsIdentString")->text(), QStringLiteral("Probe 12"));
    EXPECT_EQ(child<QSpinBox>("spinBitstreamSerial")->value(), 123);
    EXPECT_EQ(child<QSpinBox>("spinIdentFracBits")->value(), 8);
    EXPECT_EQ(child<QSpinBox>("spinFlashFracBits")->value(), 8);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("spinIdentRangeXS")->value(), 10.5);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("spinIdentRangeXE")->value(), 200.25);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("spinIdentRangeYSB")->value(), -30);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("spinIdentRangeYEB")->value(), -90.5);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("spinIdentRangeYET")->value(), 95);

    // 300 mm does not fit an X word with 8 fractional bits: refused before any erase.
    child<QDoubleSpinBox>("spinIdentRangeXE")->setValue(300);
    mark_log();
    button("btnSettingsIdentWrite")->click();
    EXPECT_TRUE(shows(button("btnSettingsIdentWrite"), app::icons().close));
    EXPECT_TRUE(message().contains(QStringLiteral("не помещается")));
    EXPECT_TRUE(log_since_mark().empty());
}

TEST_F(FirmwarePage, DeveloperModeShowsToolsAndUnlocksIdentification)
{
    const char* tools[] = {"labBitstreamAddr",      "spinBitstreamAddr",     "labBitsreamSize",
                           "spinBitstreamSize",     "btnBitstreamReadFlash", "spinFlashEraseSector",
                           "btnFlashEraseSector",   "btnFlashGetStatus",     "btnFlashSetProtectionSelector",
                           "btnSettingsIdentWrite", "groupCalibrTabesWrite"};
    const char* editable[] = {"editSettingsIdentString", "spinBitstreamSerial", "spinIdentFracBits",
                              "spinIdentRangeXS",        "spinIdentRangeXE",    "spinIdentRangeYST",
                              "spinIdentRangeYET",       "spinIdentRangeYSB",   "spinIdentRangeYEB"};
    const char* always[] = {"btnBitstreamOpen",           "editBitstreamFileName", "btnBitstreamWrite",
                            "lab_curr_bitstream_version", "groupSettingsIdent",    "groupIdentRange"};
    for (bool on : {true, false, true}) {
        developer_mode(on);
        for (const char* name : tools)
            EXPECT_EQ(child<QWidget>(name)->isHidden(), !on) << name << " " << on;
        for (const char* name : editable)
            EXPECT_EQ(child<QWidget>(name)->isEnabledTo(page), on) << name << " " << on;
        for (const char* name : always)
            EXPECT_FALSE(child<QWidget>(name)->isHidden()) << name;
    }
}

TEST_F(FirmwarePage, ConnectionFillsThePageAndDisconnectionClearsIt)
{
    auto* container = window->findChild<QWidget*>(QStringLiteral("pageBitstream"));
    EXPECT_FALSE(container->isEnabled());
    connect_sensor();
    EXPECT_TRUE(container->isEnabled());
    EXPECT_EQ(child<QLabel>("lab_curr_bitstream_version")->text(), QStringLiteral("49m.2d сканер"));
    EXPECT_EQ(child<QLineEdit>("editSettingsIdentString")->text(), QStringLiteral("First head"));
    EXPECT_EQ(child<QSpinBox>("spinBitstreamSerial")->value(), 42);
    EXPECT_EQ(child<QSpinBox>("spinIdentFracBits")->value(), 6);
    EXPECT_EQ(child<QSpinBox>("spinFlashFracBits")->value(), 6);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("spinIdentRangeXS")->value(), 1.5);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("spinIdentRangeXE")->value(), 120);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("spinIdentRangeYSB")->value(), -40);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("spinIdentRangeYST")->value(), 45);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("spinIdentRangeYEB")->value(), -60);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("spinIdentRangeYET")->value(), 70);

    disconnect_sensor();
    EXPECT_TRUE(container->isEnabled()); // the page stays usable; its actions fail with the failure icon
    EXPECT_EQ(child<QLabel>("lab_curr_bitstream_version")->text(), QStringLiteral("---"));
    EXPECT_EQ(child<QLineEdit>("editSettingsIdentString")->text(), QStringLiteral("---"));
    for (const char* name : {"spinBitstreamSerial", "spinIdentFracBits", "spinFlashFracBits"})
        EXPECT_EQ(child<QSpinBox>(name)->value(), 0) << name;
    for (const char* name : {"spinIdentRangeXS", "spinIdentRangeXE", "spinIdentRangeYST", "spinIdentRangeYET",
                             "spinIdentRangeYSB", "spinIdentRangeYEB"})
        EXPECT_EQ(child<QDoubleSpinBox>(name)->value(), 0) << name;
    developer_mode(true);
    button("btnFlashEraseSector")->click();
    EXPECT_TRUE(shows(button("btnFlashEraseSector"), app::icons().close));

    // A serial that is not a number shows as 0, with a message; the program goes on.
    connect_sensor(1);
    EXPECT_EQ(child<QLineEdit>("editSettingsIdentString")->text(), QStringLiteral("Odd"));
    EXPECT_EQ(child<QSpinBox>("spinBitstreamSerial")->value(), 0);
    EXPECT_EQ(message(), QStringLiteral("Серийный номер датчика не является числом"));
}

namespace {

// A table pair of 1024 rows: X grows with the column and has no value in
// the first and last 16 columns; Y follows the row.
void write_tables(const std::filesystem::path& dir)
{
    std::filesystem::create_directories(dir);
    std::string xs, ys;
    char cell[32];
    for (int r = 0; r < 1024; ++r) {
        for (int c = 0; c < 1280; ++c) {
            const bool valid = c >= 16 && c < 1264;
            std::snprintf(cell, sizeof cell, "%.3f ", valid ? 20.0 + c * 0.125 : 65535.0);
            xs += cell;
            std::snprintf(cell, sizeof cell, "%.3f ", valid ? r * 0.0625 - 30.0 : 65535.0);
            ys += cell;
        }
        xs += "eol\n";
        ys += "eol\n";
    }
    write_file(dir / "TableX.txt", xs);
    write_file(dir / "TableY.txt", ys);
}

} // namespace

TEST_F(FirmwarePage, CalibrationTablesAndRangeBlockGoToFlash)
{
    connect_sensor(2); // a point sensor: a table image of four rows
    developer_mode(true);
    write_tables(exe_dir / "calibr");
    child<QSpinBox>("spinFlashFracBits")->setValue(8);

    button("btnCalibrTablesWrite")->click();
    run_jobs();
    EXPECT_TRUE(message().startsWith(QStringLiteral("Запись успешно завершена.")));
    EXPECT_TRUE(shows(button("btnCalibrTablesWrite"), app::icons().accept));
    // Row 3, column 16: X 22 mm and Y -29.8125 mm times 256.
    const auto cell = sim->flash_read(dev, 0x800000 + 3 * 8192 + 4 * 16, 4);
    EXPECT_EQ(cell, (bytes{0x16, 0x00, 0xE2, 0x30}));
    EXPECT_EQ(sim->flash_read(dev, 0x800000 + 3 * 8192, 4), bytes(4, 0xFF)); // column 0 has no value
    EXPECT_TRUE(back_in_measuring_mode());

    // The range block: the fields show the range the sensor now holds.
    app::decoded_range() = orvex::k7::decoded_range{};
    button("btnSubframeWrite")->click();
    run_jobs();
    EXPECT_TRUE(message().startsWith(QStringLiteral("Запись успешно завершена."))) << message().toStdString();
    EXPECT_TRUE(shows(button("btnSubframeWrite"), app::icons().accept));
    const auto& range = app::decoded_range();
    ASSERT_TRUE(range.known);
    EXPECT_DOUBLE_EQ(range.x_start, 22.0);
    EXPECT_DOUBLE_EQ(range.x_end, 20.0 + 1263 * 0.125);
    EXPECT_DOUBLE_EQ(range.y_bottom, -30.0);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("spinIdentRangeXS")->value(), 22.0);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("spinIdentRangeXE")->value(), range.x_end);
    EXPECT_DOUBLE_EQ(child<QDoubleSpinBox>("spinIdentRangeYSB")->value(), -30.0);
    EXPECT_NEAR(child<QDoubleSpinBox>("spinIdentRangeYET")->value(), range.y_top, 1e-3);
    const auto block = sim->flash_read(dev, 0x700000, 10);
    EXPECT_EQ(std::string(block.begin(), block.end()), "calibr_v_1");

    // Missing files: the message box, the failure icon, nothing written.
    std::filesystem::remove(exe_dir / "calibr" / "TableY.txt");
    mark_log();
    {
        BoxCloser closer;
        button("btnCalibrTablesWrite")->click();
        button("btnSubframeWrite")->click();
        ASSERT_EQ(closer.texts.size(), 2u);
        EXPECT_EQ(closer.titles[0], QStringLiteral("Ошибка"));
        EXPECT_TRUE(closer.texts[0].startsWith(QStringLiteral("Не удалось открыть файлы таблиц\n")));
        EXPECT_EQ(closer.titles[1], QStringLiteral("Ошибка при загрузке таблиц."));
        EXPECT_EQ(closer.texts[1], QStringLiteral("Не удалось открыть файлы таблиц."));
    }
    EXPECT_TRUE(shows(button("btnCalibrTablesWrite"), app::icons().close));
    EXPECT_TRUE(shows(button("btnSubframeWrite"), app::icons().close));
    EXPECT_EQ(sent_since_mark(0x53), 0u);
    EXPECT_EQ(sent_since_mark(0x52), 0u);

    // Tables with other fractional bits than the sensor applies: asked first,
    // and a refusal writes nothing.
    write_tables(exe_dir / "calibr");
    child<QSpinBox>("spinFlashFracBits")->setValue(7);
    {
        BoxCloser closer; // accepting the box is not "Yes"
        button("btnCalibrTablesWrite")->click();
        ASSERT_EQ(closer.texts.size(), 1u);
        EXPECT_TRUE(
            closer.texts[0].startsWith(QStringLiteral("Дробных бит: 7, а датчик применяет таблицы с 8 ")));
    }
    EXPECT_FALSE(app::device(0).flash().jobs().busy());
    EXPECT_EQ(sent_since_mark(0x52), 0u);
}

TEST_F(FirmwarePage, TablesReadBackIntoTextFiles)
{
    connect_sensor(2);
    developer_mode(true);
    std::filesystem::create_directories(exe_dir / "calibr");
    // Row 0, column 0: X 2.5 mm, Y -0.5 mm with the sensor's 8 fractional bits.
    sim->flash_write_raw(dev, 0x800000, bytes{0x02, 0x80, 0xFF, 0x80});
    button("btnCalibrTablesRead")->click();
    run_jobs();
    EXPECT_TRUE(message().startsWith(QStringLiteral("Чтение таблиц завершено успешно")));
    EXPECT_TRUE(shows(button("btnCalibrTablesRead"), app::icons().accept));
    const std::string x = read_file(exe_dir / "calibr" / "R_TableX.txt");
    const std::string y = read_file(exe_dir / "calibr" / "R_TableY.txt");
    EXPECT_EQ(x.substr(0, 10), "2.500     ");
    EXPECT_EQ(y.substr(0, 10), "-0.500    ");
    EXPECT_EQ(std::count(x.begin(), x.end(), '\n'), 1024);
}
