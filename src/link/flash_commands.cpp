#include "link/flash_commands.h"

#include "flash/flash_engine.h"
#include "link/byte_order.h"
#include "link/link_error.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace orvex::k7 {

namespace {
// Serial NOR flash instructions clocked out through 'U'.
constexpr std::uint8_t ins_write_enable = 0x06;
constexpr std::uint8_t ins_global_unlock = 0x98;
constexpr std::uint8_t ins_block_lock = 0x36;
constexpr std::uint8_t ins_block_unlock = 0x39;
constexpr std::uint8_t ins_read_block_lock = 0x3D;
constexpr std::uint8_t ins_read_status3 = 0x15;
constexpr std::uint8_t ins_write_status3 = 0x11;
constexpr std::uint8_t wps_bit = 0x04;

constexpr std::int64_t flash_timeout_ms = 2500;
} // namespace

flash_commands::flash_commands(link_set& links) : links_(links), jobs_(std::make_unique<flash_engine>(*this))
{}

flash_commands::~flash_commands() = default;

udp_link& flash_commands::next_link()
{
    udp_link& command = links_[link_command];
    if (!command.is_open()) {
        for (auto& link : rotating_)
            if (link.is_open())
                try {
                    link.close();
                } catch (const link_error&) {
                }
        return command;
    }
    udp_link& link = rotating_[next_rotating_];
    next_rotating_ = (next_rotating_ + 1) % rotation;
    try {
        if (!link.is_open() || link.remote() != command.remote())
            link.open(command.remote().address().to_string(), command.remote().port());
        return link;
    } catch (const link_error&) {
        return command; // no socket to spare: the old single-socket behaviour
    }
}

bool flash_commands::transact(std::size_t send_len, std::size_t reply_len, std::uint8_t echo,
                              std::int64_t timeout_ms, bool no_sleep)
{
    udp_link& link = next_link();
    if (link.transact(buffer_.data(), send_len, reply_len, echo, timeout_ms, no_sleep))
        return true;
    // Its reply may still come: a fresh socket (new local port) next time.
    if (&link != &links_[link_command])
        try {
            link.close();
        } catch (const link_error&) {
        }
    return false;
}

bool flash_commands::identify()
{
    buffer_[0] = 0x50;
    return transact(1, 3, 0x50, 0) && buffer_[1] == 0xEF && buffer_[2] == 0x17;
}

bool flash_commands::spi(const std::uint8_t* write, std::size_t w, std::size_t r, std::uint8_t* read)
{
    if (w > spi_limit || r > spi_limit || (w != 0 && write == nullptr) || (r != 0 && read == nullptr))
        return false;
    buffer_[0] = 0x55;
    bytes::put_be16(&buffer_[1], static_cast<std::uint16_t>(w));
    bytes::put_be16(&buffer_[3], static_cast<std::uint16_t>(r));
    if (w != 0)
        std::memcpy(&buffer_[5], write, w);
    if (!transact(5 + w, 1 + r, 0x55, flash_timeout_ms))
        return false;
    if (r != 0)
        std::memcpy(read, &buffer_[1], r);
    return true;
}

bool flash_commands::erase_sector(std::uint32_t address)
{
    if (address > last_address)
        return false;
    buffer_[0] = 0x53;
    buffer_[1] = static_cast<std::uint8_t>(address >> 16);
    buffer_[2] = 0;
    buffer_[3] = 0;
    return transact(4, 1, 0x53, flash_timeout_ms);
}

bool flash_commands::read_page(std::uint32_t address, page& out)
{
    // Only bits 23..8 travel; a larger address would silently read another page.
    if (address > last_address)
        return false;
    buffer_[0] = 0x51;
    buffer_[1] = static_cast<std::uint8_t>(address >> 16);
    buffer_[2] = static_cast<std::uint8_t>(address >> 8);
    buffer_[3] = 0;
    if (!transact(4, 258, 0x51, flash_timeout_ms, true))
        return false;
    std::copy(buffer_.begin() + 1, buffer_.begin() + 1 + page_size, out.begin());
    return true;
}

bool flash_commands::write_page(std::uint32_t address, const page& data)
{
    if (address > last_address)
        return false;
    buffer_[0] = 0x52;
    buffer_[1] = static_cast<std::uint8_t>(address >> 16);
    buffer_[2] = static_cast<std::uint8_t>(address >> 8);
    buffer_[3] = 0;
    std::copy(data.begin(), data.end(), buffer_.begin() + 4);
    return transact(4 + page_size, 1, 0x52, flash_timeout_ms, true);
}

bool flash_commands::read_unique_id(std::uint64_t& id)
{
    buffer_[0] = 0x56;
    if (!transact(1, 9, 0x56, 0))
        return false;
    id = bytes::get_be64(&buffer_[1]);
    return true;
}

bool flash_commands::read_register(std::uint16_t address, std::uint16_t& value)
{
    buffer_[0] = 0x7B;
    bytes::put_be16(&buffer_[1], address);
    if (!transact(3, 3, 0x7B, 0))
        return false;
    value = bytes::get_be16(&buffer_[1]);
    return true;
}

bool flash_commands::write_register(std::uint16_t address, std::uint16_t value)
{
    buffer_[0] = 0x7A;
    bytes::put_be16(&buffer_[1], address);
    bytes::put_be16(&buffer_[3], value);
    return transact(5, 1, 0x7A, 0);
}

bool flash_commands::sensor_power_off()
{
    buffer_[0] = 0x70;
    return transact(1, 1, 0x70, 0);
}

bool flash_commands::sensor_power_on()
{
    buffer_[0] = 0x71;
    return transact(1, 2, 0x71, 0);
}

bool flash_commands::extended_access(std::uint64_t key)
{
    buffer_[0] = 0x72;
    bytes::put_be64(&buffer_[1], key);
    return transact(9, 1, 0x72, 0);
}

bool flash_commands::set_operating_mode(std::uint8_t mode)
{
    static const std::uint8_t frame[9] = {0x86, 'Q', 'Z', '3', 'P', 0, 'E', 'N', 'D'};
    std::copy(std::begin(frame), std::end(frame), buffer_.begin());
    buffer_[5] = mode;
    return links_[link_command].send(buffer_.data(), 9);
}

// ---------------------------------------------------------------- sequences

bool flash_commands::spi_bytes(std::initializer_list<std::uint8_t> bytes)
{
    const std::vector<std::uint8_t> w(bytes);
    return spi(w.data(), w.size(), 0);
}

bool flash_commands::write_enable()
{
    return spi_bytes({ins_write_enable});
}

bool flash_commands::global_unlock()
{
    return write_enable() && spi_bytes({ins_global_unlock}) && identify();
}

bool flash_commands::lock_block(std::uint8_t block)
{
    return write_enable() && spi_bytes({ins_block_lock, block, 0x00, 0x00}) && identify();
}

bool flash_commands::unlock_block(std::uint8_t block)
{
    return write_enable() && spi_bytes({ins_block_unlock, block, 0x00, 0x00}) && identify();
}

bool flash_commands::read_block_lock(std::uint8_t block, bool& locked)
{
    const std::uint8_t w[4] = {ins_read_block_lock, block, 0x00, 0x00};
    std::uint8_t r = 0;
    if (!spi(w, 4, 1, &r))
        return false;
    locked = (r & 0x01) != 0;
    return true;
}

bool flash_commands::read_status3(std::uint8_t& value)
{
    const std::uint8_t w = ins_read_status3;
    std::uint8_t r = 0;
    if (!spi(&w, 1, 1, &r) || !identify())
        return false;
    value = r;
    return true;
}

bool flash_commands::read_wps(bool& individual)
{
    std::uint8_t sr3 = 0;
    if (!read_status3(sr3))
        return false;
    individual = (sr3 & wps_bit) != 0;
    return true;
}

bool flash_commands::write_wps(bool individual)
{
    std::uint8_t sr3 = 0;
    if (!read_status3(sr3))
        return false;
    const auto v = static_cast<std::uint8_t>(individual ? (sr3 | wps_bit) : (sr3 & ~wps_bit));
    return write_enable() && spi_bytes({ins_write_status3, v}) && identify();
}

} // namespace orvex::k7
