// flash_commands: the device's flash, register and operating-mode commands.
//
// Single commands on the command link (flash identification, SPI
// pass-through, sector erase, page read and write, unique id, registers,
// image-sensor power, extended flash access, operating mode) and the flash
// protection sequences built from them with the standard serial NOR flash
// instructions. Every sequence stops with failure at its first failed step
// and ends with the identification, so a flash that does not identify as
// 0xEF 0x17 refuses all of them. Addresses are 24-bit flash byte addresses.
// The page programming engine (jobs()) is owned by this object.
//
// Replies carry no address or sequence number, so a duplicated reply, or one
// that arrives after its request timed out, would be taken for the answer to
// the next request of the same kind (a page read would return the previous
// page). The transactions therefore rotate over several sockets of their own,
// each aimed at the device like the command link: a reply can only be read
// on the socket its request left from, that socket is drained before its next
// use (`rotation` - 1 transactions later), and a socket whose transaction
// failed is closed at once, so a late reply to it is never read at all.
#pragma once

#include "link/link_set.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>

namespace orvex::k7 {

class flash_engine;

class flash_commands {
public:
    static constexpr std::size_t page_size = 256;
    static constexpr std::size_t spi_limit = 512; // longest SPI write or read
    static constexpr std::uint32_t last_address = 0xFFFFFF;
    using page = std::array<std::uint8_t, page_size>;

    /// Sockets the transactions rotate over (see above).
    static constexpr std::size_t rotation = 8;

    /// Operating modes of 0x86.
    enum : std::uint8_t { mode_measuring = 0, mode_flash_work = 3 };

    explicit flash_commands(link_set& links);
    ~flash_commands();

    /// The page programming jobs on this flash (flash/flash_engine.h).
    flash_engine& jobs() { return *jobs_; }

    /// Request/reply buffer (5 + 512 request bytes, 1 + 512 reply bytes).
    const std::uint8_t* buffer() const { return buffer_.data(); }

    /// 'P': true only when the flash identifies as 0xEF 0x17.
    bool identify();
    /// 'U': clocks out w bytes, then clocks in r bytes into `read` (which must
    /// hold r bytes; may be null when r is 0). w or r above 512 fails without sending.
    bool spi(const std::uint8_t* write, std::size_t w, std::size_t r, std::uint8_t* read = nullptr);
    /// 'S': erases the 64 KiB sector holding `address`; above 0xFFFFFF fails without sending.
    bool erase_sector(std::uint32_t address);
    /// 'Q': reads the 256-byte page holding `address` (the low byte is not
    /// sent). Busy-polls up to 2.5 s. Above 0xFFFFFF fails without sending.
    bool read_page(std::uint32_t address, page& out);
    /// 'R': writes the page holding `address`; same rules as read_page.
    bool write_page(std::uint32_t address, const page& data);
    /// 'V': the flash's 64-bit unique number.
    bool read_unique_id(std::uint64_t& id);
    /// '{' / 'z': 16-bit image-sensor and FPGA registers.
    bool read_register(std::uint16_t address, std::uint16_t& value);
    bool write_register(std::uint16_t address, std::uint16_t value);
    /// 'p' / 'q': image-sensor power.
    bool sensor_power_off();
    bool sensor_power_on();
    /// 'r': extended flash access with the 64-bit key, most significant byte first.
    bool extended_access(std::uint64_t key);
    /// 0x86 "QZ3P" mode "END", sent without waiting for a reply.
    bool set_operating_mode(std::uint8_t mode);

    // --- protection sequences ---

    /// Write enable, global block unlock (0x98), identification.
    bool global_unlock();
    /// Write enable, individual block lock (0x36) of 64 KiB block b, identification.
    bool lock_block(std::uint8_t block);
    /// Write enable, individual block unlock (0x39), identification.
    bool unlock_block(std::uint8_t block);
    /// Read block lock (0x3D) of block b: bit 0 of the returned byte.
    bool read_block_lock(std::uint8_t block, bool& locked);
    /// Status register 3 (0x15), then identification.
    bool read_status3(std::uint8_t& value);
    /// Write-protect selection: bit 2 of status register 3 (1 = individual block protection).
    bool read_wps(bool& individual);
    /// Reads status register 3, write enable, writes it back (0x11) with bit 2
    /// set or cleared, identification.
    bool write_wps(bool individual);

private:
    bool transact(std::size_t send_len, std::size_t reply_len, std::uint8_t echo, std::int64_t timeout_ms,
                  bool no_sleep = false);
    bool write_enable();
    bool spi_bytes(std::initializer_list<std::uint8_t> bytes);

    // The rotating socket for the next transaction, opened (or re-aimed) to
    // the command link's remote endpoint; the command link itself when that fails.
    udp_link& next_link();

    link_set& links_;
    std::array<std::uint8_t, 5 + spi_limit> buffer_{};
    std::array<udp_link, rotation> rotating_;
    std::size_t next_rotating_ = 0;
    std::unique_ptr<flash_engine> jobs_;
};

} // namespace orvex::k7
