// The crawler's 64-byte measurement record, its physical values and the
// measurement log in the crawler's memory image.
//
// A record carries three sensor blocks of 16 bytes and two encoder counts. A
// sensor block is valid when its first byte is 0x10; its two readings are
// then five ASCII digits each (bytes 5-9 and 10-14). An invalid block, or a
// reading with a byte that is not a digit, reads -2 (0xFFFE as unsigned 16
// bit). Blocks 1 and 2 are distance sensors (0..50000 = 0..5 mm); block 3
// holds the two KMRR sensors, converted through fixed tables.
//
// The log starts at 0x200000 in the memory image: a 64-byte header (bytes 0-3
// big-endian shifted right by 4 = record count N; bytes 4 and 5 two counters
// whose difference byte 5 - byte 4 may not exceed 56), then records 1..N at
// 0x200000 + 64 x i.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvex::crawler {

constexpr std::size_t record_size = 64;
constexpr std::size_t live_record_size = 56; // the live poll carries bytes 0-55
constexpr std::uint32_t log_offset = 0x200000;
constexpr std::uint32_t max_record_count = 393116;
constexpr unsigned max_counter_difference = 56;
/// A sensor reading that is not there (invalid block).
constexpr std::uint16_t reading_absent = 0xFFFE;
/// Largest distance reading; it stands for distance_range_mm.
constexpr std::uint16_t distance_full_scale = 50000;
constexpr double distance_range_mm = 5.0;
/// Added to the two distances of a sensor pair to give the diameter.
constexpr double diameter_base_mm = 50.0;
constexpr double encoder_1_coef = 0.1;
constexpr double encoder_2_coef = -0.025;
/// KMRR value for a raw number outside its table.
constexpr double kmrr_outside = -100.0;

/// Raw values of one record: encoder counts and the six sensor readings
/// (block 1 a/b, block 2 a/b, block 3 a/b).
struct RawEntry {
    std::int32_t enc_1 = 0;
    std::int32_t enc_2 = 0;
    std::array<std::uint16_t, 6> sensor{};
};

/// Physical values of one record. Distances and diameters are -1 where the
/// reading is out of range or absent.
struct PhysEntry {
    std::array<bool, 4> present{};  // readings 1a, 1b, 2a, 2b are not absent
    std::array<bool, 4> in_range{}; // and at most 50000
    std::array<double, 4> distance{};
    double diam_1 = -1.0;
    double diam_2 = -1.0;
    double enc_1 = 0.0; // millimetres
    double enc_2 = 0.0;
    double kmrr_1 = kmrr_outside;
    double kmrr_2 = kmrr_outside;
    std::chrono::steady_clock::time_point decoded{};
};

/// One table point: value in millimetres at a raw number.
struct KmrrPoint {
    double value;
    double raw;
};
using KmrrTable = std::array<KmrrPoint, 14>;
const KmrrTable& kmrr_table_1();
const KmrrTable& kmrr_table_2();

/// Piecewise-linear conversion through a table ordered by rising raw number;
/// kmrr_outside below the first point, above the last one, and where a
/// segment has no width.
double kmrr_convert(const KmrrTable& table, double raw);

/// The two readings of a 16-byte sensor block.
std::array<std::uint16_t, 2> decode_block(const std::uint8_t* block);

/// Decodes a record of at least live_record_size bytes.
RawEntry decode_raw(const std::uint8_t* record);
PhysEntry physical(const RawEntry& raw);

/// Header of the log. valid: count and counters within their limits.
struct LogHeader {
    std::uint32_t count = 0;
    std::uint8_t counter_a = 0;
    std::uint8_t counter_b = 0;
    bool valid = false;
};
/// Reads the header from a memory image of `size` bytes; an image too small
/// to hold the header, or the records it announces, gives an invalid header.
LogHeader read_log_header(const std::uint8_t* memory, std::size_t size);

/// Decodes every record of the log. False (and both lists empty) when the
/// header is invalid.
bool decode_log(const std::uint8_t* memory, std::size_t size, std::vector<RawEntry>& raw,
                std::vector<PhysEntry>& phys);

/// The same for the log alone: `log` is the memory from log_offset on,
/// `size` bytes of it.
LogHeader read_log_header_at(const std::uint8_t* log, std::size_t size);
bool decode_log_at(const std::uint8_t* log, std::size_t size, std::vector<RawEntry>& raw,
                   std::vector<PhysEntry>& phys);

} // namespace orvex::crawler
