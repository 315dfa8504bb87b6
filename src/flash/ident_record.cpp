#include "flash/ident_record.h"

#include "link/byte_order.h"
#include "link/flash_commands.h"
#include "profiles/fixed_point.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace orvex::k7 {

ident_page encode_ident_record(const ident_fields& f)
{
    if (f.frac_bits < 0 || f.frac_bits > 16)
        throw std::invalid_argument("fractional bits must be 0..16");
    ident_page r;
    r.fill(0xFF);
    std::memcpy(&r[0], "K7D!", 4);
    std::fill(r.begin() + 4, r.begin() + 109, std::uint8_t{0});
    std::memcpy(&r[4], f.text.data(), std::min<std::size_t>(f.text.size(), 99));
    std::memcpy(&r[104], f.serial.data(), std::min<std::size_t>(f.serial.size(), 5));
    r[109] = static_cast<std::uint8_t>(f.frac_bits);
    const double values[6] = {f.x_start,     f.x_end,        f.y_start_bottom,
                              f.y_start_top, f.y_end_bottom, f.y_end_top};
    for (int i = 0; i < 6; ++i)
        bytes::put_be16(&r[110 + 2 * i], fixed::trunc_word(values[i], f.frac_bits));
    std::memcpy(&r[122], "K7D!", 4);
    return r;
}

ident_write_result write_ident_record(flash_commands& flash, const ident_page& record)
{
    ident_write_result result;
    flash.set_operating_mode(flash_commands::mode_flash_work);
    result.erased = flash.erase_sector(ident_record_address);
    if (result.erased) {
        flash_commands::page page;
        std::copy(record.begin(), record.end(), page.begin());
        result.written = flash.write_page(ident_record_address, page);
    }
    flash.set_operating_mode(flash_commands::mode_measuring);
    return result;
}

} // namespace orvex::k7
