// The image window and the frame timing of the sensor, as the settings editor
// checks them after every edit.
//
// The image sensor reads a window of at least 336 columns (starting on a
// column 8k + 1, ending on a multiple of 8) and any number of rows; reading
// the window out takes a time that, together with the exposures, sets the
// shortest period the sensor can measure at. The editor shows the window's
// size, the rate and the shortest period, and colours the period and the
// cycle-delay fields when their values cannot be kept. Columns and rows are
// counted from 1 here; the record stores them as described in qz3p_settings.h.
#pragma once

#include "profiles/calibration_range.h"
#include "settings/qz3p_settings.h"

namespace orvex::k7 {

constexpr int image_columns = 1280;
constexpr int image_rows = 1024;
/// Narrowest window: its last column is at least this far beyond its first.
constexpr int min_window_span = 335;

/// First and last column and row, counted from 1.
struct image_window {
    int x_start = 1;
    int x_end = image_columns;
    int y_start = 1;
    int y_end = image_rows;

    int width() const { return x_end - x_start + 1; }
    int height() const { return y_end - y_start + 1; }
    friend bool operator==(const image_window& a, const image_window& b)
    {
        return a.x_start == b.x_start && a.x_end == b.x_end && a.y_start == b.y_start && a.y_end == b.y_end;
    }
};

/// How far the four window fields may go while the other end stays: the
/// start at most span columns (or 0 rows) before the end, the end at least
/// as far after the start. Each limit stays inside the field's own range.
struct image_window_limits {
    int x_start_max = 0;
    int x_end_min = 0;
    int y_start_max = 0;
    int y_end_min = 0;
};
image_window_limits window_limits(const image_window& w);

/// A window the sensor accepts: the first column moved down to 8k + 1, the
/// last rounded down to a multiple of 8, both inside the image, at least 336
/// columns wide (the end moves out first, then the start), and rows inside
/// the image with the last not before the first. Any input gives such a window.
image_window normalise_window(image_window w);

/// Microseconds to read the window out:
/// ceil(((width / 8) * 2 + 4, at least 86) * height + 648) / 62.5).
int readout_time_us(const image_window& w);

/// What the editor shows about the timing of a record.
struct frame_timing {
    int readout_us = 0;
    int readout_period_us = 0;   // readout + 100: the shortest period without exposure
    int min_period_us = 0;       // second exposure + max(readout, first exposure) + 100
    int effective_period_us = 0; // max(min period, the period field)
    int frames_per_second = 0;   // 1 000 000 / effective period
    bool period_too_short = false;
    bool cycle_delay_too_long = false;
};

/// Timing of a window with the two exposures (second 0 with dual exposure
/// off), the value of the period field (1 when the period is not fixed) and
/// the cycle delay (0 when off). The period counts as too short only when it
/// is fixed (not 1) and below the shortest period; the delay as too long when
/// it is on and not below the effective period.
frame_timing check_timing(const image_window& w, int exposure1_us, int exposure2_us, int period_us,
                          int cycle_delay_us);

/// The window of a record and the record fields of a window.
image_window window_of(const qz3p_settings& s);
void set_window(qz3p_settings& s, const image_window& w);

/// Maximum and step of the detached-point distance field in millimetres.
struct distance_field_limits {
    double maximum = 1023.0;
    double step = 1.0;
};
/// From the sensor's depth range (the span between the lowest and the highest
/// Y of its decoded range block): maximum = range, step = range / 2048. An
/// unknown or empty range gives 1023 mm in steps of 1 mm. The maximum never
/// exceeds what the record's field holds (65535 / 32 mm), and never falls
/// below `shown_mm`, the value the field holds now: a distance the sensor
/// already uses stays reachable, so showing it and writing back keeps it.
/// Without a known range the depth comes from `ident`'s outline when given
/// and valid (the lowest to the highest of its Y values).
distance_field_limits detached_distance_limits(const decoded_range& range, double shown_mm = 0.0,
                                               const sensor_info* ident = nullptr);

} // namespace orvex::k7
