// The flash protection window against a simulated sensor: the block scan,
// locking and unlocking a block, individual protection off with its exact
// bytes, the unique number and status register 3.
#include "app/program.h"
#include "app/program_settings.h"
#include "flash/form_flash.h"
#include "link/sensor_device.h"
#include "simulator.h"
#include "support/program_fixture.h"
#include "support/test_support.h"

#include <QAbstractButton>
#include <QListWidget>
#include <QSpinBox>
#include <gtest/gtest.h>

#include <memory>

using orvex::test::loopback_address;
using orvex::test::TempDir;
namespace app = orvex::app;

namespace {

using bytes = std::vector<std::uint8_t>;

struct FlashWindow : ::testing::Test {
    TempDir exe_dir;
    std::unique_ptr<orvex::sim::simulator> sim;
    FormFlash* form = nullptr;

    void SetUp() override
    {
        sim = orvex::test::start_simulator({loopback_address(2) + ",serial=00042"}, loopback_address(254));
        ASSERT_TRUE(orvex::test::start_program_in(exe_dir));
        ASSERT_TRUE(app::device(0).connect(sim->sensor_address(0)));
        form = app::form_flash();
    }
    void TearDown() override { app::device(0).disconnect(); }

    QAbstractButton* button(const char* name)
    {
        auto* b = form->findChild<QAbstractButton*>(QString::fromLatin1(name));
        EXPECT_NE(b, nullptr) << name;
        return b;
    }
    QListWidget* list(const char* name) { return form->findChild<QListWidget*>(QString::fromLatin1(name)); }
    static QStringList items(QListWidget* l)
    {
        QStringList out;
        for (int i = 0; i < l->count(); ++i)
            out << l->item(i)->text();
        return out;
    }
    static bool shows(QAbstractButton* b, const QIcon& icon)
    {
        return b->icon().cacheKey() == icon.cacheKey();
    }
};

// The bytes an SPI pass-through request clocks out.
bytes spi_out(const bytes& request)
{
    const std::size_t w = std::size_t(request[1]) << 8 | request[2];
    return bytes(request.begin() + 5, request.begin() + 5 + static_cast<std::ptrdiff_t>(w));
}

} // namespace

TEST_F(FlashWindow, ScanListsLockedBlocksAndKeepsThoseReadBeforeAFailure)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("FormFlash"));
    ASSERT_TRUE(app::device(0).flash().lock_block(126));
    ASSERT_TRUE(app::device(0).flash().lock_block(127));
    button("btn_status_read")->click();
    EXPECT_TRUE(shows(button("btn_status_read"), app::icons().accept));
    EXPECT_EQ(items(list("list_sectors_locked")),
              (QStringList{QStringLiteral("126"), QStringLiteral("127")}));
    const QStringList unlocked = items(list("list_sectors_unlocked"));
    ASSERT_EQ(unlocked.size(), 126);
    EXPECT_EQ(unlocked.front(), QStringLiteral("0"));
    EXPECT_EQ(unlocked.back(), QStringLiteral("125"));

    // Block 40's transaction gets no answer: the lists are refilled up to 39.
    sim->set_answer_budget(0, 40);
    button("btn_status_read")->click();
    EXPECT_TRUE(shows(button("btn_status_read"), app::icons().close));
    EXPECT_EQ(list("list_sectors_locked")->count(), 0);
    ASSERT_EQ(list("list_sectors_unlocked")->count(), 40);
    EXPECT_EQ(list("list_sectors_unlocked")->item(39)->text(), QStringLiteral("39"));
}

TEST_F(FlashWindow, LockAndUnlockABlockRoundTrip)
{
    auto* spin = form->findChild<QSpinBox*>(QStringLiteral("spin_sector_lock"));
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->maximum(), 127); // the identification record's block can be chosen
    button("btn_per_sector_lock")->click();
    EXPECT_TRUE(shows(button("btn_per_sector_lock"), app::icons().accept));

    spin->setValue(127);
    button("btn_sector_lock")->click();
    EXPECT_TRUE(shows(button("btn_sector_lock"), app::icons().accept));
    EXPECT_TRUE(sim->block_locked(0, 127));
    button("btn_status_read")->click();
    EXPECT_EQ(items(list("list_sectors_locked")), QStringList{QStringLiteral("127")});

    button("btn_sector_unlock")->click();
    EXPECT_TRUE(shows(button("btn_sector_unlock"), app::icons().accept));
    EXPECT_FALSE(sim->block_locked(0, 127));
    button("btn_status_read")->click();
    EXPECT_EQ(list("list_sectors_locked")->count(), 0);

    sim->set_answering(0, false);
    button("btn_sector_lock")->click();
    EXPECT_TRUE(shows(button("btn_sector_lock"), app::icons().close));
}

TEST_F(FlashWindow, ProtectionOffSendsItsBytesAndRegistersShowAsText)
{
    const std::size_t mark = sim->request_log(0).size();
    button("btn_per_sector_lock_remove")->click();
    EXPECT_TRUE(shows(button("btn_per_sector_lock_remove"), app::icons().accept));
    const auto all = sim->request_log(0);
    const std::vector<bytes> sent(all.begin() + static_cast<std::ptrdiff_t>(mark), all.end());
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0][0], 0x55);
    EXPECT_EQ(spi_out(sent[0]), (bytes{0x06}));
    EXPECT_EQ(spi_out(sent[1]), (bytes{0x11, 0x60}));
    EXPECT_EQ(sent[2], (bytes{0x50}));

    button("btn_status3_read")->click();
    EXPECT_TRUE(shows(button("btn_status3_read"), app::icons().accept));
    EXPECT_EQ(button("btn_status3_read")->text(), QStringLiteral("60"));

    button("btn_unique_id")->click();
    EXPECT_TRUE(shows(button("btn_unique_id"), app::icons().accept));
    bool hex = false;
    button("btn_unique_id")->text().toULongLong(&hex, 16);
    EXPECT_TRUE(hex);
    EXPECT_FALSE(button("btn_unique_id")->text().startsWith(QLatin1Char('0')));

    sim->set_answering(0, false);
    button("btn_unique_id")->click();
    EXPECT_TRUE(shows(button("btn_unique_id"), app::icons().close));
    EXPECT_EQ(button("btn_unique_id")->text(), QStringLiteral("0"));
    button("btn_status3_read")->click();
    EXPECT_TRUE(shows(button("btn_status3_read"), app::icons().close));
    EXPECT_EQ(button("btn_status3_read")->text(), QStringLiteral("60"));
}
