#include "profiles/calibration_tables.h"

#include "link/byte_order.h"
#include "profiles/fixed_point.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace orvex::k7 {

namespace {

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The word of a cell that has a value. Rounding can land on 0xFFFF (a Y of
// about -1/2^N, an X just below 65536/2^N), which every reader takes for "no
// value"; such a value goes to the nearest other word instead, at most one
// step away.
std::uint16_t value_word(double v, int bits)
{
    const std::uint16_t w = fixed::round_word(v, bits);
    if (w != fixed::no_value_word)
        return w;
    const double scaled = std::ldexp(v, bits);
    return scaled < 0 && scaled >= -1.0 ? 0x0000 : 0xFFFE;
}

} // namespace

table_geometry table_geometry_for(std::int32_t device_type)
{
    if (device_type == 4) // point sensor
        return {4, 1280, 0x8000};
    if (device_type == 3) // three beams
        return {1024, 1920, 0x800000};
    return {1024, 1280, 0x800000};
}

bool parse_table_number(std::string_view token, double& value)
{
    if (!token.empty() && token.front() == '+') {
        token.remove_prefix(1);
        if (!token.empty() && token.front() == '-')
            return false;
    }
    if (token.empty())
        return false;
    const char* end = token.data() + token.size();
    const auto r = std::from_chars(token.data(), end, value);
    return r.ec == std::errc() && r.ptr == end && std::isfinite(value);
}

bool table_reader::next(std::string_view& token)
{
    while (pos_ < text_.size() && is_space(text_[pos_]))
        ++pos_;
    if (pos_ >= text_.size())
        return false;
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !is_space(text_[pos_]))
        ++pos_;
    token = text_.substr(start, pos_ - start);
    return true;
}

table_reader::result table_reader::read_row(std::size_t cols, double* out, std::size_t& bad_column)
{
    std::string_view token;
    for (std::size_t c = 0; c < cols; ++c) {
        if (!next(token) || token == "eol")
            return result::missing_eol;
        if (!parse_table_number(token, out[c])) {
            bad_column = c;
            return result::bad_number;
        }
    }
    if (!next(token) || token != "eol")
        return result::missing_eol;
    return result::ok;
}

std::string bad_number_message(const char* file, std::size_t row, std::size_t column)
{
    return std::string("Не число в файле ") + file + ": строка " + std::to_string(row + 1) + ", столбец " +
           std::to_string(column + 1);
}

bool fixed_word_fits(double value, int frac_bits, bool is_x, bool truncate)
{
    const double scaled = std::ldexp(value, frac_bits);
    const double word = truncate ? std::trunc(scaled) : std::round(scaled);
    // A truncated X word of 65535 would read as the marker (the table image
    // moves a rounded one to 65534 instead).
    if (is_x)
        return word >= 0.0 && word <= (truncate ? 65534.0 : 65535.0);
    return word >= -32768.0 && word <= 32767.0;
}

std::string out_of_range_message(const char* file, std::size_t row, std::size_t column, double value,
                                 int frac_bits, bool is_x)
{
    // to_chars: a decimal point whatever the process locale.
    const auto number = [](double v) {
        char text[32];
        const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 6);
        return std::string(text, r.ptr);
    };
    const double lo = is_x ? 0.0 : std::ldexp(-32768.0, -frac_bits);
    const double hi = std::ldexp(is_x ? 65534.0 : 32767.0, -frac_bits);
    return std::string("Значение вне диапазона в файле ") + file + ": строка " + std::to_string(row + 1) +
           ", столбец " + std::to_string(column + 1) + ", значение " + number(value) + " (допустимо от " +
           number(lo) + " до " + number(hi) + " при " + std::to_string(frac_bits) + " дробных битах)";
}

std::vector<std::uint8_t> build_table_image(const std::string& x_text, const std::string& y_text,
                                            const table_geometry& g, int frac_bits)
{
    std::vector<std::uint8_t> image(g.image_bytes, 0xFF);
    table_reader xr(x_text);
    table_reader yr(y_text);
    const auto cols = static_cast<std::size_t>(g.cols);
    std::vector<double> xs(cols), ys(cols);
    for (std::size_t r = 0; r < static_cast<std::size_t>(g.rows); ++r) {
        std::size_t bad = 0;
        const auto rx = xr.read_row(cols, xs.data(), bad);
        if (rx == table_reader::result::bad_number)
            throw table_error(bad_number_message("TableX.txt", r, bad));
        const auto ry = yr.read_row(cols, ys.data(), bad);
        if (ry == table_reader::result::bad_number)
            throw table_error(bad_number_message("TableY.txt", r, bad));
        if (rx != table_reader::result::ok || ry != table_reader::result::ok)
            throw table_error("Не найден маркер конца строки");
        std::uint8_t* row = image.data() + r * table_row_bytes;
        for (std::size_t c = 0; c < cols; ++c) {
            // A cell without X has no point at all. A marker in Y alone stays a
            // marker: scaled and cut to 16 bits it would read back as a real Y
            // (65535 at N = 8 becomes -1.0 mm).
            const bool no_x = !fixed::has_value(xs[c]);
            const bool no_y = no_x || !fixed::has_value(ys[c]);
            if (!no_x && !fixed_word_fits(xs[c], frac_bits, true))
                throw table_error(out_of_range_message("TableX.txt", r, c, xs[c], frac_bits, true));
            if (!no_y && !fixed_word_fits(ys[c], frac_bits, false))
                throw table_error(out_of_range_message("TableY.txt", r, c, ys[c], frac_bits, false));
            bytes::put_be16(row + 4 * c, no_x ? fixed::no_value_word : value_word(xs[c], frac_bits));
            bytes::put_be16(row + 4 * c + 2, no_y ? fixed::no_value_word : value_word(ys[c], frac_bits));
        }
    }
    return image;
}

int readback_decimals(int frac_bits)
{
    return frac_bits < 13 ? 3 : 2;
}

void append_readback_row(const std::uint8_t* row, int cols, int frac_bits, std::string& x_out,
                         std::string& y_out)
{
    const int decimals = readback_decimals(frac_bits);
    // to_chars: the C notation whatever the process locale (k7ctl and the
    // program run with the user's locale, which may use a decimal comma).
    const auto append = [decimals](std::string& out, double value) {
        char cell[64];
        const auto r = std::to_chars(cell, cell + sizeof cell, value, std::chars_format::fixed, decimals);
        const auto n = static_cast<std::size_t>(r.ptr - cell);
        out.append(cell, n);
        if (n < 10)
            out.append(10 - n, ' ');
    };
    for (int c = 0; c < cols; ++c) {
        const std::uint8_t* p = row + 4 * c;
        const std::uint16_t w = bytes::get_be16(p);
        const std::uint16_t v = bytes::get_be16(p + 2);
        const double x = w == fixed::no_value_word ? fixed::no_value : fixed::from_unsigned(w, frac_bits);
        const double y = v == fixed::no_value_word ? fixed::no_value : fixed::from_signed(v, frac_bits);
        append(x_out, x);
        append(y_out, y);
    }
    x_out += "eol\n";
    y_out += "eol\n";
}

bool read_table_file(const std::filesystem::path& p, std::string& out)
{
    std::ifstream in(p, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = std::move(s).str();
    return !in.bad();
}

} // namespace orvex::k7
