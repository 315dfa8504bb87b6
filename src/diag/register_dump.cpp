#include "diag/register_dump.h"

#include <cctype>
#include <cstdio>
#include <fstream>

namespace orvex::diag {

std::string register_dump_line(int address, std::uint16_t value, bool first)
{
    char line[32];
    std::snprintf(line, sizeof line, first ? "%3d   %04X   %05u\n" : "%03d   %04X   %05u\n", address,
                  static_cast<unsigned>(value), static_cast<unsigned>(value));
    return line;
}

dump_result dump_registers(const std::filesystem::path& file,
                           const std::function<bool(std::uint16_t, std::uint16_t&)>& read,
                           const std::function<void(int)>& after_line)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out)
        return dump_result::open_failed;
    for (int address = 0; address < register_count; ++address) {
        std::uint16_t value = 0;
        if (!read(static_cast<std::uint16_t>(address), value))
            return dump_result::read_failed;
        out << register_dump_line(address, value, address == 0);
        out.flush(); // the lines read so far survive a later failure or a dropped task
        if (!out)
            return dump_result::open_failed;
        if (after_line)
            after_line(address);
    }
    return dump_result::done;
}

bool parse_register_value(const std::string& text, std::uint16_t& value)
{
    const auto hex_at = [&text](std::size_t i) {
        return i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])) != 0;
    };
    if (!hex_at(0))
        return false;
    // "0x" counts as a prefix only when a digit follows; "0xz" is the number 0.
    std::size_t i =
        text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && hex_at(2) ? 2 : 0;
    unsigned v = 0;
    for (; i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
        v = ((v << 4) | static_cast<unsigned>(c <= '9' ? c - '0' : c - 'a' + 10)) & 0xFFFFu;
    }
    value = static_cast<std::uint16_t>(v);
    return true;
}

} // namespace orvex::diag
