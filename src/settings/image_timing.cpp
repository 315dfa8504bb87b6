#include "settings/image_timing.h"

#include "link/sensor_info.h"

#include <algorithm>
#include <cmath>

namespace orvex::k7 {

namespace {

constexpr int x_start_highest = image_columns - min_window_span; // 945
constexpr int x_end_lowest = 1 + min_window_span;                // 336
constexpr int x_end_field_min = 16;

int floor_div(int a, int b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

image_window_limits window_limits(const image_window& w)
{
    image_window_limits l;
    l.x_start_max = std::clamp(w.x_end - min_window_span, 1, image_columns);
    l.x_end_min = std::clamp(w.x_start + min_window_span, x_end_field_min, image_columns);
    l.y_start_max = std::clamp(w.y_end, 1, image_rows);
    l.y_end_min = std::clamp(w.y_start, 1, image_rows);
    return l;
}

image_window normalise_window(image_window w)
{
    w.x_start = floor_div(w.x_start - 1, 8) * 8 + 1;
    w.x_end = floor_div(w.x_end, 8) * 8;
    w.x_start = std::clamp(w.x_start, 1, x_start_highest);
    w.x_end = std::clamp(w.x_end, x_end_lowest, image_columns);
    if (w.x_end - w.x_start < min_window_span) {
        w.x_end = std::min(w.x_start + min_window_span, image_columns);
        w.x_start = std::max(w.x_end - min_window_span, 1);
    }
    w.y_start = std::clamp(w.y_start, 1, image_rows);
    w.y_end = std::clamp(w.y_end, 1, image_rows);
    if (w.y_end < w.y_start)
        w.y_end = w.y_start;
    return w;
}

int readout_time_us(const image_window& w)
{
    const long a = static_cast<long>(w.width()) / 8 * 2 + 4;
    const long cycles = static_cast<long>(w.height()) * std::max(a, 86L) + 648;
    // cycles / 62.5 rounded up, in integers: cycles * 2 / 125.
    return static_cast<int>((cycles * 2 + 124) / 125);
}

frame_timing check_timing(const image_window& w, int exposure1_us, int exposure2_us, int period_us,
                          int cycle_delay_us)
{
    frame_timing t;
    t.readout_us = readout_time_us(w);
    t.readout_period_us = t.readout_us + 100;
    t.min_period_us = exposure2_us + std::max(t.readout_us, exposure1_us) + 100;
    t.effective_period_us = std::max(t.min_period_us, period_us);
    t.frames_per_second = t.effective_period_us > 0 ? 1000000 / t.effective_period_us : 0;
    t.period_too_short = period_us != 1 && period_us < t.min_period_us;
    t.cycle_delay_too_long = cycle_delay_us >= t.effective_period_us;
    return t;
}

image_window window_of(const qz3p_settings& s)
{
    image_window w;
    w.x_start = s.window_x_start * 8 + 1;
    w.x_end = (s.window_x_end + 1) * 8;
    w.y_start = s.window_y_start + 1;
    w.y_end = s.window_y_end + 1;
    return w;
}

void set_window(qz3p_settings& s, const image_window& w)
{
    s.window_x_start = static_cast<std::uint8_t>(std::clamp((w.x_start - 1) / 8, 0, 255));
    s.window_x_end = static_cast<std::uint8_t>(std::clamp(w.x_end / 8 - 1, 0, 255));
    s.window_y_start = static_cast<std::uint16_t>(std::clamp(w.y_start - 1, 0, 0xFFFF));
    s.window_y_end = static_cast<std::uint16_t>(std::clamp(w.y_end - 1, 0, 0xFFFF));
}

distance_field_limits detached_distance_limits(const decoded_range& range, double shown_mm,
                                               const sensor_info* ident)
{
    distance_field_limits l;
    const bool outline = !range.known && ident != nullptr && ident->ident_valid;
    if (range.known || outline) {
        const double top =
            range.known ? std::max(range.y_top_start, range.y_top) : std::max(ident->y1_high, ident->y2_high);
        const double bottom = range.known ? std::min(range.y_bottom_start, range.y_bottom)
                                          : std::min(ident->y1_low, ident->y2_low);
        const double span = top - bottom;
        if (std::isfinite(span) && span > 0.0) {
            l.maximum = std::min(span, 65535.0 / 32.0);
            l.step = span / 2048.0;
        }
    }
    if (std::isfinite(shown_mm))
        l.maximum = std::max(l.maximum, std::min(shown_mm, 65535.0 / 32.0));
    return l;
}

} // namespace orvex::k7
