// qz3p_settings: the sensor's measurement settings record and its payload.
//
// The sensor keeps one copy in working memory (in force now) and one in flash
// (loaded at power-up); four commands read and write either copy as a 256-byte
// payload of big-endian fields at fixed positions. encode() and decode() are
// the only code that knows those positions. Fields without a payload position
// travel as 0 and decode as 0. Units are in the field comments.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orvex::k7 {

struct qz3p_settings {
    static constexpr std::size_t payload_size = 256;
    using payload = std::array<std::uint8_t, payload_size>;

    std::array<std::uint8_t, 6> mac{};   // first byte first
    std::uint32_t ip = 0;                // a.b.c.d as a<<24 | b<<16 | c<<8 | d
    std::uint8_t laser_flags = 0;        // 0x01 on, 0x02 ext. sync, 0x04 only during exposure, 0x80 inverted
    std::uint8_t laser_brightness = 0;   // 0..255
    std::uint8_t sync_mode = 0;          // 1 internal timer, 2 external strobe, 5 external enable level
    std::uint32_t period = 0;            // microseconds; 1 = not fixed. Only the low 24 bits travel
    std::uint16_t exposure1 = 0;         // microseconds, 0..50000
    std::uint8_t reset_level = 0;        // 0..15; 15 with dual exposure off
    std::uint16_t exposure2 = 0;         // microseconds, 0..32767; 0 with dual exposure off
    std::uint8_t dual_exposure = 0;      // 1 on
    std::uint8_t black_level = 0;        // bits 0-5 magnitude, bit 6 negative, bit 7 regulation on
    std::uint8_t gain = 0;               // 1..3 for "1.00", "1.8", "8.00"
    std::uint8_t window_x_start = 0;     // (first column - 1) / 8, columns from 1
    std::uint8_t window_x_end = 0;       // last column / 8 - 1
    std::uint16_t window_y_start = 0;    // first row - 1, rows from 1
    std::uint16_t window_y_end = 0;      // last row - 1
    std::uint16_t reserved = 0;          // only its low byte travels
    std::uint16_t cycle_delay = 0;       // microseconds; 0 = off
    std::uint8_t restart_on_errors = 0;  // 1 on
    std::uint8_t image_subtraction = 0;  // background subtraction, 1 on
    std::uint8_t convolution_bypass = 0; // 1 = no convolution filter
    std::array<std::uint8_t, 3> peak_distance{};  // 0..32 each
    std::array<std::uint8_t, 3> peak_threshold{}; // 0..255 each
    std::uint8_t next_max_coefficient = 0;        // index 0..8 of 1/16 .. 16
    std::uint8_t edges_enabled = 0;               // 1 on
    std::uint8_t edges_threshold = 0;             // 1..255
    std::uint8_t calibration_bypass = 0;          // 1 = profiles in image rows, 1/32 pixel
    std::uint8_t detached_window = 0;             // odd, 3..31 points
    std::uint8_t detached_neighbours = 0;         // 0..31
    std::uint16_t detached_distance = 0;          // millimetres x 32
    std::uint8_t median_window = 0;               // 0 off, else odd 1..31
    std::array<std::int16_t, 16> convolution{};   // 32767 stands for 1.0
    std::array<std::uint16_t, 8> further_words{}; // carried through unchanged
    std::array<std::uint8_t, 32> ext_block{};     // extension-board settings

    /// Black-level byte for a level of -63..63 (clamped) and the regulation switch.
    static std::uint8_t make_black_level(int level, bool regulation);
    /// Signed level (-63..63) and regulation switch of black_level.
    int black_level_value() const;
    bool black_level_regulation() const { return (black_level & 0x80) != 0; }

    /// The 256-byte payload; unused positions are 0.
    payload encode() const;

    /// Record from a payload of `size` bytes; bytes beyond `size` (up to 256)
    /// read as 0, bytes beyond 256 are ignored. A memory read carries only 255
    /// payload bytes, which is why the size is not fixed.
    static qz3p_settings decode(const std::uint8_t* bytes, std::size_t size);

    /// Field by field, including the bits that do not travel.
    friend bool operator==(const qz3p_settings& a, const qz3p_settings& b);
    friend bool operator!=(const qz3p_settings& a, const qz3p_settings& b) { return !(a == b); }
};

} // namespace orvex::k7
