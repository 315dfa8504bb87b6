// Fuzz target: the calibration table text parser and the range block decoder.
//
// Input: any bytes. Taken whole as a range block (a decoded block must carry
// the header and give finite values), and split at its first zero byte into
// an X and a Y table text for a small table (columns from the first byte).
// Checked: no crash or undefined behaviour; a parsed table yields an image of
// the expected size whose read-back rows have the file shape.
#include "profiles/calibration_range.h"
#include "profiles/calibration_tables.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace orvex::k7;

    decoded_range range;
    range.x_start = 123.0;
    if (decode_range_block(data, size, range)) {
        if (size < range_block_bytes || std::memcmp(data, "calibr_v_1", 10) != 0 || !range.known)
            std::abort();
        if (!std::isfinite(range.x_start) || !std::isfinite(range.y_bottom) || range.first_row > 65535)
            std::abort();
    } else if (range.known || range.x_start != 123.0) {
        std::abort();
    }

    if (size == 0)
        return 0;
    const auto* text = reinterpret_cast<const char*>(data + 1);
    const std::size_t text_size = size - 1;
    const char* split = static_cast<const char*>(std::memchr(text, 0, text_size));
    const std::size_t x_len = split != nullptr ? static_cast<std::size_t>(split - text) : text_size;
    const std::string x(text, x_len);
    const std::string y = split != nullptr ? std::string(split + 1, text_size - x_len - 1) : x;

    table_geometry g;
    g.rows = 2;
    g.cols = 1 + data[0] % 8;
    g.image_bytes = 2 * table_row_bytes;
    try {
        const auto image = build_table_image(x, y, g, data[0] % 17);
        if (image.size() != g.image_bytes)
            std::abort();
        std::string rx, ry;
        append_readback_row(image.data(), g.cols, data[0] % 17, rx, ry);
        if (rx.size() < 10 * static_cast<std::size_t>(g.cols) + 4 ||
            rx.compare(rx.size() - 4, 4, "eol\n") != 0)
            std::abort();
    } catch (const table_error&) {
    }
    return 0;
}
