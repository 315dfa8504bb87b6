// The combined list of convolution sets that the convolution form and the
// settings editor show: the built-in sets first, then the user's sets in their
// stored order. The form keeps only the user list; these functions answer
// which entry a combo index means, which entry matches given coefficients, and
// carry out saving a set under a name.
#pragma once

#include "profiles/geometry.h"
#include "settings/convolution_set.h"

#include <functional>
#include <string>
#include <vector>

namespace orvex {

/// Built-in sets, then `user`.
std::vector<ConvolutionSet> combined_sets(const std::vector<ConvolutionSet>& user);

/// Index in `combined` of the first set whose coefficients equal `c`, or -1.
int matching_set_index(const std::vector<ConvolutionSet>& combined, const ConvolutionSet::Coefficients& c);

/// True for the indices of the built-in sets in the combined list.
bool is_built_in_index(int combined_index);

/// Position in the user list of a combined-list index; -1 for a built-in set
/// or an index outside a combined list of `user_count` user sets.
int user_index(int combined_index, std::size_t user_count);

/// The chart of a kernel: (j - 15, t[j] / 32767 x 100) for the 31 taps.
std::vector<math::Point2d> kernel_chart_points(const ConvolutionSet::Coefficients& c);

/// Saves `c` under `name` at the end of `user`. Each user set of that name is
/// offered to `replace` in turn and removed when it answers true; a set kept
/// stays beside the new one. Built-in sets are not compared. Returns the
/// combined-list index of the new set.
int save_user_set(std::vector<ConvolutionSet>& user, const std::string& name,
                  const ConvolutionSet::Coefficients& c,
                  const std::function<bool(const ConvolutionSet&)>& replace);

} // namespace orvex
