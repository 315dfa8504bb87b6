// Profile datagrams: the layout of one measured profile on the wire and its
// decoding into points.
//
// A profile arrives in one datagram on the profile link, polled (0x22) or
// streamed: 4104 bytes, or 5160 with intensities. After two 32-bit header
// words come 1024 point slots of 4 bytes (from offset 8, or from offset 40
// behind 32 header bytes when intensities are included), then one intensity
// byte per slot. With calibration bypass off the slots hold x (unsigned) and y
// (signed) in millimetres with p fractional bits; with it on, the laser line's
// position along image row i in 1/32 pixel, and the row index is y. Values of
// 0xFF00 and above mark "no point" and decode to x = -1.
#pragma once

#include "profiles/geometry.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace orvex::k7 {

struct qz3p_settings;

constexpr std::size_t profile_slots = 1024;
constexpr std::size_t profile_datagram_size = 4104;
constexpr std::size_t profile_datagram_size_intensities = 5160;

struct profile_header {
    std::uint32_t word1 = 0; // the simulator counts profiles here
    std::uint32_t word2 = 0;
    std::array<std::uint8_t, 32> bytes{}; // offsets 8..39 as they came
    std::uint16_t n = 0;                  // points decoded
    bool two_coordinates = true;          // false: calibration bypass, pixels
};

/// A decoded profile with storage for every slot, allocated once by its owner.
struct decoded_profile {
    profile_header header;
    std::array<math::Point2d, profile_slots> points{};
    std::array<std::uint8_t, profile_slots> intensities{};
    std::int64_t request_time_ns = 0; // monotonic time of the request (polled profiles)
};

/// Points of a profile for the current settings: window last row - window
/// first row + 1 in 16-bit arithmetic, as the sensor computes it.
std::uint16_t profile_point_count(const qz3p_settings& settings);

/// Profiles missing between two consecutive values of header word 1 from a
/// sender that advances it by one per profile (as the simulator does). The
/// count wraps with the word; a word that does not move forward (a repeat, a
/// datagram overtaken by a later one, a sender that restarted its count) is
/// not a loss and yields 0.
std::uint32_t profiles_missing(std::uint32_t previous, std::uint32_t current);

/// Counts received, lost and repeated profiles from header word 1, which
/// only some firmware (and the simulator) advances by one per profile; other
/// sensors leave it constant or put other figures there. Losses and repeats
/// are therefore counted only while word 1 behaves as a counter: at least 80 %
/// of its last steps (up to 64) are +1. numbered() tells whether it does;
/// until 8 steps have been seen the question is open (judged() false).
class profile_numbering {
public:
    static constexpr unsigned window = 64;
    static constexpr unsigned least_steps = 8;

    void add(std::uint32_t word1);
    void reset() { *this = profile_numbering(); }

    std::uint64_t received() const { return received_; }
    /// Profiles missing between numbered ones (gaps of word 1).
    std::uint64_t lost() const { return lost_; }
    /// Profiles whose word 1 repeated the one before (a duplicated datagram).
    std::uint64_t repeated() const { return repeated_; }
    bool judged() const { return steps_ >= least_steps; }
    /// Report lost() and repeated() only while this holds.
    bool numbered() const { return judged() && counter_like(); }

private:
    bool counter_like() const { return plus_one_ * 5 >= filled_ * 4; }

    std::uint64_t received_ = 0, lost_ = 0, repeated_ = 0, steps_ = 0;
    std::uint32_t last_ = 0;
    std::uint64_t history_ = 0; // bit k: step k back was +1
    unsigned filled_ = 0, plus_one_ = 0;
};

/// Decodes a datagram of profile_datagram_size bytes (or ..._intensities when
/// `intensities`) in place, without allocation. `n` points are decoded; slots
/// beyond n keep their values. n above 1024 is taken as 1024, since the
/// datagram holds no more. `scale` is 2^p of the sensor's identification
/// (used in two-coordinate mode; single-coordinate values are divided by 32).
void decode_profile(const std::uint8_t* datagram, bool intensities, std::uint16_t n, bool two_coordinates,
                    double scale, decoded_profile& out);

} // namespace orvex::k7
