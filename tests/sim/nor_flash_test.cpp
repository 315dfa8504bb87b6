// The flash chip on its own: NOR programming, saved images, power-up locks.
#include "nor_flash.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace orvex::sim {
namespace {

std::vector<std::uint8_t> read(const nor_flash& f, std::uint32_t addr, std::size_t n)
{
    std::vector<std::uint8_t> v(n);
    f.read(addr, v.data(), n);
    return v;
}

TEST(K7simNorFlash, ProgramEraseAndRawAccess)
{
    nor_flash f(1);
    EXPECT_EQ(read(f, 0xFFFF00, 256), std::vector<std::uint8_t>(256, 0xFF));
    std::vector<std::uint8_t> a(256, 0xF0), b(256, 0x3C);
    EXPECT_TRUE(f.program_page(0x0200FF, a.data())); // low address bits ignored
    EXPECT_TRUE(f.program_page(0x020000, b.data()));
    EXPECT_EQ(read(f, 0x020000, 256), std::vector<std::uint8_t>(256, 0x30));
    EXPECT_EQ(read(f, 0x01FFFF, 1)[0], 0xFF);
    EXPECT_EQ(read(f, 0x020100, 1)[0], 0xFF);

    // A raw write across a sector boundary, then erase of one of them.
    std::vector<std::uint8_t> r(4, 0x11);
    f.write_raw(0x02FFFE, r.data(), r.size());
    EXPECT_EQ(read(f, 0x02FFFE, 4), r);
    EXPECT_TRUE(f.erase_sector(0x030000));
    EXPECT_EQ(read(f, 0x02FFFE, 4), (std::vector<std::uint8_t>{0x11, 0x11, 0xFF, 0xFF}));

    EXPECT_THROW(read(f, nor_flash::size - 2, 3), std::out_of_range);
    EXPECT_THROW(f.write_raw(nor_flash::size, r.data(), 1), std::out_of_range);
    EXPECT_NO_THROW(read(f, nor_flash::size - 3, 3));
}

TEST(K7simNorFlash, SavedImageIsSparseAndChecked)
{
    nor_flash f(7);
    const std::string empty = f.save();
    EXPECT_LT(empty.size(), 64u);
    std::vector<std::uint8_t> page(256, 0x42);
    f.write_raw(0x7F0000, page.data(), page.size());
    f.write_raw(0x800100, page.data(), page.size());
    std::vector<std::uint8_t> ff(256, 0xFF);
    f.write_raw(0x900000, ff.data(), ff.size()); // allocated but erased: not saved
    const std::string image = f.save();
    EXPECT_EQ(image.size(), empty.size() + 2 * (2 + nor_flash::sector_size));

    nor_flash g(7);
    g.load(image);
    EXPECT_EQ(read(g, 0x800100, 256), page);
    EXPECT_EQ(read(g, 0x7F0000, 256), page);
    EXPECT_EQ(read(g, 0x900000, 4), std::vector<std::uint8_t>(4, 0xFF));

    // Damaged images are refused and leave the chip as it was.
    EXPECT_THROW(g.load("garbage"), std::runtime_error);
    EXPECT_THROW(g.load(image.substr(0, image.size() - 1)), std::runtime_error);
    std::string bad_index = image;
    bad_index[empty.size()] = 0x01; // sector 0x100 + n: beyond the chip
    EXPECT_THROW(g.load(bad_index), std::runtime_error);
    std::string twice = image.substr(0, empty.size()) +
                        image.substr(empty.size(), 2 + nor_flash::sector_size) +
                        image.substr(empty.size(), 2 + nor_flash::sector_size);
    EXPECT_THROW(g.load(twice), std::runtime_error);
    EXPECT_EQ(read(g, 0x800100, 256), page);
}

TEST(K7simNorFlash, ProtectionSurvivesPowerUp)
{
    nor_flash f(3);
    const std::uint8_t we[] = {0x06}, sel[] = {0x11, 0x64};
    f.spi(we, 1, 0, true);
    f.spi(sel, 2, 0, true);
    EXPECT_EQ(f.status3(), 0x64);
    EXPECT_FALSE(f.block_protected(0)); // lock bits clear until the next power-up

    // With the selection bit stored, every block powers up locked.
    nor_flash g(3);
    g.load(f.save());
    EXPECT_TRUE(g.block_protected(0));
    EXPECT_TRUE(g.block_protected(255));
    std::vector<std::uint8_t> zero(256, 0);
    EXPECT_FALSE(g.program_page(0x100, zero.data()));
    EXPECT_FALSE(g.erase_sector(0));
    const std::uint8_t unlock[] = {0x39, 0x00, 0x00, 0x00};
    g.spi(we, 1, 0, true);
    g.spi(unlock, 4, 0, true);
    EXPECT_TRUE(g.program_page(0x100, zero.data()));
    EXPECT_FALSE(g.erase_sector(0x010000));

    // Without extended access the same instructions change nothing.
    const std::uint8_t global_unlock[] = {0x98};
    g.spi(we, 1, 0, false);
    g.spi(global_unlock, 1, 0, false);
    EXPECT_TRUE(g.block_protected(1));
    EXPECT_EQ(g.spi(we, 1, 2, false), (std::vector<std::uint8_t>{0xFF, 0xFF}));
}

} // namespace
} // namespace orvex::sim
