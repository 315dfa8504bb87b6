// Fuzz target: the profile datagram decoder.
//
// Input: the first 4 bytes choose the decoding (intensities, two coordinates,
// the point count n as the sensor's window would give it, the shift p), the
// rest is the datagram, padded with zeros or cut to the accepted length (the
// link hands the decoder only datagrams of exactly 4104 or 5160 bytes).
// Checked: no crash or undefined behaviour; slots past n keep their old
// values; every decoded point is either invalid (x = -1) or finite with x in
// the range its 16-bit word allows; y is the row in single-coordinate mode.
#include "link/profile_datagram.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace orvex::k7;
    if (size < 4)
        return 0;
    const bool intensities = (data[0] & 1) != 0;
    const bool two = (data[0] & 2) != 0;
    const auto n =
        static_cast<std::uint16_t>((data[1] << 8) | data[2]); // any 16-bit count, as from the window
    const int p = data[3] % 17;
    const double scale = std::ldexp(1.0, p);

    std::vector<std::uint8_t> d(intensities ? profile_datagram_size_intensities : profile_datagram_size, 0);
    std::memcpy(d.data(), data + 4, std::min(d.size(), size - 4));

    static decoded_profile out;
    for (auto& pt : out.points)
        pt = {12345.0, 12345.0};
    decode_profile(d.data(), intensities, n, two, scale, out);

    const std::size_t count = std::min<std::size_t>(n, profile_slots);
    if (out.header.n != n || out.header.two_coordinates != two)
        std::abort();
    const double divisor = two ? scale : 32.0;
    for (std::size_t i = 0; i < profile_slots; ++i) {
        const auto& pt = out.points[i];
        if (i >= count) {
            if (pt.x != 12345.0 || pt.y != 12345.0)
                std::abort(); // a slot beyond n was touched
            continue;
        }
        if (!std::isfinite(pt.x) || !std::isfinite(pt.y))
            std::abort();
        if (pt.x != -1.0 && (pt.x < 0.0 || pt.x * divisor >= 0xFF00))
            std::abort();
        if (!two && pt.y != double(i))
            std::abort();
    }
    return 0;
}
