// Profiles as text: one line per valid point, "sequence x y".
//
// The profile page's saved files and k7ctl use this format. The sequence
// number counts written profiles (shared by every writer of the process) and
// is advanced once per profile, also for a profile without a valid point.
// Points with a negative x are invalid and not written.
#pragma once

#include "profiles/geometry.h"

#include <cstdint>
#include <ostream>

namespace orvex {

/// The next sequence number (first call: 0), shared by all writers.
std::uint64_t next_profile_sequence();

/// Writes the valid points of `points[0..n)` with the given sequence number,
/// numbers in default stream notation, each line ended by '\n'.
void write_profile_text(std::ostream& out, const math::Point2d* points, std::size_t n,
                        std::uint64_t sequence);

} // namespace orvex
