// Parameters of the sandbox's profile post-processing: a rectangular cut zone
// (millimetres) that keeps or removes the points inside it, and an outlier
// filter that removes points with too few close neighbours.
#pragma once

#include "app/program_settings_property.h"

#include <cstdint>

namespace orvex {

class SandboxSettings final : public utils::ProgramSettingsProperty {
public:
    void bind() override;

    bool cut_enabled = false;
    double cut_x0 = 0.0;
    double cut_x1 = 10.0;
    double cut_y0 = -10.0;
    double cut_y1 = 10.0;
    bool cut_invert = false;
    bool outliers_enabled = false;
    std::int32_t outliers_window = 3;
    double outliers_distance = 1.0;
    std::int32_t outliers_min_count = 1;
};

} // namespace orvex
