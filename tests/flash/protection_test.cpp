// Flash protection against the simulated sensor: the block scan and its stop
// at the first failure, individual protection on and off with their exact
// bytes, the status registers as text.
#include "flash_fixture.h"

#include "flash/flash_protection.h"
#include "link/flash_commands.h"

using namespace orvex::k7;

namespace orvex::test {
namespace {

using Protection = SimSensor;

// The bytes an SPI pass-through request clocks out.
byte_vector spi_out(const byte_vector& request)
{
    const std::size_t w = std::size_t(request[1]) << 8 | request[2];
    return byte_vector(request.begin() + 5, request.begin() + 5 + static_cast<std::ptrdiff_t>(w));
}

TEST_F(Protection, ScanListsLockedBlocksAndStopsAtTheFirstFailure)
{
    ASSERT_TRUE(flash().lock_block(126));
    ASSERT_TRUE(flash().lock_block(127));
    std::vector<int> heard;
    auto scan = scan_block_locks(flash(), 0, 127, [&](int b, bool) { heard.push_back(b); });
    EXPECT_TRUE(scan.complete);
    EXPECT_EQ(scan.locked, (std::vector<int>{126, 127}));
    ASSERT_EQ(scan.unlocked.size(), 126u);
    EXPECT_EQ(scan.unlocked.front(), 0);
    EXPECT_EQ(scan.unlocked.back(), 125);
    EXPECT_EQ(heard.size(), 128u);

    // Block 40's transaction gets no answer: 0..39 stay listed.
    sim_->set_answer_budget(0, 40);
    scan = scan_block_locks(flash());
    EXPECT_FALSE(scan.complete);
    EXPECT_TRUE(scan.locked.empty());
    ASSERT_EQ(scan.unlocked.size(), 40u);
    EXPECT_EQ(scan.unlocked.back(), 39);
}

TEST_F(Protection, IndividualProtectionWritesExactBytesAndRegistersReadAsText)
{
    clear_log();
    ASSERT_TRUE(set_individual_protection(flash(), true));
    std::uint8_t sr3 = 0;
    ASSERT_TRUE(flash().read_status3(sr3));
    EXPECT_EQ(sr3, 0x64);

    clear_log();
    ASSERT_TRUE(set_individual_protection(flash(), false));
    const auto l = log();
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[0][0], 0x55);
    EXPECT_EQ(spi_out(l[0]), (byte_vector{0x06}));
    EXPECT_EQ(spi_out(l[1]), (byte_vector{0x11, 0x60}));
    EXPECT_EQ(l[2], (byte_vector{0x50}));
    ASSERT_TRUE(flash().read_status3(sr3));
    EXPECT_EQ(sr3, 0x60);

    std::uint8_t regs[3] = {};
    ASSERT_TRUE(read_status_registers(flash(), regs));
    EXPECT_EQ(status_registers_text(regs), "0 0 60");
    EXPECT_EQ(hex_text(0x00C0FFEE12345678ull), "c0ffee12345678");
    EXPECT_EQ(hex_text(0), "0");

    sim_->set_answering(0, false);
    EXPECT_FALSE(set_individual_protection(flash(), true));
}

} // namespace
} // namespace orvex::test
