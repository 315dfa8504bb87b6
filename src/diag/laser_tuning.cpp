#include "diag/laser_tuning.h"

#include <algorithm>
#include <cmath>

namespace orvex::diag {
namespace {

// Energy of the row from its start up to position x (pixels outside the row
// count 0); `prefix[i]` is the sum of pixels 0..i-1.
double cumulative(const std::uint8_t* row, const std::vector<double>& prefix, int width, double x)
{
    if (x <= 0)
        return 0;
    if (x >= width)
        return prefix[static_cast<std::size_t>(width)];
    const int i = static_cast<int>(std::floor(x));
    return prefix[static_cast<std::size_t>(i)] + (x - i) * row[i];
}

double width_with_prefix(const std::uint8_t* row, const std::vector<double>& prefix, int width, double centre,
                         double target)
{
    constexpr double tiny = 1e-10;
    double w = 0;
    double e_prev = 0;
    while (w < laser_width_limit) {
        const double left = centre - w / 2;
        const double right = centre + w / 2;
        double to_left = left - std::floor(left);
        double to_right = std::ceil(right) - right;
        if (to_left <= tiny)
            to_left = 1;
        if (to_right <= tiny)
            to_right = 1;
        // Both ends move by the nearer distance, so no end crosses a boundary
        // inside the step and the energy grows linearly within it.
        const double step = 2 * std::min(to_left, to_right);
        const double w_new = w + step;
        const double e_new = cumulative(row, prefix, width, centre + w_new / 2) -
                             cumulative(row, prefix, width, centre - w_new / 2);
        if (e_new > target)
            return w + step * (target - e_prev) / (e_new - e_prev);
        w = w_new;
        e_prev = e_new;
    }
    return 0;
}

} // namespace

double laser_row_width(const std::uint8_t* row, int width, double centre, double target)
{
    std::vector<double> prefix(static_cast<std::size_t>(width) + 1, 0.0);
    for (int i = 0; i < width; ++i)
        prefix[static_cast<std::size_t>(i) + 1] = prefix[static_cast<std::size_t>(i)] + row[i];
    return width_with_prefix(row, prefix, width, centre, target);
}

void analyse_laser_rows(const std::uint8_t* image, int rows, int width, std::vector<laser_row>& out)
{
    out.assign(static_cast<std::size_t>(std::max(rows, 0)), laser_row{});
    std::vector<double> prefix(static_cast<std::size_t>(std::max(width, 0)) + 1, 0.0);
    double total = 0;
    for (int r = 0; r < rows && width > 0; ++r) {
        const std::uint8_t* row = image + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
        laser_row& res = out[static_cast<std::size_t>(r)];
        const int k = static_cast<int>(std::max_element(row, row + width) - row); // the first of the largest
        res.peak = row[k] / 2.56;
        const int lo = std::max(0, k - laser_energy_half_window);
        const int hi = std::min(width - 1, k + laser_energy_half_window);
        double energy = 0, moment = 0;
        for (int i = lo; i <= hi; ++i) {
            energy += row[i];
            moment += static_cast<double>(i) * row[i];
        }
        res.energy = energy;
        total += energy;
        if (energy <= 0)
            continue; // no light: centroid and widths stay 0
        res.centroid = moment / energy;
        for (int i = 0; i < width; ++i)
            prefix[static_cast<std::size_t>(i) + 1] = prefix[static_cast<std::size_t>(i)] + row[i];
        res.width50 = width_with_prefix(row, prefix, width, res.centroid, 0.5 * energy);
        res.width80 = width_with_prefix(row, prefix, width, res.centroid, 0.8 * energy);
    }
    double mean = total / 1280.0;
    if (mean == 0)
        mean = 1;
    for (auto& res : out)
        res.energy_percent = std::min(100.0, 50.0 * res.energy / mean);
}

} // namespace orvex::diag
