#include "profiles/calibration_range.h"

#include "link/byte_order.h"
#include "link/sensor_info.h"
#include "profiles/calibration_tables.h"
#include "profiles/fixed_point.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

namespace orvex::k7 {

namespace {

constexpr char header[10] = {'c', 'a', 'l', 'i', 'b', 'r', '_', 'v', '_', '1'};
constexpr std::size_t band_records_at = 256;
constexpr std::size_t band_record_bytes = 12;

bool valid_cell(double x, double y)
{
    return fixed::has_value(x) && fixed::has_value(y);
}

// A value of the block: the no-value marker stays the marker instead of
// wrapping (65535 * 2^N would keep only its low 16 bits and read back as a
// plausible but wrong coordinate).
std::uint16_t value_word(double v, int bits)
{
    return fixed::has_value(v) ? fixed::trunc_word(v, bits) : fixed::no_value_word;
}

std::uint16_t row_word(int row)
{
    return static_cast<std::uint16_t>(row);
}

} // namespace

bool decode_range_block(const std::uint8_t* b, std::size_t size, decoded_range& range)
{
    if (b == nullptr || size < range_block_bytes || std::memcmp(b, header, sizeof header) != 0)
        return false;
    using bytes::get_be16;
    decoded_range r;
    r.frac_bits = b[15];
    const auto ux = [&](std::size_t at) { return fixed::from_unsigned(get_be16(b + at), r.frac_bits); };
    const auto sy = [&](std::size_t at) { return fixed::from_signed(get_be16(b + at), r.frac_bits); };
    r.x_start = ux(16);
    r.x_end = ux(18);
    r.y_top_start = sy(20);
    r.y_bottom_start = sy(22);
    r.y_top = sy(24);
    r.y_bottom = sy(26);
    r.first_col = get_be16(b + 32);
    r.last_col = get_be16(b + 34);
    r.first_row = get_be16(b + 36);
    r.last_row = get_be16(b + 38);
    for (int k = 0; k < range_band_count; ++k) {
        const std::size_t at = band_records_at + band_record_bytes * static_cast<std::size_t>(k);
        r.band_x_min[k] = ux(at);
        r.band_x_max[k] = ux(at + 2);
        r.band_y_min[k] = sy(at + 4);
        r.band_y_max[k] = sy(at + 6);
        r.band_row_first[k] = get_be16(b + at + 8);
        r.band_row_last[k] = get_be16(b + at + 10);
    }
    r.known = true;
    r.sensor = range.sensor;
    range = r;
    return true;
}

void take_connection_range_block(const std::uint8_t* block, std::size_t size, const sensor_info& info,
                                 decoded_range& range)
{
    const std::string sensor = info.serial.empty() ? "@" + info.address_text : info.serial;
    if (decode_range_block(block, size, range)) {
        range.sensor = sensor;
        return;
    }
    if (range.sensor != sensor) {
        range = decoded_range();
        range.sensor = sensor;
    }
}

CalibrationRange::CalibrationRange()
{
    block_.fill(0xFF);
}

void CalibrationRange::load(const std::filesystem::path& dir, int frac_bits)
{
    std::string xt, yt;
    if (!read_table_file(dir / "TableX.txt", xt) || !read_table_file(dir / "TableY.txt", yt))
        throw std::runtime_error("Не удалось открыть файлы таблиц.");
    load_text(xt, yt, frac_bits);
}

void CalibrationRange::load_text(const std::string& x_text, const std::string& y_text, int frac_bits)
{
    if (frac_bits < 0 || frac_bits > 16)
        throw std::runtime_error("Число дробных бит должно быть от 0 до 16.");
    const std::size_t cells = std::size_t{rows} * cols;
    std::vector<double> xs(cells, 0.0), ys(cells, 0.0);
    table_reader xr(x_text);
    table_reader yr(y_text);
    for (std::size_t r = 0; r < rows; ++r) {
        double* xrow = xs.data() + r * cols;
        std::size_t bad = 0;
        const auto rx = xr.read_row(cols, xrow, bad);
        if (rx == table_reader::result::bad_number)
            throw std::runtime_error(bad_number_message("TableX.txt", r, bad) + ".");
        const auto ry = yr.read_row(cols, ys.data() + r * cols, bad);
        if (ry == table_reader::result::bad_number)
            throw std::runtime_error(bad_number_message("TableY.txt", r, bad) + ".");
        if (rx != table_reader::result::ok || ry != table_reader::result::ok)
            throw std::runtime_error("Не найден маркер конца строки.");
        std::replace_if(
            xrow, xrow + cols, [](double v) { return v < 0; }, 0.0);
        // Every value of the block comes from a valid cell; one that does not
        // fit its word would be stored as its low 16 bits, a wrong outline.
        const double* yrow = ys.data() + r * cols;
        for (std::size_t c = 0; c < cols; ++c) {
            if (!valid_cell(xrow[c], yrow[c]))
                continue;
            if (!fixed_word_fits(xrow[c], frac_bits, true, true))
                throw std::runtime_error(out_of_range_message("TableX.txt", r, c, xrow[c], frac_bits, true) +
                                         ".");
            if (!fixed_word_fits(yrow[c], frac_bits, false, true))
                throw std::runtime_error(out_of_range_message("TableY.txt", r, c, yrow[c], frac_bits, false) +
                                         ".");
        }
    }
    x_ = std::move(xs);
    y_ = std::move(ys);
    frac_bits_ = frac_bits;
    analyse();
    valid_ = true;
}

void CalibrationRange::scan_bands()
{
    for (int k = 0; k < bands; ++k) {
        const int c = k * band_width;
        double x_lo = fixed::no_value, x_hi = fixed::no_value, y_lo = fixed::no_value, y_hi = fixed::no_value;
        int r_first = 65535, r_last = 0;
        bool any = false;
        for (int r = 0; r < rows; ++r) {
            const double xv = x(r, c), yv = y(r, c);
            if (!valid_cell(xv, yv))
                continue;
            if (!any) {
                x_lo = x_hi = xv;
                y_lo = y_hi = yv;
                r_first = r;
                any = true;
            }
            x_lo = std::min(x_lo, xv);
            x_hi = std::max(x_hi, xv);
            y_lo = std::min(y_lo, yv);
            y_hi = std::max(y_hi, yv);
            r_last = r;
        }
        bx_min_[k] = x_lo;
        bx_max_[k] = x_hi;
        by_min_[k] = y_lo;
        by_max_[k] = y_hi;
        br_first_[k] = r_first;
        br_last_[k] = r_last;
    }
}

void CalibrationRange::analyse()
{
    scan_bands();

    int rises = 0, falls = 0;
    for (int k = 1; k < bands; ++k) {
        if (!fixed::has_value(bx_min_[k]) || !fixed::has_value(bx_min_[k - 1]))
            continue;
        rises += bx_min_[k] > bx_min_[k - 1];
        falls += bx_min_[k] < bx_min_[k - 1];
    }
    x_grows_ = falls < rises;

    // Overall range and the row range over every valid cell; Y at start over
    // the cell holding each row's smallest X.
    bool any = false, any_start = false;
    first_row_ = last_row_ = -1;
    for (int r = 0; r < rows; ++r) {
        int min_col = 0;
        for (int c = 0; c < cols; ++c) {
            const double xv = x(r, c), yv = y(r, c);
            if (xv < x(r, min_col))
                min_col = c;
            if (!valid_cell(xv, yv))
                continue;
            if (!any) {
                x_start_ = x_end_ = xv;
                y_bottom_ = y_top_ = yv;
                any = true;
            }
            x_start_ = std::min(x_start_, xv);
            x_end_ = std::max(x_end_, xv);
            y_bottom_ = std::min(y_bottom_, yv);
            y_top_ = std::max(y_top_, yv);
            if (first_row_ < 0)
                first_row_ = r;
            last_row_ = r;
        }
        const double ys = y(r, min_col);
        if (!valid_cell(x(r, min_col), ys))
            continue;
        if (!any_start) {
            y_bottom_start_ = y_top_start_ = ys;
            any_start = true;
        }
        y_bottom_start_ = std::min(y_bottom_start_, ys);
        y_top_start_ = std::max(y_top_start_, ys);
    }
    if (!any) {
        x_start_ = x_end_ = y_bottom_ = y_top_ = 0;
    }
    if (!any_start) {
        y_bottom_start_ = y_bottom_;
        y_top_start_ = y_top_;
    }

    int a = -1, b = -1;
    for (int k = 0; k < bands; ++k) {
        if (fixed::has_value(bx_min_[k])) {
            if (a < 0)
                a = k;
            b = k;
        }
    }
    // Three bands of margin on either side of the bands with data.
    first_col_ = a > 2 ? band_width * a - 48 : 0;
    last_col_ = band_width * std::min(b + 3, bands - 1) - 1;
    first_band_ = a;
    if (a < 0)
        return;
    sharpen_edge(a, x_grows_ ? bx_max_[a] : bx_min_[a]);
    sharpen_edge(b, x_grows_ ? bx_min_[b] : bx_max_[b]);
    fill_empty_bands(a, b);
}

// The outermost bands are sampled at one column only; their Y extent is taken
// instead where the table crosses the band's inner X value, over the whole table.
void CalibrationRange::sharpen_edge(int band, double edge)
{
    bool found = false;
    double lo = 0, hi = 0;
    int r_lo = 0, r_hi = 0;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c + 1 < cols; ++c) {
            const double x0 = x(r, c), x1 = x(r, c + 1), yv = y(r, c);
            if (!fixed::has_value(x0) || !fixed::has_value(x1) || !fixed::has_value(yv))
                continue;
            if (edge < std::min(x0, x1) || edge > std::max(x0, x1))
                continue;
            if (!found) {
                lo = hi = yv;
                r_lo = r_hi = r;
                found = true;
            }
            if (yv < lo) {
                lo = yv;
                r_lo = r;
            }
            if (yv > hi) {
                hi = yv;
                r_hi = r;
            }
        }
    }
    if (!found)
        return;
    by_min_[band] = lo;
    by_max_[band] = hi;
    br_first_[band] = r_lo;
    br_last_[band] = r_hi;
}

void CalibrationRange::fill_empty_bands(int a, int b)
{
    for (int k = 0; k < a; ++k) {
        bx_min_[k] = bx_max_[k] = x_grows_ ? x_start_ : x_end_;
        by_min_[k] = x_grows_ ? y_bottom_start_ : y_bottom_;
        by_max_[k] = x_grows_ ? y_top_start_ : y_top_;
        br_first_[k] = br_first_[a];
        br_last_[k] = br_last_[a];
    }
    for (int k = b + 1; k < bands; ++k) {
        bx_min_[k] = bx_max_[k] = x_grows_ ? x_end_ : x_start_;
        by_min_[k] = x_grows_ ? y_bottom_ : y_bottom_start_;
        by_max_[k] = x_grows_ ? y_top_ : y_top_start_;
        br_first_[k] = br_first_[b];
        br_last_[k] = br_last_[b];
    }
}

void CalibrationRange::encode_block()
{
    block_.fill(0xFF);
    if (!valid_)
        throw std::runtime_error("Таблицы калибровки не загружены.");
    if (first_row_ < 0)
        throw std::runtime_error("В таблицах нет ни одной точки с данными; диапазон не записан.");
    if (!has_data())
        throw std::runtime_error("В столбцах полос (каждый 16-й столбец) таблиц нет ни одной точки с "
                                 "данными; диапазон не записан.");
    using bytes::put_be16;
    const int n = frac_bits_;
    std::memcpy(block_.data(), header, sizeof header);
    block_[15] = static_cast<std::uint8_t>(n);
    put_be16(&block_[16], value_word(x_start_, n));
    put_be16(&block_[18], value_word(x_end_, n));
    put_be16(&block_[20], value_word(y_top_start_, n));
    put_be16(&block_[22], value_word(y_bottom_start_, n));
    put_be16(&block_[24], value_word(y_top_, n));
    put_be16(&block_[26], value_word(y_bottom_, n));
    put_be16(&block_[32], row_word(first_col_));
    put_be16(&block_[34], row_word(last_col_));
    put_be16(&block_[36], row_word(first_row_));
    put_be16(&block_[38], row_word(last_row_));
    for (int k = 0; k < bands; ++k) {
        std::uint8_t* p = &block_[band_records_at + band_record_bytes * static_cast<std::size_t>(k)];
        put_be16(p, value_word(bx_min_[k], n));
        put_be16(p + 2, value_word(bx_max_[k], n));
        put_be16(p + 4, value_word(by_min_[k], n));
        put_be16(p + 6, value_word(by_max_[k], n));
        put_be16(p + 8, row_word(br_first_[k]));
        put_be16(p + 10, row_word(br_last_[k]));
    }
}

} // namespace orvex::k7
