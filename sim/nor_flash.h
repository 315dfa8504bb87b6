// The sensor's 16 MiB serial NOR flash: 256 sectors (blocks) of 64 KiB, pages
// of 256 bytes.
//
// NOR rules: erase sets a whole sector to 0xFF; programming can only clear
// bits (new = old AND data). Sectors that were never written take no memory,
// and only written sectors are saved, so an image of a fresh chip is tiny.
//
// Protection follows the usual individual-block scheme: every 64 KiB block has
// a lock bit; the bits take effect only while the write-protect selection bit
// (bit 2 of status register 3) is set. The lock bits are volatile: at power-up
// (construction, load) they are all clear when the selection bit is clear, and
// all set when it is set, as on the real chip. Status register 3 is kept in the
// saved image.
//
// Instructions that change protection (write status register 3, block lock and
// unlock, global lock and unlock) need both the write-enable latch and, when
// the caller says so, extended access; the latch is cleared by each of them
// and by every erase or program.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvex::sim {

class nor_flash {
public:
    static constexpr std::uint32_t size = 16u << 20;
    static constexpr std::uint32_t sector_size = 64u << 10;
    static constexpr std::uint32_t page_size = 256;
    static constexpr unsigned sector_count = size / sector_size;

    explicit nor_flash(std::uint64_t unique_id);

    /// Raw access without NOR rules (tests, setup). std::out_of_range when the
    /// range leaves the chip.
    void read(std::uint32_t addr, std::uint8_t* out, std::size_t n) const;
    void write_raw(std::uint32_t addr, const std::uint8_t* data, std::size_t n);

    /// Erases the sector holding addr (any address inside it). False, nothing
    /// changed, when that block is protected.
    bool erase_sector(std::uint32_t addr);
    /// ANDs 256 bytes into the page holding addr (the low 8 address bits are
    /// ignored). False, nothing changed, when the block is protected.
    bool program_page(std::uint32_t addr, const std::uint8_t* data);

    /// One SPI exchange: the `w` written bytes are an instruction with its
    /// operands; returns the `r` bytes clocked in after them (0xFF for an
    /// unknown instruction). `extended` says whether protection may change.
    std::vector<std::uint8_t> spi(const std::uint8_t* w, std::size_t wn, std::size_t rn, bool extended);

    std::uint8_t status1() const { return wel_ ? 0x02 : 0x00; }
    std::uint8_t status2() const { return sr2_; }
    std::uint8_t status3() const { return sr3_; }
    bool write_enabled() const { return wel_; }
    bool block_locked(unsigned block) const { return locks_.test(block % sector_count); }
    bool block_protected(unsigned block) const { return (sr3_ & 0x04) != 0 && block_locked(block); }
    std::uint64_t unique_id() const { return unique_id_; }

    /// Saved image: a short header, status registers 2 and 3, then every sector
    /// that is not fully erased (2-byte index + 64 KiB).
    std::string save() const;
    /// Replaces the contents from a saved image and powers up; throws
    /// std::runtime_error naming the defect when the image is damaged (the
    /// chip is then unchanged).
    void load(const std::string& image);

private:
    using sector = std::array<std::uint8_t, sector_size>;
    sector& writable(unsigned index);
    void power_up();

    std::vector<std::unique_ptr<sector>> sectors_; // null: erased
    std::bitset<sector_count> locks_;
    std::uint8_t sr2_ = 0x00;
    std::uint8_t sr3_ = 0x60; // output drive bits set, write-protect selection clear
    bool wel_ = false;
    std::uint64_t unique_id_;
};

} // namespace orvex::sim
