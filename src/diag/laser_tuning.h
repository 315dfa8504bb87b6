// Row-by-row analysis of the laser line in a camera frame, for adjusting the
// laser optics: in every image row the brightest pixel, the energy around
// it, its centroid and the widths that hold 50 % and 80 % of that energy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvex::diag {

struct laser_row {
    double peak = 0;           // brightest pixel in percent of 256
    double energy = 0;         // sum of the pixels within 10 of the brightest
    double energy_percent = 0; // energy against the frame's mean, capped at 100
    double centroid = 0;       // pixel index; 0 for a row without light
    double width50 = 0;        // pixels; 0 when not reached within 20 pixels
    double width80 = 0;
};

/// Pixels either side of the peak that make up a row's energy.
constexpr int laser_energy_half_window = 10;
/// Widths grow up to this many pixels.
constexpr double laser_width_limit = 20.0;

/// Width of the window centred on `centre` that holds more than `target`
/// energy: pixel i covers [i, i + 1); the window grows from nothing, each end
/// going to its next pixel boundary in turn, and the width is interpolated
/// linearly inside the last step. 0 when the window reaches 20 pixels first.
double laser_row_width(const std::uint8_t* row, int width, double centre, double target);

/// Analyses `rows` rows of `width` one-byte pixels (row r at r * width) into
/// `out` (resized to `rows`).
void analyse_laser_rows(const std::uint8_t* image, int rows, int width, std::vector<laser_row>& out);

} // namespace orvex::diag
