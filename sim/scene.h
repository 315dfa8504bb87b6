// The target a simulated sensor looks at, and the sensor's built-in optics.
//
// The optics map image coordinates to millimetres: the column of the laser
// line gives the distance x (x1 at column `column_margin`, x2 at column 1280 -
// column_margin, growing with the column and compressed towards the far end
// as in a triangulation head), and the row gives the lateral position y,
// which spans the outline's y1 range at x1 and its y2 range at x2 (the field
// of view widens with the distance).
//
// The target is a surface x = depth(y) in the sensor's coordinates: a plane, a
// corner (roof), teeth (a row of roofs) or a comb (tines with empty gaps), placed at
// `distance` and moved by the settable offset (dx along x, dy along y). For
// every image row the laser line lies where the row's line of sight first
// meets the surface; rows that see no surface within the range have no line.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace orvex::sim {

constexpr int image_columns = 1280;
constexpr int image_rows = 1024;
constexpr double column_margin = 64.0;

enum class scene_kind : std::uint8_t { plane, corner, teeth, comb };

struct scene_config {
    scene_kind kind = scene_kind::plane;
    double distance = -1.0; // mm; negative: the middle of the outline's x range
    double pitch = 10.0;    // mm, period of teeth and comb
    double height = 2.0;    // mm, depth of the teeth; the corner's flanks rise height per pitch
    double tilt = 0.0;      // degrees; the surface turns about the x axis
};

/// "plane", "corner", "teeth", "comb"; false for anything else.
bool parse_scene_kind(const std::string& text, scene_kind& out);
const char* scene_kind_name(scene_kind k);

/// Measuring range of the optics in millimetres.
struct optics {
    double x1 = 0.0, x2 = 100.0;
    double y1_low = -50.0, y1_high = 50.0;
    double y2_low = -80.0, y2_high = 80.0;

    /// Fraction u (0 at x1, 1 at x2) of the range seen at `column` (pixels,
    /// sub-pixel); outside 0..1 beyond the margins.
    double fraction_at_column(double column) const;
    double column_at_fraction(double u) const;
    double x_at_fraction(double u) const { return x1 + u * (x2 - x1); }
    /// Lateral position of the centre of image row `row` at range fraction u.
    double y_at(double row, double u) const;
};

/// NaN marks a row without a line.
using line_positions = std::array<double, image_rows>;

class scene {
public:
    scene(scene_config cfg, optics o);

    /// Where the surface lies at lateral position y (mm), NaN where it is absent.
    double depth(double y) const;
    /// Column of the laser line in every image row, sub-pixel, or NaN.
    line_positions trace() const;
    /// The distance offset dx (lateral offset as now) at which the line of
    /// image row `row` stands exactly on `column`: the ground truth of an X
    /// calibration. NaN where the surface is absent there.
    double offset_for_column(int row, double column) const;
    /// Lateral position (mm, in the sensor's coordinates) that image row
    /// `row` (sub-row allowed) sees on `column`: the ground truth of a Y
    /// calibration, the target's lateral offset at which one of its corners
    /// shows there.
    double lateral_at(double row, double column) const;

    void set_offset(double dx, double dy)
    {
        dx_ = dx;
        dy_ = dy;
    }
    double offset_x() const { return dx_; }
    double offset_y() const { return dy_; }
    const optics& geometry() const { return optics_; }
    const scene_config& config() const { return cfg_; }

private:
    double line_column(int row) const;

    scene_config cfg_;
    optics optics_;
    double distance_;
    double dx_ = 0.0, dy_ = 0.0;
};

} // namespace orvex::sim
