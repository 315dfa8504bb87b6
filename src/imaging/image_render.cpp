#include "imaging/image_render.h"

#include "settings/qz3p_settings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace orvex::imaging {
namespace {

constexpr std::size_t buffer_pixels = std::size_t(frame_width) * frame_height;

} // namespace

frame_window window_of(const k7::qz3p_settings& s)
{
    frame_window w;
    w.x_first = std::min(int(s.window_x_start) * 8, frame_width - 1);
    w.x_last = std::clamp(int(s.window_x_end) * 8 + 7, w.x_first, frame_width - 1);
    w.y_first = std::min(int(s.window_y_start), frame_height - 1);
    w.y_last = std::clamp(int(s.window_y_end), w.y_first, frame_height - 1);
    return w;
}

std::vector<std::uint8_t> crop_frame(const std::uint8_t* frame, const frame_window& w)
{
    const std::size_t width = std::size_t(w.width());
    std::vector<std::uint8_t> out(width * std::size_t(w.height()));
    for (int r = 0; r < w.height(); ++r)
        std::memcpy(out.data() + width * std::size_t(r), frame + std::size_t(frame_width) * r, width);
    return out;
}

image_renderer::image_renderer() : first_(buffer_pixels), second_(buffer_pixels) {}

image_renderer::result image_renderer::render(const std::uint8_t* frame, const render_options& o)
{
    const int w = o.window.width(), h = o.window.height();
    std::uint32_t* packed = first_.data();
    // Only the window's corner of the frame survives the crop, so it is
    // converted straight into its packed place and the overlays are painted
    // there; what they would paint outside the corner is cut away anyway.
    for (int r = 0; r < h; ++r) {
        const std::uint8_t* src = frame + std::size_t(frame_width) * r;
        std::uint32_t* dst = packed + std::size_t(w) * r;
        for (int c = 0; c < w; ++c)
            dst[c] = 0xFF000000u + src[c] * 0x010101u;
    }
    const auto paint = [&](int r, int c, std::uint32_t argb) {
        if (r >= 0 && r < h && c >= 0 && c < w)
            packed[std::size_t(w) * r + c] = argb;
    };
    if (o.line_data) {
        for (int r = 0; r < std::min(h, frame_height); ++r) {
            const double v = o.line_data[r];
            if (!std::isfinite(v) || std::fabs(v) > 1e6)
                continue;
            // Columns 0 and 1278..1279 would put a neighbour outside the frame.
            const long c = std::lround(v) - o.window.x_first;
            if (c < 1 || c > frame_width - 3)
                continue;
            for (long k = c - 1; k <= c + 1; ++k)
                paint(r, int(k), argb_green);
        }
    }
    if (o.grid) {
        for (int r : {256, 512, 768})
            for (int c = 0; c < w; ++c)
                paint(r, c, argb_red);
        for (int c : {320, 640, 960})
            for (int r = 0; r < h; ++r)
                paint(r, c, argb_red);
    }
    if (o.chart_row >= 0)
        for (int c = 0; c < w; ++c)
            paint(o.chart_row, c, argb_red);

    // Rotation and both mirrors in one pass into the second buffer. Rotated
    // clockwise, result row i, column k is cropped row h - 1 - k, column i;
    // "Отразить X" then reverses each result row and "Отразить Y" the order
    // of the result rows.
    std::uint32_t* out = second_.data();
    const int out_w = o.rotate ? h : w, out_h = o.rotate ? w : h;
    if (o.rotate) {
        // In tiles, so that the column-wise reads stay in the cache.
        constexpr int tile = 32;
        for (int i0 = 0; i0 < out_h; i0 += tile)
            for (int k0 = 0; k0 < out_w; k0 += tile)
                for (int i = i0; i < std::min(i0 + tile, out_h); ++i) {
                    const int src_col = o.mirror_y ? w - 1 - i : i;
                    std::uint32_t* dst = out + std::size_t(out_w) * i;
                    for (int k = k0; k < std::min(k0 + tile, out_w); ++k) {
                        const int src_row = o.mirror_x ? k : h - 1 - k;
                        dst[k] = packed[std::size_t(w) * src_row + src_col];
                    }
                }
    } else {
        for (int i = 0; i < out_h; ++i) {
            const std::uint32_t* src = packed + std::size_t(w) * (o.mirror_y ? h - 1 - i : i);
            std::uint32_t* dst = out + std::size_t(out_w) * i;
            if (o.mirror_x)
                std::reverse_copy(src, src + w, dst);
            else
                std::memcpy(dst, src, std::size_t(w) * sizeof *dst);
        }
    }
    return {out, out_w, out_h};
}

image_layout layout_image(const frame_window& w, bool full_view, int zoom, bool rotate, bool mirror_x,
                          bool mirror_y)
{
    const double s = full_view ? 1.0 : 0.5;
    const int view_w = full_view ? frame_width : frame_width / 2;
    const int view_h = full_view ? frame_height : frame_height / 2;
    const int scroll_w = int(std::floor(s * w.width())), scroll_h = int(std::floor(s * w.height()));
    const int label_w = int(std::floor(zoom * s * w.width()));
    const int label_h = int(std::floor(zoom * s * w.height()));
    const bool h_flip = rotate ? mirror_y : mirror_x;
    const bool v_flip = rotate ? !mirror_x : mirror_y;
    const int along_x = h_flip ? int(s * (frame_width - w.x_last)) : int(std::ceil(s * w.x_first));
    const int along_y = v_flip ? int(s * (frame_height - w.y_last)) : int(std::ceil(s * w.y_first));
    image_layout l{};
    if (rotate)
        l = {view_h, view_w, scroll_h, scroll_w, label_h, label_w, along_y, along_x};
    else
        l = {view_w, view_h, scroll_w, scroll_h, label_w, label_h, along_x, along_y};
    return l;
}

int row_at(int x, int y, const image_layout& l, bool full_view, int zoom, bool rotate, bool mirror_x,
           bool mirror_y)
{
    int v = 0;
    if (rotate)
        v = mirror_x ? x : l.label_w - 1 - x;
    else
        v = mirror_y ? l.label_h - 1 - y : y;
    if (!full_view)
        v = 2 * v + 1;
    return std::clamp(v / std::max(zoom, 1), 0, frame_height - 1);
}

int zoom_step(int zoom, bool in)
{
    return in ? std::min(zoom * 2, 8) : std::max(zoom / 2, 1);
}

int scroll_keeping(int value, int cursor, int old_zoom, int new_zoom)
{
    // The content point under the cursor is (value + cursor) / old_zoom in
    // unzoomed pixels; it must stay at the same viewport position.
    const double point = double(value + cursor) / old_zoom;
    return std::max(0, int(std::lround(point * new_zoom)) - cursor);
}

std::string next_image_file(const std::string& dir)
{
    namespace fs = std::filesystem;
    for (int n = 0; n < 1000; ++n) {
        const std::string name = "Image_" + std::to_string(n) + ".png";
        std::error_code ec;
        if (!fs::exists(fs::u8path(dir) / name, ec))
            return name;
    }
    return "Image_999.png";
}

bool line_reversed(bool rotate, bool mirror_x, bool mirror_y)
{
    const bool a = rotate && mirror_y;
    const bool b = !rotate && mirror_x;
    return a != b;
}

void take_line(const std::uint8_t* frame, const frame_window& w, int line, bool reverse, line_array& out)
{
    line = std::clamp(line, 0, frame_height - 1);
    const std::uint8_t* row = frame + std::size_t(frame_width) * line;
    for (int i = 0; i < line_samples; ++i)
        out[i] = (i >= w.x_first && i <= w.x_last) ? row[i - w.x_first] : 0.0;
    if (reverse)
        std::reverse(out.begin(), out.end());
}

bool autocorrelate(line_array& samples, int start, int end, line_array& scratch)
{
    if (end < start || start < 0 || end >= line_samples)
        return false;
    const int m = end - start + 1;
    const int half = m / 2;
    for (int i = 0; i < line_samples; ++i) {
        const int j0 = std::max(0, half - i);
        const int j1 = std::min(m, line_samples - i + half);
        double sum = 0.0;
        for (int j = j0; j < j1; ++j)
            sum += samples[std::size_t(start + j)] * samples[std::size_t(i - half + j)];
        scratch[std::size_t(i)] = sum;
    }
    samples = scratch;
    return true;
}

double marker_column(double f, bool reversed)
{
    if (reversed)
        f = frame_width - f - 1;
    return (f > 5.0 && f < 1020.0) ? f : -1.0;
}

} // namespace orvex::imaging
