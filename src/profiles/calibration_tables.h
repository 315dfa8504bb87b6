// Calibration tables in text files and in the sensor's flash.
//
// A table holds one value per image pixel (row, column) in millimetres; X and
// Y come as two text files (TableX.txt, TableY.txt) with one line per row:
// the row's values separated by white space, then the token "eol". Readers go
// token by token, so line breaks are only separators. 65535 is the no-value
// marker.
//
// In flash the pair is one image from 0x800000: 8192 bytes per row, cell c at
// 4c holding the X word (unsigned) and the Y word (signed), big-endian, with
// N fractional bits, rounded. The read-back files R_TableX.txt / R_TableY.txt
// carry each value left-aligned in 10 characters with 3 decimals (2 from
// N = 13 on, where 3 would not fit), each row closed by "eol".
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::k7 {

constexpr std::uint32_t table_address = 0x800000;
constexpr std::size_t table_row_bytes = 8192; // room for 2048 cells
constexpr int table_readback_rows = 1024;     // read back always, also for the point sensor

/// Rows, columns and flash image length for a device type.
struct table_geometry {
    int rows = 1024;
    int cols = 1280;
    std::size_t image_bytes = 0x800000;
};
table_geometry table_geometry_for(std::int32_t device_type);

/// A table file that does not have the expected shape; what() is the message
/// for the user.
struct table_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// Token-by-token reader of one table text (not copied: the text must
/// outlive the reader).
class table_reader {
public:
    enum class result { ok, missing_eol, bad_number };

    explicit table_reader(std::string_view text) : text_(text) {}

    /// Reads `cols` numbers into `out` and then the "eol" token. missing_eol
    /// when a value or the marker is missing (a short row reads "eol" where a
    /// number belongs, a long one a number where "eol" belongs, a truncated
    /// file ends); bad_number for any other token that is not a finite
    /// decimal number (then `bad_column` is its column).
    result read_row(std::size_t cols, double* out, std::size_t& bad_column);

private:
    bool next(std::string_view& token);
    std::string_view text_;
    std::size_t pos_ = 0;
};

/// Parses a whole token as a finite decimal number ('+' allowed, C locale).
bool parse_table_number(std::string_view token, double& value);

/// Builds the flash image of a table pair for `g` with `frac_bits` fractional
/// bits: 0xFF everywhere but the cells. A cell whose X is the marker (above
/// 65534.5) gets two 0xFFFF words, a Y marker alone a 0xFFFF Y word; other
/// values are rounded, and a value whose word would be the marker 0xFFFF
/// takes the nearest other word. Throws table_error "Не найден маркер конца
/// строки", the bad-number message, or the out-of-range message for a value
/// whose rounded word does not fit (see fixed_word_fits).
std::vector<std::uint8_t> build_table_image(const std::string& x_text, const std::string& y_text,
                                            const table_geometry& g, int frac_bits);

/// Message for a token that is not a number (row and column from 0).
std::string bad_number_message(const char* file, std::size_t row, std::size_t column);

/// Whether `value` mm fits its 16-bit word with `frac_bits` fractional bits
/// once scaled and rounded (`truncate`: cut toward zero, as the range block
/// does): X unsigned 0..65535, Y signed -32768..32767. A value that does not
/// fit would otherwise keep only its low 16 bits and come back as a
/// different, plausible coordinate.
bool fixed_word_fits(double value, int frac_bits, bool is_x, bool truncate = false);

/// Message for a value that does not fit its word (row and column from 0),
/// with the range the word holds.
std::string out_of_range_message(const char* file, std::size_t row, std::size_t column, double value,
                                 int frac_bits, bool is_x);

/// Decimals of the read-back files: 3 below 13 fractional bits, else 2.
int readback_decimals(int frac_bits);

/// Reads a table file whole into `out`; false when it cannot be opened or read.
bool read_table_file(const std::filesystem::path& p, std::string& out);

/// Appends one row of the read-back files from an 8192-byte flash row:
/// `cols` values each, "eol" and a line end.
void append_readback_row(const std::uint8_t* row, int cols, int frac_bits, std::string& x_out,
                         std::string& y_out);

} // namespace orvex::k7
