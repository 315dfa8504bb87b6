// Flash over the wire: page read/write and sector erase under the NOR rules,
// the operating mode gate, SPI pass-through protection and extended access.
#include "sim_fixture.h"

#include <cstring>

namespace orvex::test {
namespace {

bytes data_of(const std::optional<bytes>& r)
{
    return r ? bytes(r->begin() + 1, r->end()) : bytes{};
}

std::uint8_t spi_byte(raw_client& c, const std::string& a, const bytes& w)
{
    auto r = c.ask(a, spi_request(w, 1));
    EXPECT_TRUE(r && r->size() == 2 && (*r)[0] == 0x55);
    return r && r->size() == 2 ? (*r)[1] : 0xEE;
}

bool spi_ok(raw_client& c, const std::string& a, const bytes& w)
{
    auto r = c.ask(a, spi_request(w, 0));
    return r && *r == bytes{0x55};
}

TEST(K7simFlash, NorRulesAndModeGate)
{
    const auto a = loopback_address(2);
    auto sim = start_sim({a});
    raw_client c;
    const std::uint32_t page = 0x100300;

    // Outside mode 3 erase and program are refused and change nothing.
    EXPECT_TRUE(c.silent(a, erase_request(page)));
    EXPECT_TRUE(c.silent(a, write_page_request(page, page_of(0x00))));
    EXPECT_EQ(sim->flash_read(0, page, 256), page_of(0xFF));
    // A malformed mode request does not switch.
    c.send(a, {0x86, 'Q', 'Z', '3', 'P', 3, 'E', 'N', 'X'});
    EXPECT_TRUE(c.silent(a, erase_request(page)));
    EXPECT_EQ(sim->operating_mode(0), 0);

    c.send(a, mode_request(3));
    bytes first(256);
    for (int i = 0; i < 256; ++i)
        first[i] = std::uint8_t(0xF0 | (i & 0x0F));
    EXPECT_EQ(c.ask(a, write_page_request(page, first)), bytes{0x52});
    EXPECT_EQ(sim->operating_mode(0), 3);
    auto r = c.ask(a, read_page_request(page));
    ASSERT_TRUE(r);
    ASSERT_EQ(r->size(), 258u);
    EXPECT_EQ((*r)[0], 0x51);
    EXPECT_EQ(bytes(r->begin() + 1, r->begin() + 257), first);

    // Programming without erase can only clear bits.
    EXPECT_EQ(c.ask(a, write_page_request(page, page_of(0x3C))), bytes{0x52});
    auto now = sim->flash_read(0, page, 256);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(now[i], first[i] & 0x3C) << i;
    // Neighbouring pages are untouched; erase restores the whole sector.
    EXPECT_EQ(sim->flash_read(0, page + 256, 256), page_of(0xFF));
    EXPECT_EQ(c.ask(a, erase_request(0x10FFFF)), bytes{0x53});
    EXPECT_EQ(sim->flash_read(0, page, 256), page_of(0xFF));

    // Back in measuring mode the gate closes again.
    c.send(a, mode_request(0));
    EXPECT_TRUE(c.silent(a, write_page_request(page, page_of(0x00))));
    EXPECT_EQ(sim->flash_read(0, page, 256), page_of(0xFF));

    // The read-back corruption hook flips one bit once, the flash stays intact.
    sim->flash_write_raw(0, page, page_of(0x5A));
    sim->corrupt_next_page_read(0, 17);
    auto bad = data_of(c.ask(a, read_page_request(page)));
    ASSERT_EQ(bad.size(), 257u);
    EXPECT_EQ(bad[17], 0x5B);
    EXPECT_EQ(data_of(c.ask(a, read_page_request(page)))[17], 0x5A);
}

TEST(K7simFlash, StatusRegistersLatchAndBlockLocks)
{
    const auto a = loopback_address(2), b = loopback_address(3);
    auto sim = start_sim({a, b});
    raw_client c;

    EXPECT_EQ(c.ask(a, {0x50}), (bytes{0x50, 0xEF, 0x17}));
    auto id_a = c.ask(a, {0x56}), id_b = c.ask(b, {0x56});
    ASSERT_TRUE(id_a && id_b);
    EXPECT_EQ(id_a->size(), 9u);
    EXPECT_NE(*id_a, *id_b);
    EXPECT_EQ(c.ask(a, spi_request({}, 0)), bytes{0x55});       // empty exchange: bare echo
    EXPECT_TRUE(c.silent(a, spi_request(bytes(513, 0x05), 1))); // over the 512-byte limit

    EXPECT_EQ(spi_byte(c, a, {0x05}), 0x00);
    EXPECT_EQ(spi_byte(c, a, {0x15}), 0x60); // power-up: individual protection off
    auto two = c.ask(a, spi_request({0x05}, 2));
    ASSERT_TRUE(two);
    EXPECT_EQ(two->size(), 3u);

    // Without write enable the lock instruction does nothing.
    EXPECT_TRUE(spi_ok(c, a, {0x36, 0x12, 0x00, 0x00}));
    EXPECT_EQ(spi_byte(c, a, {0x3D, 0x12, 0x00, 0x00}), 0);
    // Write enable sets the latch, the lock consumes it.
    EXPECT_TRUE(spi_ok(c, a, {0x06}));
    EXPECT_EQ(spi_byte(c, a, {0x05}) & 0x02, 0x02);
    EXPECT_TRUE(spi_ok(c, a, {0x36, 0x12, 0x00, 0x00}));
    EXPECT_EQ(spi_byte(c, a, {0x05}) & 0x02, 0);
    EXPECT_EQ(spi_byte(c, a, {0x3D, 0x12, 0x00, 0x00}), 1);
    EXPECT_EQ(spi_byte(c, a, {0x3D, 0x13, 0x00, 0x00}), 0);
    EXPECT_TRUE(spi_ok(c, a, {0x39, 0x13, 0x00, 0x00})); // latch already consumed: no effect
    EXPECT_TRUE(sim->block_locked(0, 0x12));

    // Lock bits count only with the write-protect selection bit set.
    c.send(a, mode_request(3));
    EXPECT_EQ(c.ask(a, erase_request(0x120000)), bytes{0x53});
    EXPECT_TRUE(spi_ok(c, a, {0x06}));
    EXPECT_TRUE(spi_ok(c, a, {0x11, 0x64}));
    EXPECT_EQ(spi_byte(c, a, {0x15}), 0x64);
    sim->flash_write_raw(0, 0x120000, page_of(0x00));
    EXPECT_TRUE(c.silent(a, erase_request(0x120000)));
    EXPECT_TRUE(c.silent(a, write_page_request(0x120100, page_of(0x00))));
    EXPECT_EQ(sim->flash_read(0, 0x120000, 256), page_of(0x00));
    EXPECT_EQ(sim->flash_read(0, 0x120100, 256), page_of(0xFF));
    EXPECT_EQ(c.ask(a, erase_request(0x130000)), bytes{0x53}); // the next block is free

    // Global unlock.
    EXPECT_TRUE(spi_ok(c, a, {0x06}));
    EXPECT_TRUE(spi_ok(c, a, {0x98}));
    EXPECT_EQ(spi_byte(c, a, {0x3D, 0x12, 0x00, 0x00}), 0);
    EXPECT_EQ(c.ask(a, erase_request(0x120000)), bytes{0x53});
}

TEST(K7simFlash, ExtendedAccessNeedsTheKey)
{
    const auto a = loopback_address(2);
    auto sim = start_sim({a + ",key=1122334455667788"});
    raw_client c;
    const bytes good{0x72, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    const bytes wrong{0x72, 0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11}; // byte order reversed

    EXPECT_TRUE(c.silent(a, wrong));
    EXPECT_TRUE(spi_ok(c, a, {0x06}));
    EXPECT_TRUE(spi_ok(c, a, {0x36, 0x05, 0x00, 0x00}));
    EXPECT_FALSE(sim->block_locked(0, 5));
    EXPECT_TRUE(spi_ok(c, a, {0x11, 0x64})); // the latch is still set: the lock did not run
    EXPECT_EQ(spi_byte(c, a, {0x15}), 0x60);

    EXPECT_EQ(c.ask(a, good), bytes{0x72});
    EXPECT_TRUE(spi_ok(c, a, {0x36, 0x05, 0x00, 0x00}));
    EXPECT_TRUE(sim->block_locked(0, 5));

    // A wrong key takes access back.
    EXPECT_TRUE(c.silent(a, wrong));
    EXPECT_TRUE(spi_ok(c, a, {0x06}));
    EXPECT_TRUE(spi_ok(c, a, {0x98}));
    EXPECT_TRUE(sim->block_locked(0, 5));
}

TEST(K7simFlash, IdentificationRecordRewriteShowsInTheDescription)
{
    const auto a = loopback_address(2);
    auto sim = start_sim({a + ",serial=00042"});
    raw_client c;
    auto before = c.ask(a, {0xF4});
    ASSERT_TRUE(before);
    EXPECT_EQ(sim->flash_read(0, 0x7F0000, 126), bytes(before->begin() + 33, before->begin() + 159));

    bytes rec(256, 0xFF);
    std::memcpy(&rec[0], "K7D!", 4);
    std::fill(&rec[4], &rec[104], 0);
    std::memcpy(&rec[4], "ABC", 3);
    std::memcpy(&rec[104], "12345", 5);
    rec[109] = 8;
    rec[110] = 0x01;
    rec[111] = 0x80;
    std::fill(&rec[112], &rec[122], 0);
    std::memcpy(&rec[122], "K7D!", 4);

    c.send(a, mode_request(3));
    ASSERT_EQ(c.ask(a, erase_request(0x7F0000)), bytes{0x53});
    auto erased = c.ask(a, {0xF4});
    ASSERT_TRUE(erased);
    EXPECT_EQ((*erased)[33], 0xFF); // no valid record any more
    ASSERT_EQ(c.ask(a, write_page_request(0x7F0000, rec)), bytes{0x52});
    c.send(a, mode_request(0));

    auto after = c.ask(a, {0xF4});
    ASSERT_TRUE(after);
    EXPECT_EQ(bytes(after->begin() + 33, after->begin() + 159), bytes(rec.begin(), rec.begin() + 126));
    EXPECT_EQ(std::string(after->begin() + 137, after->begin() + 142), "12345");
    EXPECT_EQ((*after)[143], 0x01);
    EXPECT_EQ((*after)[144], 0x80);
    EXPECT_EQ((*after)[159], 0x00); // bytes after the record are not flash
    // The address change now addresses the new serial.
    EXPECT_EQ(sim->ready_lines().at(0), "k7sim: sensor 12345 at " + a + ":11681");
}

} // namespace
} // namespace orvex::test
