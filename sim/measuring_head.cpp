#include "measuring_head.h"

#include "link/byte_order.h"
#include "nor_flash.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orvex::sim {
namespace {

constexpr std::uint16_t no_point = 0xFFFF;
constexpr double ridge_sigma = 2.0; // pixels: a line about 5 pixels wide at half height
constexpr double max_profile_rate = 100000.0;
constexpr double backlog_ms = 20.0; // a stalled sender skips profiles older than this

// Fields of the 256-byte settings payload the head uses.
struct window {
    unsigned first_row, rows, col_first, col_last;
    bool bypass, laser, subtract;
    double amplitude;
};

window window_of(const std::uint8_t* s)
{
    window w{};
    const unsigned first = bytes::get_be16(s + 54), last = bytes::get_be16(s + 56);
    w.first_row = first;
    w.rows = std::min<unsigned>(std::uint16_t(last - first + 1), image_rows);
    w.col_first = std::min<unsigned>(s[52] * 8u, image_columns - 1);
    w.col_last = std::min<unsigned>((s[53] + 1u) * 8u - 1u, image_columns - 1);
    w.bypass = s[80] != 0;
    w.laser = (s[32] & 0x01) != 0;
    w.subtract = s[65] == 1;
    w.amplitude = 40.0 + 0.8 * s[33];
    return w;
}

std::uint32_t mix(std::uint32_t a, std::uint32_t b, std::uint32_t c)
{
    std::uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ c * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

// The dark scene: 10 plus a fixed pattern per pixel (0..7) plus noise that
// changes with the seed (0..7). One row at a time, from a table of the fixed
// pattern and a fast generator seeded per row, so a whole frame renders in a
// few milliseconds.
const std::uint8_t* fixed_pattern(unsigned row)
{
    static const std::vector<std::uint8_t> table = [] {
        std::vector<std::uint8_t> t(std::size_t(image_rows) * image_columns);
        for (unsigned r = 0; r < unsigned(image_rows); ++r)
            for (unsigned c = 0; c < unsigned(image_columns); ++c)
                t[std::size_t(r) * image_columns + c] = std::uint8_t(10u + (mix(r, c, 0) & 7u));
        return t;
    }();
    return table.data() + std::size_t(row) * image_columns;
}

void dark_row(unsigned row, std::uint32_t seed, std::uint8_t* out)
{
    const std::uint8_t* fixed = fixed_pattern(row);
    std::uint64_t x = (std::uint64_t(mix(row, seed, 1)) << 32) | mix(seed, row, 2) | 1u;
    for (unsigned c = 0; c < unsigned(image_columns); c += 16) {
        x ^= x << 13; // xorshift64
        x ^= x >> 7;
        x ^= x << 17;
        std::uint64_t bits = x;
        for (unsigned k = 0; k < 16; ++k, bits >>= 4)
            out[c + k] = std::uint8_t(fixed[c + k] + (bits & 7u));
    }
}

bool row_erased(const nor_flash& flash, unsigned row)
{
    std::array<std::uint8_t, calibration_row_bytes> buf;
    flash.read(calibration_table_addr + row * std::uint32_t(calibration_row_bytes), buf.data(), buf.size());
    return std::all_of(buf.begin(), buf.end(), [](std::uint8_t b) { return b == 0xFF; });
}

} // namespace

void frame_job::render(unsigned k, std::uint8_t* out) const
{
    const unsigned row = first_row + k;
    if (row >= unsigned(image_rows) || (background && stored == 0)) {
        std::memset(out, 0, image_columns);
        return;
    }
    // The whole sensor row first; the line carries the window's columns from
    // its first byte on, and zeros after them.
    std::uint8_t full[image_columns];
    std::uint8_t noise[image_columns];
    dark_row(row, background ? stored_seed : seed, full);
    if (!background) {
        if (subtract && stored != 0) {
            dark_row(row, stored_seed, noise);
            for (unsigned c = 0; c < unsigned(image_columns); ++c)
                full[c] = std::uint8_t(full[c] > noise[c] ? full[c] - noise[c] : 0);
        }
        const double line = lines[row];
        if (laser && !std::isnan(line)) {
            // Speckle: the line's brightness wanders by about a tenth from row
            // to row and from frame to frame.
            const double speckle = 0.9 + 0.2 * (mix(row, seed, 3) & 0xFFFF) / 65535.0;
            const double peak = amplitude * speckle;
            const int from = std::max(0, int(std::floor(line - 4.0 * ridge_sigma)));
            const int to = std::min(image_columns - 1, int(std::ceil(line + 4.0 * ridge_sigma)));
            for (int c = from; c <= to; ++c) {
                const double d = c - line;
                const double v = full[c] + peak * std::exp(-d * d / (2.0 * ridge_sigma * ridge_sigma));
                full[c] = std::uint8_t(std::min(255L, std::lround(v)));
            }
        }
    }
    const unsigned width = col_last >= col_first ? col_last - col_first + 1 : 0;
    std::memcpy(out, full + col_first, width);
    std::memset(out + width, 0, image_columns - width);
}

measuring_head::measuring_head(scene s, double profile_rate, double frame_rate, unsigned lines_per_ms)
    : scene_(std::move(s)),
      fixed_profile_rate_(profile_rate),
      frame_rate_(frame_rate),
      lines_per_ms_(std::max(1u, lines_per_ms))
{
    table_rows_.fill(-1);
}

void measuring_head::flash_changed(std::uint32_t addr, std::size_t n)
{
    invalidate();
    const std::uint64_t end = std::uint64_t(addr) + n;
    if (n == 0 || end <= calibration_table_addr)
        return;
    const std::uint64_t from = std::max<std::uint64_t>(addr, calibration_table_addr) - calibration_table_addr;
    const std::uint64_t last = (end - 1 - calibration_table_addr) / calibration_row_bytes;
    for (std::uint64_t r = from / calibration_row_bytes; r <= last && r < table_rows_.size(); ++r)
        table_rows_[r] = -1;
}

void measuring_head::set_offset(double dx, double dy)
{
    scene_.set_offset(dx, dy);
    ++trace_generation_;
}

line_positions measuring_head::lines()
{
    if (traced_generation_ != trace_generation_) {
        lines_ = scene_.trace();
        traced_generation_ = trace_generation_;
    }
    return lines_;
}

void measuring_head::refresh(const std::uint8_t* s, const nor_flash& flash, int shift)
{
    if (traced_generation_ == trace_generation_ && cached_generation_ == generation_)
        return;
    lines();
    cached_generation_ = generation_;
    const window w = window_of(s);
    const optics& o = scene_.geometry();
    const double scale = std::ldexp(1.0, shift);
    std::fill(points_.begin(), points_.end(), std::uint8_t(0xFF));
    intensity_.fill(0);

    for (unsigned i = 0; i < w.rows; ++i) {
        const unsigned row = w.first_row + i;
        if (row >= unsigned(image_rows) || !w.laser)
            continue;
        double c = lines_[row];
        if (noise_ > 0.0 && !std::isnan(c))
            c += std::normal_distribution<double>(0.0, noise_)(noise_rng_);
        if (std::isnan(c) || c < w.col_first || c >= w.col_last + 1.0)
            continue;
        std::uint16_t first = no_point;
        std::int32_t second = 0;
        if (w.bypass) {
            const long v = std::lround(c * 32.0);
            if (v < 64 || v >= 0xFF00)
                continue;
            first = std::uint16_t(v);
        } else {
            double xw = 0.0, yw = 0.0;
            if (table_rows_[row] < 0)
                table_rows_[row] = row_erased(flash, row) ? 1 : 0;
            if (table_rows_[row] == 1) {
                const double u = o.fraction_at_column(c);
                xw = o.x_at_fraction(u) * scale;
                yw = o.y_at(row, u) * scale;
            } else {
                // Linear interpolation between the cells of the two neighbouring columns.
                const unsigned c0 = unsigned(c);
                const unsigned c1 = std::min<unsigned>(c0 + 1, image_columns - 1);
                const double t = c - c0;
                std::uint8_t cell[2][4];
                const std::uint32_t base =
                    calibration_table_addr + row * std::uint32_t(calibration_row_bytes);
                flash.read(base + 4 * c0, cell[0], 4);
                flash.read(base + 4 * c1, cell[1], 4);
                const std::uint16_t x0 = bytes::get_be16(cell[0]), x1 = bytes::get_be16(cell[1]);
                if (x0 == no_point || (t > 0.0 && x1 == no_point))
                    continue; // outside the calibrated range
                const auto y0 = std::int16_t(bytes::get_be16(cell[0] + 2));
                const auto y1 = std::int16_t(bytes::get_be16(cell[1] + 2));
                xw = x0 + t * (double(x1) - x0);
                yw = y0 + t * (double(y1) - y0);
            }
            const long xi = std::lround(xw), yi = std::lround(yw);
            if (xi < 0 || xi >= 0xFF00 || yi < -32768 || yi > 32767)
                continue; // cannot be expressed with this shift
            first = std::uint16_t(xi);
            second = std::int32_t(yi);
        }
        bytes::put_be16(&points_[4 * i], first);
        bytes::put_be16(&points_[4 * i + 2], std::uint16_t(second & 0xFFFF));
        intensity_[i] = std::uint8_t(std::min(255.0, 18.0 + w.amplitude));
    }
    header_.fill(0);
    bytes::put_be16(&header_[0], std::uint16_t(w.first_row));
    bytes::put_be16(&header_[2], std::uint16_t(w.rows));
    header_[4] = w.bypass ? 1 : 0;
}

void measuring_head::fill_profile(datagram& d, bool intensities)
{
    d.resize(intensities ? 5160 : 4104);
    bytes::put_be32(&d[0], counter_);
    bytes::put_be32(&d[4], measured_time_us_);
    if (intensities) {
        std::memcpy(&d[8], header_.data(), header_.size());
        std::memcpy(&d[40], points_.data(), points_.size());
        std::memcpy(&d[4136], intensity_.data(), intensity_.size());
    } else {
        std::memcpy(&d[8], points_.data(), points_.size());
    }
}

void measuring_head::measure(const std::uint8_t* settings, const nor_flash& flash, int shift)
{
    if (noise_ > 0.0)
        ++generation_; // fresh noise for every measurement
    refresh(settings, flash, shift);
    ++counter_;
    measured_time_us_ =
        std::uint32_t(std::chrono::duration_cast<std::chrono::microseconds>(clock::now() - epoch_).count());
    measured_ = true;
}

datagram measuring_head::read_profile(const std::uint8_t* settings, const nor_flash& flash, int shift,
                                      bool intensities)
{
    if (!measured_)
        measure(settings, flash, shift);
    refresh(settings, flash, shift);
    datagram d;
    fill_profile(d, intensities);
    return d;
}

double effective_period_us(const std::uint8_t* s)
{
    // Read-out of the image window: every row takes the larger of 86 clock
    // cycles and 2 per 8 columns plus 4, plus 648 cycles per frame, at 62.5
    // cycles per microsecond. The first exposure overlaps the read-out, the
    // second one (dual exposure) does not; 100 us of processing follow.
    const window w = window_of(s);
    const long columns = 8L * (long(s[53]) - long(s[52]) + 1);
    const long cycles = long(w.rows) * std::max(columns / 8 * 2 + 4, 86L) + 648;
    const double readout = std::ceil(double(cycles) / 62.5);
    const double second = s[51] == 1 ? bytes::get_be16(s + 42) : 0.0;
    const double shortest = second + std::max<double>(readout, bytes::get_be16(s + 40)) + processing_us;
    double period = std::max<double>(bytes::get_be24(s + 37), shortest);
    // A cycle delay that does not fit inside the period holds each cycle
    // back until it has passed.
    const double delay = bytes::get_be16(s + 59);
    if (delay >= period)
        period = delay + shortest;
    return period;
}

double measuring_head::profile_rate(const std::uint8_t* s) const
{
    if (fixed_profile_rate_ > 0.0)
        return std::min(fixed_profile_rate_, max_profile_rate);
    return std::min(1e6 / effective_period_us(s), max_profile_rate);
}

void measuring_head::settings_changed()
{
    invalidate();
    if (!profile_stream_)
        return;
    // Restart the pace: profiles already sent stay sent, the next ones come
    // at the new period.
    stream_start_ = clock::now();
    stream_sent_ = 0;
    stream_rate_ = 0.0;
}

void measuring_head::set_profile_stream(bool on, bool intensities, std::uint32_t address, std::uint16_t port)
{
    profile_stream_ = on;
    if (!on)
        return;
    stream_intensities_ = intensities;
    profile_address_ = address;
    profile_port_ = port;
    stream_start_ = clock::now();
    stream_sent_ = 0;
    stream_rate_ = 0.0; // taken from the settings at the first tick
}

void measuring_head::set_image_stream(bool on, bool numbered, std::uint32_t address, std::uint16_t port)
{
    image_stream_ = on;
    image_numbered_ = numbered;
    image_address_ = address;
    image_port_ = port;
    next_frame_ = clock::now();
}

std::shared_ptr<frame_job> measuring_head::make_job(const std::uint8_t* s, std::uint32_t address,
                                                    std::uint16_t port)
{
    auto job = std::make_shared<frame_job>();
    const window w = window_of(s);
    job->address = address;
    job->port = port;
    job->first_row = w.first_row;
    job->col_first = w.col_first;
    job->col_last = w.col_last;
    job->laser = w.laser;
    job->amplitude = w.amplitude;
    job->subtract = w.subtract;
    job->stored = stored_;
    job->stored_seed = stored_seed_;
    job->seed = next_seed_++;
    job->lines = lines();
    job->rows = w.rows;
    return job;
}

void measuring_head::request_frame(const std::uint8_t* settings, bool numbered, bool background,
                                   std::uint8_t echo, std::uint32_t address, std::uint16_t port)
{
    jobs_.clear(); // the receiver drained its link before asking: the old frame is of no use
    job_line_ = 0;
    job_timed_ = false;
    auto job = make_job(settings, address, port);
    job->numbered = numbered;
    job->background = background;
    job->echo = echo;
    jobs_.push_back(std::move(job));
}

void measuring_head::request_line_data(const std::uint8_t* settings, std::uint8_t mode, unsigned first,
                                       unsigned count, std::uint32_t address, std::uint16_t port)
{
    // Blocks of 256 frame lines: block k holds the line position of frame line
    // 256 k + j (1/32 pixel, 0 without a line) at offset 4 + 4 j and its peak
    // brightness at 6 + 4 j.
    auto job = make_job(settings, address, port);
    job->rows = 0;
    const window w = window_of(settings);
    for (unsigned k = first; k < 4 && k < first + std::max(count, 1u); ++k) {
        datagram d(1028, 0);
        d[0] = 0x2E;
        d[1] = mode;
        bytes::put_be16(&d[2], std::uint16_t(k));
        for (unsigned j = 0; j < 256; ++j) {
            const unsigned line = 256 * k + j, row = w.first_row + line;
            if (line >= w.rows || row >= unsigned(image_rows) || !w.laser)
                continue;
            const double c = job->lines[row];
            if (std::isnan(c) || c < w.col_first || c >= w.col_last + 1.0)
                continue;
            bytes::put_be16(&d[4 + 4 * j], std::uint16_t(std::lround(c * 32.0)));
            bytes::put_be16(&d[6 + 4 * j], std::uint16_t(std::min(255.0, 18.0 + w.amplitude)));
        }
        job->tail.push_back(std::move(d));
    }
    // A device has room for a few answers only; requests beyond it are lost,
    // so a flood of requests cannot pile up memory.
    if (jobs_.size() < max_queued_jobs)
        jobs_.push_back(std::move(job));
}

void measuring_head::store_background(std::uint16_t value)
{
    stored_ = value == 0 ? 0 : 1;
    stored_seed_ = next_seed_++;
}

void measuring_head::tick(clock::time_point now, const std::uint8_t* settings, const nor_flash& flash,
                          int shift, stream_batch& out)
{
    out.clear();
    if (profile_stream_) {
        if (stream_rate_ <= 0.0)
            stream_rate_ = profile_rate(settings);
        const double elapsed = std::chrono::duration<double>(now - stream_start_).count();
        std::uint64_t due = std::uint64_t(elapsed * stream_rate_);
        const auto backlog = std::uint64_t(stream_rate_ * backlog_ms / 1000.0) + 1;
        if (due > stream_sent_ + backlog) {
            stream_sent_ = due - backlog; // the sender stalled: those profiles were never measured
        }
        if (due > stream_sent_) {
            refresh(settings, flash, shift);
            const std::size_t n = std::size_t(due - stream_sent_);
            if (out.profiles.size() < n)
                out.profiles.resize(n);
            for (std::size_t i = 0; i < n; ++i) {
                // Each profile carries the time of its own cycle, one period
                // after the one before, not the time this batch is sent.
                const auto taken =
                    stream_start_ + std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(
                                        double(stream_sent_ + i + 1) / stream_rate_));
                const auto since =
                    std::chrono::duration_cast<std::chrono::microseconds>(taken - epoch_).count();
                ++counter_;
                measured_time_us_ = std::uint32_t(std::max<std::int64_t>(since, 0));
                fill_profile(out.profiles[i], stream_intensities_);
            }
            out.profile_count = n;
            out.profile_address = profile_address_;
            out.profile_port = profile_port_;
            stream_sent_ = due;
        }
    }

    if (image_stream_ && jobs_.empty() && now >= next_frame_ && frame_rate_ > 0.0) {
        const auto period =
            std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(1.0 / frame_rate_));
        next_frame_ += period;
        if (next_frame_ < now)
            next_frame_ = now + period;
        auto job = make_job(settings, image_address_, image_port_);
        job->numbered = image_numbered_;
        job->echo = 0x25;
        jobs_.push_back(std::move(job));
        job_line_ = 0;
    }
    if (jobs_.empty())
        return;
    const auto& job = jobs_.front();
    out.job = job;
    // Lines go out at lines_per_ms per millisecond of the clock since the
    // frame began, not per tick: a tick that wakes late catches up (at most
    // four ticks' worth at once), so a busy host does not slow the stream.
    if (job_line_ == 0 && !job_timed_) {
        job_start_ = now;
        job_timed_ = true;
    }
    const double ms = std::chrono::duration<double, std::milli>(now - job_start_).count();
    const auto due = std::uint64_t((ms + 1.0) * lines_per_ms_);
    const std::uint64_t limit = std::min<std::uint64_t>(due, job_line_ + 4ull * lines_per_ms_);
    out.first_line = job_line_;
    out.line_count =
        unsigned(std::min<std::uint64_t>(limit > job_line_ ? limit - job_line_ : 0, job->rows - job_line_));
    job_line_ += out.line_count;
    lines_sent_ += out.line_count;
    if (job_line_ >= job->rows) {
        out.send_tail = true;
        jobs_.pop_front();
        job_line_ = 0;
        job_timed_ = false;
    }
}

} // namespace orvex::sim
