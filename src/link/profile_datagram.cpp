#include "link/profile_datagram.h"

#include "link/byte_order.h"
#include "settings/qz3p_settings.h"

#include <algorithm>
#include <cstring>

namespace orvex::k7 {

std::uint16_t profile_point_count(const qz3p_settings& settings)
{
    return static_cast<std::uint16_t>(settings.window_y_end - settings.window_y_start + 1);
}

std::uint32_t profiles_missing(std::uint32_t previous, std::uint32_t current)
{
    const std::uint32_t step = current - previous;
    // Half the counter's range forward is a gap; anything else went backwards.
    return step >= 1 && step < 0x80000000u ? step - 1 : 0;
}

void profile_numbering::add(std::uint32_t word1)
{
    if (received_++ == 0) {
        last_ = word1;
        return;
    }
    const std::uint32_t step = word1 - last_;
    last_ = word1;
    ++steps_;
    const bool plus_one = step == 1;
    if (filled_ == window)
        plus_one_ -= static_cast<unsigned>((history_ >> (window - 1)) & 1u);
    else
        ++filled_;
    history_ = (history_ << 1) | (plus_one ? 1u : 0u);
    plus_one_ += plus_one ? 1u : 0u;
    // Judged with this step included, so that a sender whose word is not a
    // counter adds nothing once it has shown so, while a lost burst in a
    // numbered stream still counts. The first steps count in any case; their
    // figures are reported only if the word turns out to be a counter.
    if (judged() && !counter_like())
        return;
    if (step == 0)
        ++repeated_;
    else
        lost_ += profiles_missing(word1 - step, word1);
}

void decode_profile(const std::uint8_t* datagram, bool intensities, std::uint16_t n, bool two_coordinates,
                    double scale, decoded_profile& out)
{
    using bytes::get_be16;
    profile_header& h = out.header;
    h.word1 = bytes::get_be32(datagram);
    h.word2 = bytes::get_be32(datagram + 4);
    std::memcpy(h.bytes.data(), datagram + 8, h.bytes.size());
    h.n = n;
    h.two_coordinates = two_coordinates;

    const std::size_t count = std::min<std::size_t>(n, profile_slots);
    const double divisor = two_coordinates ? scale : 32.0;
    const std::uint8_t* slot = datagram + (intensities ? 40 : 8);
    for (std::size_t i = 0; i < count; ++i, slot += 4) {
        const std::uint16_t v = get_be16(slot);
        const bool invalid = v >= 0xFF00 || (!two_coordinates && v < 64);
        math::Point2d& p = out.points[i];
        p.x = invalid ? -1.0 : v / divisor;
        p.y = two_coordinates ? static_cast<std::int16_t>(get_be16(slot + 2)) / divisor
                              : static_cast<double>(i);
    }
    if (intensities)
        std::memcpy(out.intensities.data(), datagram + 4136, count);
}

} // namespace orvex::k7
