// Fuzz target: the motor board's state replies and the X calibration record
// file.
//
// Input: any bytes. Parsed as a short and as an extended state reply (a
// parsed reply must have had its exact length and code, and every position
// must be its counter over the coefficient), and read as a record file.
// Checked: no crash or undefined behaviour; a built table has 1024 rows of
// 1280 cells, each 65535 or finite.
#include "calibr/ext_board_data.h"
#include "calibr/x_table.h"

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace orvex::k7;
    ExtBoardCoefficients c;
    c.encoder[2] = -5000.0;
    ExtBoardData s;
    if (parse_state_reply(data, size, c, s) && (size != 30 || data[0] != 0xA0))
        std::abort();
    if (parse_extended_reply(data, size, c, {true, false, true}, s)) {
        if (size != 48 || data[0] != 0xAF)
            std::abort();
        for (std::size_t i = 0; i < 3; ++i)
            if (s.motor_position[i] != s.motor_counter[i] / c.motor[i] ||
                s.mark_position[i] != s.mark_counter[i] / c.encoder[i])
                std::abort();
    }

    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const auto t = orvex::calibr::build_x_table(in);
    if (t.ok) {
        if (t.cells.size() != 1024u * 1280u)
            std::abort();
        for (double v : t.cells)
            if (v != orvex::calibr::x_table_empty && !std::isfinite(v))
                std::abort();
    }
    return 0;
}
