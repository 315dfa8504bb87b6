#include "profiles/sandbox_settings.h"

namespace orvex {

void SandboxSettings::bind()
{
    prop("cut.enabled", cut_enabled);
    prop("cut.x0", cut_x0);
    prop("cut.x1", cut_x1);
    prop("cut.y0", cut_y0);
    prop("cut.y1", cut_y1);
    prop("cut.invert", cut_invert);
    prop("outliers.enabled", outliers_enabled);
    prop("outliers.window", outliers_window);
    prop("outliers.distance", outliers_distance);
    prop("outliers.min_count", outliers_min_count);
}

} // namespace orvex
