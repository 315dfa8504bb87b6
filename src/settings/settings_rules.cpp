#include "settings/settings_rules.h"

#include "settings/image_timing.h"

#include <algorithm>

namespace orvex::k7 {
namespace {

// Window limits in record units: a start column 8f + 1 needs an end field of
// at least f + 41 (336 columns); the start field tops out at 118 (column 945).
constexpr int window_span_fields = 41;
constexpr int x_start_field_max = 118;
constexpr int x_end_field_max = image_columns / 8 - 1;
constexpr int y_field_max = image_rows - 1;

struct checker {
    const std::vector<std::string>& changed;
    std::vector<settings_violation> found;

    bool involved(std::initializer_list<const char*> fields) const
    {
        if (changed.empty())
            return true;
        return std::any_of(fields.begin(), fields.end(), [&](const char* f) {
            return std::find(changed.begin(), changed.end(), f) != changed.end();
        });
    }
    bool was_changed(const char* field) const
    {
        return changed.empty() || std::find(changed.begin(), changed.end(), field) != changed.end();
    }
    void range(const char* field, std::int64_t value, std::int64_t lo, std::int64_t hi)
    {
        if (!involved({field}))
            return;
        if (value < lo)
            found.push_back({field, value, "at least " + std::to_string(lo)});
        else if (value > hi)
            found.push_back({field, value, "at most " + std::to_string(hi)});
    }
};

} // namespace

std::string settings_violation::text() const
{
    return field + " = " + std::to_string(value) + ": " + allowed;
}

std::vector<settings_violation> check_editor_rules(const qz3p_settings& s,
                                                   const std::vector<std::string>& changed)
{
    checker c{changed, {}};
    if (c.involved({"sync_mode"}) && s.sync_mode != 1 && s.sync_mode != 2 && s.sync_mode != 5)
        c.found.push_back({"sync_mode", s.sync_mode, "one of 1, 2, 5"});
    c.range("gain", s.gain, 1, 3);
    c.range("exposure1_us", s.exposure1, 0, 50000);
    c.range("exposure2_us", s.exposure2, 0, 32767);
    c.range("period_us", s.period, 1, 100000);
    c.range("next_max_coef", s.next_max_coefficient, 0, 8);
    c.range("edges_threshold", s.edges_threshold, 1, 255);
    c.range("detached_window", s.detached_window, 3, 31);
    c.range("detached_neighbours", s.detached_neighbours, 0, 31);
    c.range("median_window", s.median_window, 0, 31);
    for (std::uint8_t d : s.peak_distance)
        c.range("peak_distances", d, 0, 32);

    // Window: each end inside the image, then the order of the two ends.
    c.range("window_x_start", s.window_x_start, 0, x_start_field_max);
    c.range("window_x_end", s.window_x_end, window_span_fields, x_end_field_max);
    c.range("window_y_start", s.window_y_start, 0, y_field_max);
    c.range("window_y_end", s.window_y_end, 0, y_field_max);
    const bool x_order = s.window_x_end >= s.window_x_start + window_span_fields;
    if (!x_order && c.involved({"window_x_start", "window_x_end"})) {
        if (c.was_changed("window_x_end"))
            c.found.push_back({"window_x_end", s.window_x_end,
                               "at least " + std::to_string(s.window_x_start + window_span_fields) +
                                   " (336 columns from window_x_start)"});
        else
            c.found.push_back({"window_x_start", s.window_x_start,
                               "at most " + std::to_string(std::max(0, s.window_x_end - window_span_fields)) +
                                   " (336 columns before window_x_end)"});
    }
    if (s.window_y_end < s.window_y_start && c.involved({"window_y_start", "window_y_end"})) {
        if (c.was_changed("window_y_end"))
            c.found.push_back({"window_y_end", s.window_y_end,
                               "at least " + std::to_string(s.window_y_start) + " (window_y_start)"});
        else
            c.found.push_back({"window_y_start", s.window_y_start,
                               "at most " + std::to_string(s.window_y_end) + " (window_y_end)"});
    }
    if (!c.found.empty())
        return c.found; // the timing of a window the sensor refuses means nothing

    // Timing, as the editor colours it.
    if (c.involved({"period_us", "exposure1_us", "exposure2_us", "dual_exposure", "cycle_delay_us",
                    "window_x_start", "window_x_end", "window_y_start", "window_y_end"})) {
        const frame_timing t = check_timing(window_of(s), s.exposure1, s.dual_exposure != 0 ? s.exposure2 : 0,
                                            static_cast<int>(s.period), s.cycle_delay);
        if (t.period_too_short)
            c.found.push_back({"period_us", s.period,
                               "at least " + std::to_string(t.min_period_us) +
                                   " (the shortest period of this window and these exposures)",
                               c.was_changed("period_us")});
        if (t.cycle_delay_too_long)
            c.found.push_back({"cycle_delay_us", s.cycle_delay,
                               "at most " + std::to_string(t.effective_period_us - 1) + " (below the period)",
                               c.was_changed("cycle_delay_us")});
    }
    return c.found;
}

} // namespace orvex::k7
