// What a simulated sensor measures: profiles, frames and line data of its
// scene, consistent with each other and with the settings in working memory.
//
// The head traces the scene's laser line once per change (scene offset,
// settings, calibration tables in flash) and keeps the profile's point words
// ready, so a streamed profile costs one copy. Profile points follow the
// image window's rows (slot i = window first row + i); a line outside the
// window's columns, a row without a line or a laser switched off gives the
// "no point" word 0xFFFF. With calibration bypass the first word is the line
// position in 1/32 pixel; without, x and y in millimetres with p fractional
// bits, taken from the tables in flash (from 0x800000, 8192 bytes per row, 4
// bytes per column: X unsigned, Y signed) for rows whose table holds values,
// interpolated between neighbouring columns, and from the built-in optics for
// rows whose table is erased.
//
// Everything that leaves by the streaming thread (streamed profiles, frame
// lines, line data) is handed out by tick(): frames are immutable snapshots
// rendered line by line outside the model's lock, at most `lines_per_ms`
// lines per millisecond so that a receiver with a small socket buffer keeps up.
// The head is not locked itself: its owner (the sensor model) holds its mutex.
#pragma once

#include "device_model.h"
#include "scene.h"

#include <random>

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace orvex::sim {

class nor_flash;

constexpr std::uint32_t calibration_table_addr = 0x800000;
constexpr std::size_t calibration_row_bytes = 8192;
constexpr double processing_us = 100.0;    // profile processing after the read-out
constexpr std::size_t max_queued_jobs = 8; // frames and line-data answers waiting to be sent

/// The period the sensor really measures at, in microseconds, for a
/// 256-byte settings payload: the period as set, but never shorter than one
/// measurement cycle (the second exposure with dual exposure on, the longer
/// of the window's read-out and the first exposure, and the processing); a
/// period of 1 ("not fixed") or 0 runs at that shortest cycle. A cycle delay
/// not below that period adds a whole cycle to itself. The settings keep
/// whatever was written; only the timing follows the head.
double effective_period_us(const std::uint8_t* settings);

/// An immutable description of one frame (or of line data alone) to send.
struct frame_job {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    bool numbered = false;   // 1284-byte lines with the line number in bytes 2..3
    bool background = false; // the stored background instead of a live frame
    std::uint8_t echo = 0x21;
    unsigned first_row = 0;
    unsigned rows = 0; // lines to send; 0 for line data alone
    unsigned col_first = 0, col_last = image_columns - 1;
    bool laser = true;
    double amplitude = 200.0;
    bool subtract = false; // live frame minus the stored background
    int stored = 0;        // stored background: 0 none/zero, 1 the dark scene
    std::uint32_t stored_seed = 0;
    std::uint32_t seed = 0; // temporal noise of this frame
    line_positions lines{};
    std::vector<datagram> tail; // sent after the lines (line data)

    /// Pixels of frame line k (window row first_row + k) into out[0..1279]:
    /// the window's columns col_first..col_last from out[0] on, zeros after.
    void render(unsigned k, std::uint8_t* out) const;
};

/// What one streaming tick hands out for one device.
struct stream_batch {
    std::uint32_t profile_address = 0;
    std::uint16_t profile_port = 0;
    std::size_t profile_count = 0;  // datagrams used in `profiles`
    std::vector<datagram> profiles; // reused from tick to tick
    std::shared_ptr<const frame_job> job;
    unsigned first_line = 0, line_count = 0;
    bool send_tail = false;
    // A motor board's streamed state datagram.
    bool board_due = false;
    datagram board_state;
    std::uint32_t board_address = 0;
    std::uint16_t board_port = 0;

    void clear()
    {
        board_due = false;
        profile_count = 0;
        job.reset();
        first_line = line_count = 0;
        send_tail = false;
    }
};

class measuring_head {
public:
    using clock = std::chrono::steady_clock;

    /// `profile_rate` 0: the rate follows the settings' period. `frame_rate`:
    /// frames per second of the image stream; `lines_per_ms`: frame lines sent
    /// per millisecond.
    measuring_head(scene s, double profile_rate, double frame_rate, unsigned lines_per_ms);

    /// Something the profiles depend on changed (the identification record).
    void invalidate() { ++generation_; }
    /// Flash bytes addr..addr+n-1 changed: besides invalidating, forgets what
    /// is known of the calibration table rows there, and only there, so that
    /// writing tables page by page does not rescan all 8 MiB each time.
    void flash_changed(std::uint32_t addr, std::size_t n);
    /// The settings in working memory changed: the profiles, and the pace of
    /// a running profile stream, follow the new ones from now on.
    void settings_changed();
    void set_offset(double dx, double dy);
    const scene& current_scene() const { return scene_; }
    /// Gaussian noise of the line position in measured profiles, standard
    /// deviation in pixels (0: none); every measurement draws afresh.
    void set_line_noise(double sigma_px, std::uint32_t seed)
    {
        noise_ = sigma_px;
        noise_rng_.seed(seed);
    }
    line_positions lines();
    std::uint32_t profile_counter() const { return counter_; }
    /// Frame lines handed out for sending so far.
    std::uint64_t lines_sent() const { return lines_sent_; }

    /// 0x20: measures one profile. 0x22: the last measured profile (measuring
    /// one when none was). The datagram is 4104 bytes, 5160 with intensities.
    void measure(const std::uint8_t* settings, const nor_flash& flash, int shift);
    datagram read_profile(const std::uint8_t* settings, const nor_flash& flash, int shift, bool intensities);

    void set_profile_stream(bool on, bool intensities, std::uint32_t address, std::uint16_t port);
    /// `numbered`: 1284-byte lines (firmware 41 and later), else 1280-byte lines.
    void set_image_stream(bool on, bool numbered, std::uint32_t address, std::uint16_t port);
    /// Frame requests replace whatever frame was still being sent.
    void request_frame(const std::uint8_t* settings, bool numbered, bool background, std::uint8_t echo,
                       std::uint32_t address, std::uint16_t port);
    void request_line_data(const std::uint8_t* settings, std::uint8_t mode, unsigned first, unsigned count,
                           std::uint32_t address, std::uint16_t port);
    /// 0x27: value 0 stores a zero background, any other value the dark scene.
    void store_background(std::uint16_t value);
    /// 0xF9: header word 2 (microseconds since the time was reset) starts again at 0.
    void reset_time() { epoch_ = clock::now(); }

    /// A stream is on or a frame is being sent.
    bool active() const { return profile_stream_ || image_stream_ || !jobs_.empty(); }
    /// Hands out what is due at `now` (called every millisecond).
    void tick(clock::time_point now, const std::uint8_t* settings, const nor_flash& flash, int shift,
              stream_batch& out);

private:
    void refresh(const std::uint8_t* settings, const nor_flash& flash, int shift);
    void fill_profile(datagram& d, bool intensities);
    double profile_rate(const std::uint8_t* settings) const;
    std::shared_ptr<frame_job> make_job(const std::uint8_t* settings, std::uint32_t address,
                                        std::uint16_t port);

    scene scene_;
    double noise_ = 0.0;
    std::mt19937 noise_rng_;
    double fixed_profile_rate_;
    double frame_rate_;
    unsigned lines_per_ms_;
    std::uint64_t generation_ = 1;
    std::uint64_t cached_generation_ = 0;
    std::uint64_t trace_generation_ = 1, traced_generation_ = 0;
    line_positions lines_{};
    std::array<signed char, image_rows> table_rows_; // -1 unknown, 0 holds values, 1 erased
    std::array<std::uint8_t, 4096> points_{};        // 1024 slots: first word, second word
    std::array<std::uint8_t, 1024> intensity_{};     // one byte per slot
    std::array<std::uint8_t, 32> header_{};          // bytes 8..39 of a profile with intensities
    std::uint32_t counter_ = 0;                      // header word 1: profiles measured
    std::uint32_t measured_time_us_ = 0;
    bool measured_ = false;
    clock::time_point epoch_ = clock::now();
    std::uint32_t next_seed_ = 1;

    bool profile_stream_ = false;
    bool stream_intensities_ = false;
    std::uint32_t profile_address_ = 0;
    std::uint16_t profile_port_ = 0;
    clock::time_point stream_start_{};
    double stream_rate_ = 0.0;
    std::uint64_t stream_sent_ = 0;

    bool image_stream_ = false;
    bool image_numbered_ = false;
    std::uint32_t image_address_ = 0;
    std::uint16_t image_port_ = 0;
    clock::time_point next_frame_{};

    std::deque<std::shared_ptr<frame_job>> jobs_;
    unsigned job_line_ = 0;         // next line of jobs_.front()
    clock::time_point job_start_{}; // when jobs_.front() began to be sent
    bool job_timed_ = false;
    std::uint64_t lines_sent_ = 0;
    // The sensor leaves the factory with a dark frame stored as its
    // background: fixed pattern and noise of its own, no laser line.
    int stored_ = 1;
    std::uint32_t stored_seed_ = 0x80000000u;
};

} // namespace orvex::sim
