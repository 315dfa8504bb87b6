// image_render: what the image window shows, computed without widgets.
//
// A frame is 1280 x 1024 grey bytes, one 1280-byte line per image row; the
// sensor sends only its window's columns, from the first byte of each line
// on, so image column c is sensor column x_first + c and the w x h window
// sits in the top-left corner of the buffer. The renderer turns that corner
// into opaque ARGB, paints the overlays (computed line positions green, the
// grid and the line chart's row red), rotates and mirrors; it owns its two
// 1280 x 1024 work buffers for its whole life, so rendering allocates
// nothing. The layout functions place and size the view widgets, and the
// mouse helpers turn pointer positions into frame rows and zoom steps.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex::k7 {
struct qz3p_settings;
}

namespace orvex::imaging {

constexpr int frame_width = 1280;
constexpr int frame_height = 1024;

constexpr std::uint32_t argb_green = 0xFF00FF00;
constexpr std::uint32_t argb_red = 0xFFFF0000;

/// Sensor columns x_first..x_last and rows y_first..y_last, 0-based and
/// inclusive, always inside the frame with first <= last.
struct frame_window {
    int x_first = 0, x_last = frame_width - 1;
    int y_first = 0, y_last = frame_height - 1;

    int width() const { return x_last - x_first + 1; }
    int height() const { return y_last - y_first + 1; }
};

/// The window of a settings record: columns in blocks of 8 (x_first = start
/// block * 8, x_last = end block * 8 + 7), rows as stored. Bounds beyond the
/// frame are clamped and a last bound below the first is raised to it, so a
/// damaged record can never make a window reach outside the buffer.
frame_window window_of(const k7::qz3p_settings& s);

/// The window's w x h pixels of `frame` packed densely (w bytes per row), as
/// they are saved: before rotation, mirroring and overlays.
std::vector<std::uint8_t> crop_frame(const std::uint8_t* frame, const frame_window& w);

struct render_options {
    frame_window window;
    bool rotate = false; // 90 degrees clockwise
    bool mirror_x = false;
    bool mirror_y = false;
    bool grid = false;
    /// Line position of each frame row in sensor columns (1024 values), or
    /// null when no positions are to be drawn.
    const double* line_data = nullptr;
    /// Frame row painted red for the line chart, -1 for none.
    int chart_row = -1;
};

class image_renderer {
public:
    image_renderer();

    struct result {
        const std::uint32_t* pixels; // width pixels per row, no padding
        int width, height;
    };
    /// Renders the 1280 x 1024 `frame`; the result stays valid until the
    /// next call. Rotated, the result is h wide and w high.
    result render(const std::uint8_t* frame, const render_options& o);

private:
    std::vector<std::uint32_t> first_, second_;
};

/// Sizes and places of the view widgets, in screen pixels.
struct image_layout {
    int frame_w, frame_h;   // the fixed frame around the scroll area
    int scroll_w, scroll_h; // the scroll area: the window at the view's scale
    int label_w, label_h;   // the image label inside it: scaled and zoomed
    int scroll_x, scroll_y; // where the scroll area sits in the frame
};

/// `full_view`: the 1280 x 1024 view, else the 640 x 512 view (half scale).
image_layout layout_image(const frame_window& w, bool full_view, int zoom, bool rotate, bool mirror_x,
                          bool mirror_y);

/// Size of the shown image for a rendered result of width x height.
inline int scaled_size(int size, bool full_view, int zoom)
{
    return (full_view ? size : size / 2) * zoom;
}

/// Frame row under label position (x, y) of the label sized by
/// layout_image(); within 0..1023.
int row_at(int x, int y, const image_layout& l, bool full_view, int zoom, bool rotate, bool mirror_x,
           bool mirror_y);

/// Zoom after one wheel step: doubled (in) or halved, within 1..8.
int zoom_step(int zoom, bool in);
/// Scroll bar value that keeps the content point under `cursor` (viewport
/// pixels) in place when the zoom changes from `old_zoom` to `new_zoom`.
int scroll_keeping(int value, int cursor, int old_zoom, int new_zoom);

/// "Image_N.png" for the first N of 0..999 with no such entry in `dir`;
/// Image_999.png when all exist.
std::string next_image_file(const std::string& dir);

// --- the line chart ---------------------------------------------------------

constexpr int line_samples = frame_width;
using line_array = std::array<double, line_samples>;

/// Whether the chart runs from right to left on screen: rotated and mirrored
/// in Y, or unrotated and mirrored in X (but not both).
bool line_reversed(bool rotate, bool mirror_x, bool mirror_y);

/// Brightness along frame row `line` (0..1023), one sample per sensor column:
/// the window's pixels at their sensor columns, zero outside the window;
/// reversed when `reverse`.
void take_line(const std::uint8_t* frame, const frame_window& w, int line, bool reverse, line_array& out);

/// Replaces `samples` by their correlation with the kernel samples[start..end]
/// centred on each sample (terms beyond the ends are left out). Returns false
/// and leaves the samples when end < start or the bounds leave 0..1279.
bool autocorrelate(line_array& samples, int start, int end, line_array& scratch);

/// Column of the line marker for a computed position f of the shown row, or
/// a negative value when none is drawn (f not within 5 < f < 1020, after
/// reversing to 1279 - f when the chart is reversed).
double marker_column(double f, bool reversed);

} // namespace orvex::imaging
