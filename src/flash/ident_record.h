// The sensor's identification record: one 256-byte flash page at 0x7F0000
// (the first page of sector 127) that carries the description text, the
// serial number and the measuring-range outline in fixed point.
//
// The sensor returns bytes 0..125 of it inside its description, which is how
// the program reads it back (link/sensor_info.h decodes that). Writing it is
// erase sector 127 + one page write, in flash-work mode.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace orvex::k7 {

class flash_commands;

constexpr std::uint32_t ident_record_address = 0x7F0000;

struct ident_fields {
    std::string text;   // ASCII; cut to 99 characters
    std::string serial; // decimal text; cut to 5 characters
    int frac_bits = 8;  // p, 0..16: outline values are stored times 2^p
    double x_start = 0; // millimetres
    double x_end = 100;
    double y_start_bottom = -50;
    double y_start_top = 50;
    double y_end_bottom = -50;
    double y_end_top = 50;
};

using ident_page = std::array<std::uint8_t, 256>;

/// Encodes the record: "K7D!", text (100 bytes, zero-padded, byte 99 always 0),
/// serial (5 bytes, zero-padded), p, six big-endian words of value * 2^p
/// truncated toward zero (low 16 bits, two's complement for negative values),
/// "K7D!" again, 0xFF to the end. std::invalid_argument when p is outside 0..16.
ident_page encode_ident_record(const ident_fields& fields);

/// Result of writing the record: the step that failed, if any.
struct ident_write_result {
    bool erased = false;
    bool written = false;
};

/// Flash-work mode, erase sector 127, write the record at 0x7F0000 when the
/// erase succeeded, measuring mode (always). The page is not read back here;
/// the next description shows it.
ident_write_result write_ident_record(flash_commands& flash, const ident_page& record);

} // namespace orvex::k7
