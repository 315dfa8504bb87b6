// The image sensor's register file as text: one line per register, and the
// dump of all 512 registers that the debug page and k7ctl write.
//
// Line layout: address in decimal (3 characters), three blanks, the value as
// four upper-case hexadecimal digits, three blanks, the value in decimal
// (5 characters), then a line feed. Every field is padded with zeros except
// the address of the very first line, which is padded with blanks ("  0",
// then "001", "002", ...); readers of old dumps expect exactly that.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace orvex::diag {

/// Registers 0..register_count-1 make up a dump.
constexpr int register_count = 512;

/// Default file of the debug page, in the current folder.
inline const char* const register_dump_file_name = "Registers.txt";

/// One line of the dump, line feed included; `first` selects the blank padding.
std::string register_dump_line(int address, std::uint16_t value, bool first);

enum class dump_result { done, open_failed, read_failed };

/// Reads register 0..511 in order through `read` and writes each line as soon
/// as it is read (truncating the file first). `after_line` (optional) hears
/// every register written; the debug page yields there, so one register goes
/// per main-timer tick. A failed read stops the dump and keeps the lines
/// written so far.
dump_result dump_registers(const std::filesystem::path& file,
                           const std::function<bool(std::uint16_t address, std::uint16_t& value)>& read,
                           const std::function<void(int address)>& after_line = {});

/// Parses a register value typed in hexadecimal, as the debug page and k7ctl
/// take it: an optional "0x"/"0X" prefix, then at least one hexadecimal
/// digit; characters after the leading digits are ignored. The low 16 bits
/// of the number are the value. False when the text does not start with a
/// hexadecimal digit.
bool parse_register_value(const std::string& text, std::uint16_t& value);

} // namespace orvex::diag
