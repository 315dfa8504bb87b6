// The sensor's self-describing debug record.
//
// The descriptor (256 bytes) is four text lines of 64 characters; each line
// describes one record. A line is cut into tokens at every '@' and '%', each
// token keeping its leading character; inside a token '#' separates the name
// from the numbers:
//   @NAME#N        the record's name and its length N in bytes (decimal)
//   %FIELD#HI:LO   a field: bits HI down to LO of the record (decimal)
// The record itself (read-once reply) is one big-endian number: bit 0 is
// the lowest bit of its last byte. A field holds at most 64 bits.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex::diag {

constexpr std::size_t descriptor_bytes = 256;
constexpr std::size_t descriptor_line_length = 64;

struct debug_field {
    std::string name;
    int hi = 0;
    int lo = 0;
};

struct debug_record_layout {
    std::string name;
    std::size_t length = 0; // bytes; 0 until a line declared it
    std::vector<debug_field> fields;
};

/// The four 64-character lines of a descriptor (`bytes` holds 256 bytes).
std::array<std::string, 4> descriptor_lines(const std::uint8_t* bytes);

/// Parses one line. Tokens that break the grammar (no '#', no ':', numbers
/// missing, HI below LO, a field wider than 64 bits, a length beyond 65535)
/// are left out; so is any text before the first '@' or '%'.
debug_record_layout parse_descriptor_line(const std::string& line);

/// Bits hi..lo of the big-endian record `data` of n bytes, unsigned; bits
/// beyond the record count 0.
std::uint64_t extract_field(const std::uint8_t* data, std::size_t n, int hi, int lo);

} // namespace orvex::diag
