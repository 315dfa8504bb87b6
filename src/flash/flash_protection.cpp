#include "flash/flash_protection.h"

#include "link/flash_commands.h"

namespace orvex::k7 {

namespace {
constexpr std::uint8_t ins_write_enable = 0x06;
constexpr std::uint8_t ins_write_status3 = 0x11;
constexpr std::uint8_t sr3_individual = 0x64; // write-protect selection (bit 2), bits 5 and 6
constexpr std::uint8_t sr3_ordinary = 0x60;
} // namespace

block_scan scan_block_locks(flash_commands& flash, int first, int last,
                            const std::function<void(int, bool)>& on_block)
{
    block_scan scan;
    for (int b = first; b <= last; ++b) {
        bool locked = false;
        if (b < 0 || b > 255 || !flash.read_block_lock(static_cast<std::uint8_t>(b), locked))
            return scan;
        (locked ? scan.locked : scan.unlocked).push_back(b);
        if (on_block)
            on_block(b, locked);
    }
    scan.complete = true;
    return scan;
}

bool set_individual_protection(flash_commands& flash, bool on)
{
    const std::uint8_t we = ins_write_enable;
    const std::uint8_t sr3[2] = {ins_write_status3, on ? sr3_individual : sr3_ordinary};
    return flash.spi(&we, 1, 0) && flash.spi(sr3, 2, 0) && flash.identify();
}

bool read_status_registers(flash_commands& flash, std::uint8_t (&values)[3])
{
    static const std::uint8_t instructions[3] = {0x05, 0x35, 0x15};
    for (int i = 0; i < 3; ++i)
        if (!flash.spi(&instructions[i], 1, 1, &values[i]))
            return false;
    return flash.identify();
}

std::string hex_text(std::uint64_t value)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    do {
        s.insert(s.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return s;
}

std::string status_registers_text(const std::uint8_t (&values)[3])
{
    return hex_text(values[0]) + " " + hex_text(values[1]) + " " + hex_text(values[2]);
}

} // namespace orvex::k7
