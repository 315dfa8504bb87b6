#include "settings/convolution_set.h"

namespace orvex {

void ConvolutionSet::bind()
{
    prop("name", name);
    prop("data", data);
}

std::array<std::int16_t, 31> ConvolutionSet::kernel() const
{
    std::array<std::int16_t, 31> taps{};
    for (std::size_t j = 0; j < 16; ++j)
        taps[j] = data[j];
    for (std::size_t j = 0; j < 15; ++j)
        taps[30 - j] = data[j];
    return taps;
}

double ConvolutionSet::kernel_sum() const
{
    long sum = data[15];
    for (std::size_t j = 0; j < 15; ++j)
        sum += 2L * data[j];
    return static_cast<double>(sum) / 32767.0;
}

const std::vector<ConvolutionSet>& ConvolutionSet::built_in()
{
    static const std::vector<ConvolutionSet> sets = {
        {"_Гаусс_1", {0, 0, 0, 0, 0, 0, 0, 0, 0, 50, 102, 409, 1492, 3954, 6549, 7655}},
        {"_Гаусс_2", {0, 0, 0, 0, 0, 17, 50, 120, 275, 595, 1152, 1925, 2724, 3387, 4005, 4267}},
        {"_Отрицательная",
         {0, 0, -327, -327, -327, -655, -983, -1638, -3276, -4915, -5898, -4259, -327, 4915, 10485, 19660}},
    };
    return sets;
}

} // namespace orvex
