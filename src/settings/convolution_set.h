// A named set of the 16 convolution coefficients of the sensor's peak filter.
//
// Coefficients are fixed-point with 32767 standing for 1.0; c[15] is the
// centre tap of the symmetric 31-tap kernel and c[0] the outermost. User sets
// are stored in the program settings under Program.convolution_sets, one "vec"
// element each with "name" and 16 "arr" children under "data".
#pragma once

#include "app/program_settings_property.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

class ConvolutionSet final : public utils::ProgramSettingsProperty {
public:
    using Coefficients = std::array<std::int16_t, 16>;

    ConvolutionSet() = default;
    ConvolutionSet(std::string set_name, const Coefficients& coefficients)
        : name(std::move(set_name)),
          data(coefficients)
    {}

    void bind() override;

    /// The 31 taps: t[j] = c[j] for j = 0..15 and t[30 - j] = c[j] for j = 0..14.
    std::array<std::int16_t, 31> kernel() const;
    /// (2 (c[0] + ... + c[14]) + c[15]) / 32767.
    double kernel_sum() const;

    /// The three sets every installation has; never stored, never removed.
    static const std::vector<ConvolutionSet>& built_in();

    std::string name;
    Coefficients data{};
};

inline bool operator==(const ConvolutionSet& a, const ConvolutionSet& b)
{
    return a.name == b.name && a.data == b.data;
}

} // namespace orvex
