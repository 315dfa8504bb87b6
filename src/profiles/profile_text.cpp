#include "profiles/profile_text.h"

#include <atomic>

namespace orvex {

std::uint64_t next_profile_sequence()
{
    static std::atomic<std::uint64_t> counter{0};
    return counter.fetch_add(1);
}

void write_profile_text(std::ostream& out, const math::Point2d* points, std::size_t n, std::uint64_t sequence)
{
    for (std::size_t i = 0; i < n; ++i) {
        if (points[i].x < 0)
            continue;
        out << sequence << ' ' << points[i].x << ' ' << points[i].y << '\n';
    }
}

} // namespace orvex
