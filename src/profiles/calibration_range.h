// CalibrationRange: the working-range analysis of a calibration table pair
// and the range block stored in flash at 0x700000.
//
// The analysis loads TableX.txt / TableY.txt as 1024 x 1280 tables, finds per
// 16-column band (80 bands, sampled at the band's first column) where the
// tables hold values, the direction in which X runs, the overall X and Y
// range, the working window of columns and rows, sharpens the first and last
// valid band at the table's inner edge, and fills the bands without data from
// their neighbours. The block encodes the result with N fractional bits
// (truncated); decode_range_block() turns a block read from a sensor back
// into a decoded_range for drawing.
//
// A cell is valid when neither its X nor its Y is the no-value marker
// (anything above 65534.5).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvex::k7 {

constexpr std::uint32_t range_block_flash_address = 0x700000;
constexpr std::size_t range_block_bytes = 1280; // written part of the 2048-byte buffer
constexpr int range_band_count = 80;

/// The range of a sensor as decoded from its block (millimetres).
struct decoded_range {
    bool known = false;
    int frac_bits = 0;
    double x_start = 0, x_end = 0;
    double y_top_start = 0, y_bottom_start = 0;
    double y_top = 0, y_bottom = 0;
    int first_col = 0, last_col = 0, first_row = 0, last_row = 0;
    std::array<double, range_band_count> band_x_min{}, band_x_max{}, band_y_min{}, band_y_max{};
    std::array<int, range_band_count> band_row_first{}, band_row_last{};
    /// The sensor the range belongs to (see take_connection_range_block);
    /// kept by decode_range_block.
    std::string sensor;
};

struct sensor_info;

/// Applies the range block read when `info`'s sensor connects (`block` null
/// when the read failed). A block that decodes becomes that sensor's range. A
/// blank or unreadable one keeps the range only when it already belongs to
/// this sensor (same serial; the address for a sensor without one); for
/// another sensor the range is cleared, so that nothing is drawn or limited
/// with a foreign sensor's range and its identification outline is used.
void take_connection_range_block(const std::uint8_t* block, std::size_t size, const sensor_info& info,
                                 decoded_range& range);

/// Decodes a range block of `size` bytes (at least 1280). A block without the
/// header "calibr_v_1" (a sensor whose range was never written reads all
/// 0xFF), or a short one, is ignored: false, `range` unchanged.
bool decode_range_block(const std::uint8_t* block, std::size_t size, decoded_range& range);

class CalibrationRange {
public:
    static constexpr int rows = 1024;
    static constexpr int cols = 1280;
    static constexpr int bands = range_band_count;
    static constexpr int band_width = 16;
    using block_buffer = std::array<std::uint8_t, 2048>;

    CalibrationRange();

    /// Loads TableX.txt and TableY.txt from `dir` and analyses them with
    /// `frac_bits` (0..16) for the block. Throws std::runtime_error with the
    /// user's message ("Не удалось открыть файлы таблиц.", "Не найден маркер
    /// конца строки.", a bad number, a valid cell whose value does not fit
    /// the block's 16-bit words); the previous analysis then stays.
    void load(const std::filesystem::path& dir, int frac_bits);
    /// The same from the two texts.
    void load_text(const std::string& x_text, const std::string& y_text, int frac_bits);

    bool valid() const { return valid_; }
    /// True when the last analysis found a valid cell in at least one band's
    /// column (and so a working window).
    bool has_data() const { return valid_ && first_band_ >= 0; }

    /// Fills block() from the analysis: 0xFF, then header, N, range, window and
    /// band records. Throws std::runtime_error when there is no analysis, it
    /// has no valid cell, or no band's column holds one (the window would then
    /// be made up and every band record empty).
    void encode_block();
    const block_buffer& block() const { return block_; }
    /// The buffer the connection code reads the sensor's block into.
    block_buffer& block() { return block_; }

    // The analysis (millimetres; rows and columns from 0).
    int frac_bits() const { return frac_bits_; }
    bool x_grows_with_column() const { return x_grows_; }
    double x_start() const { return x_start_; }
    double x_end() const { return x_end_; }
    double y_top_start() const { return y_top_start_; }
    double y_bottom_start() const { return y_bottom_start_; }
    double y_top() const { return y_top_; }
    double y_bottom() const { return y_bottom_; }
    int first_col() const { return first_col_; }
    int last_col() const { return last_col_; }
    int first_row() const { return first_row_; } // -1: no valid cell
    int last_row() const { return last_row_; }
    const std::array<double, bands>& band_x_min() const { return bx_min_; }
    const std::array<double, bands>& band_x_max() const { return bx_max_; }
    const std::array<double, bands>& band_y_min() const { return by_min_; }
    const std::array<double, bands>& band_y_max() const { return by_max_; }
    const std::array<int, bands>& band_row_first() const { return br_first_; }
    const std::array<int, bands>& band_row_last() const { return br_last_; }

private:
    void analyse();
    void scan_bands();
    void sharpen_edge(int band, double edge);
    void fill_empty_bands(int first_band, int last_band);
    double x(int r, int c) const
    {
        return x_[static_cast<std::size_t>(r) * cols + static_cast<std::size_t>(c)];
    }
    double y(int r, int c) const
    {
        return y_[static_cast<std::size_t>(r) * cols + static_cast<std::size_t>(c)];
    }

    std::vector<double> x_, y_; // rows x cols, row-major
    int frac_bits_ = 8;
    bool valid_ = false;
    bool x_grows_ = true;
    double x_start_ = 0, x_end_ = 0, y_top_start_ = 0, y_bottom_start_ = 0, y_top_ = 0, y_bottom_ = 0;
    int first_col_ = 0, last_col_ = 0, first_row_ = -1, last_row_ = -1;
    int first_band_ = -1; // first band with a valid cell, -1: none
    std::array<double, bands> bx_min_{}, bx_max_{}, by_min_{}, by_max_{};
    std::array<int, bands> br_first_{}, br_last_{};
    block_buffer block_{};
};

} // namespace orvex::k7
