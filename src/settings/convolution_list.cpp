#include "settings/convolution_list.h"

namespace orvex {

std::vector<ConvolutionSet> combined_sets(const std::vector<ConvolutionSet>& user)
{
    std::vector<ConvolutionSet> all = ConvolutionSet::built_in();
    all.insert(all.end(), user.begin(), user.end());
    return all;
}

int matching_set_index(const std::vector<ConvolutionSet>& combined, const ConvolutionSet::Coefficients& c)
{
    for (std::size_t i = 0; i < combined.size(); ++i)
        if (combined[i].data == c)
            return static_cast<int>(i);
    return -1;
}

bool is_built_in_index(int combined_index)
{
    return combined_index >= 0 && combined_index < static_cast<int>(ConvolutionSet::built_in().size());
}

int user_index(int combined_index, std::size_t user_count)
{
    const int i = combined_index - static_cast<int>(ConvolutionSet::built_in().size());
    return i >= 0 && i < static_cast<int>(user_count) ? i : -1;
}

std::vector<math::Point2d> kernel_chart_points(const ConvolutionSet::Coefficients& c)
{
    const auto taps = ConvolutionSet(std::string(), c).kernel();
    std::vector<math::Point2d> points;
    points.reserve(taps.size());
    for (std::size_t j = 0; j < taps.size(); ++j)
        points.push_back({static_cast<double>(j) - 15.0, taps[j] / 32767.0 * 100.0});
    return points;
}

int save_user_set(std::vector<ConvolutionSet>& user, const std::string& name,
                  const ConvolutionSet::Coefficients& c,
                  const std::function<bool(const ConvolutionSet&)>& replace)
{
    for (auto it = user.begin(); it != user.end();) {
        if (it->name == name && replace(*it))
            it = user.erase(it);
        else
            ++it;
    }
    user.emplace_back(name, c);
    return static_cast<int>(ConvolutionSet::built_in().size() + user.size()) - 1;
}

} // namespace orvex
