// Fixed-point words of the sensor's flash: 16-bit values with N fractional
// bits (the stored integer is the value times 2^N). X words are unsigned, Y
// words two's complement; the word 0xFFFF is the no-value marker.
//
// Two conversions exist on purpose: the table image rounds to the nearest
// integer, the range block and the identification record truncate toward
// zero. Both keep the low 16 bits of the integer, so out-of-range values wrap
// the way the sensor's tools always stored them.
#pragma once

#include <cmath>
#include <cstdint>

namespace orvex::fixed {

/// The no-value marker, as a word and as a value in a table.
constexpr std::uint16_t no_value_word = 0xFFFF;
constexpr double no_value = 65535.0;
/// A table value above this counts as no value.
constexpr double no_value_threshold = 65534.5;

inline bool has_value(double v)
{
    return v <= no_value_threshold; // false for NaN as well
}

/// Low 16 bits of an integral double (any finite magnitude; NaN and
/// infinities give 0).
inline std::uint16_t low16(double integral)
{
    if (!std::isfinite(integral))
        return 0;
    double m = std::fmod(integral, 65536.0);
    if (m < 0)
        m += 65536.0;
    return static_cast<std::uint16_t>(m);
}

/// value * 2^bits rounded half away from zero, low 16 bits.
inline std::uint16_t round_word(double value, int bits)
{
    return low16(std::round(std::ldexp(value, bits)));
}

/// value * 2^bits truncated toward zero, low 16 bits.
inline std::uint16_t trunc_word(double value, int bits)
{
    return low16(std::trunc(std::ldexp(value, bits)));
}

/// An unsigned (X) word in millimetres.
inline double from_unsigned(std::uint16_t word, int bits)
{
    return std::ldexp(static_cast<double>(word), -bits);
}

/// A signed (Y) word in millimetres.
inline double from_signed(std::uint16_t word, int bits)
{
    return std::ldexp(static_cast<double>(static_cast<std::int16_t>(word)), -bits);
}

} // namespace orvex::fixed
