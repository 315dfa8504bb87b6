// Big-endian byte access for protocol buffers and flash images.
//
// Every multi-byte integer on the sensor's wire and in its flash is big-endian
// (most significant byte first). These helpers are the only place that knows
// it; both the program's codecs and the simulator's device side use them, and
// nothing more protocol-specific is shared between the two.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvex::bytes {

inline std::uint16_t get_be16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>((unsigned(p[0]) << 8) | unsigned(p[1]));
}

inline std::uint32_t get_be24(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | std::uint32_t(p[2]);
}

inline std::uint32_t get_be32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

inline std::uint64_t get_be64(const std::uint8_t* p)
{
    return (std::uint64_t(get_be32(p)) << 32) | get_be32(p + 4);
}

inline void put_be16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}

/// Stores the low 24 bits of v; the upper byte is dropped.
inline void put_be24(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 16);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v);
}

inline void put_be32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

inline void put_be64(std::uint8_t* p, std::uint64_t v)
{
    put_be32(p, static_cast<std::uint32_t>(v >> 32));
    put_be32(p + 4, static_cast<std::uint32_t>(v));
}

} // namespace orvex::bytes
