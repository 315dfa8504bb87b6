#include "xfn/xfn_board.h"

#include "link/sensor_commands.h"

#include <algorithm>

namespace orvex::xfn {

std::string board_name(std::uint8_t code)
{
    switch (code) {
    case board_type::outputs:
        return "Дискретные выходы";
    case board_type::elis:
        return "ELIS";
    case board_type::stepper:
        return "Шаговый двигатель";
    case board_type::led:
        return "Светодиоды";
    case board_type::motors:
        return "Двигатели, энкодеры";
    case board_type::tube:
        return "Трубный";
    case board_type::crawler:
        return "Кроулер";
    case board_type::thermo:
        return "Термостат, энкодер";
    case board_type::welding:
        return "Сварочный";
    default:
        return std::string();
    }
}

bool is_board_opcode(std::uint8_t code)
{
    return (code >= 0x90 && code <= 0x93) || (code >= 0xA0 && code <= 0xAB);
}

bool xfn_board::command(std::uint8_t opcode, const std::vector<std::uint8_t>& payload, std::size_t reply_len,
                        std::vector<std::uint8_t>& reply)
{
    if (!is_board_opcode(opcode) || payload.size() >= 256 || reply_len >= 256)
        return false;
    std::vector<std::uint8_t> data(std::max(payload.size(), reply_len));
    std::copy(payload.begin(), payload.end(), data.begin());
    if (!c_.ext_transfer(opcode, data.empty() ? nullptr : data.data(), payload.size(), reply_len))
        return false;
    data.resize(reply_len);
    reply = std::move(data);
    return true;
}

bool xfn_board::command(std::uint8_t opcode, const std::vector<std::uint8_t>& payload)
{
    std::vector<std::uint8_t> none;
    return command(opcode, payload, 0, none);
}

bool xfn_board::read_params(param_area& out)
{
    param_area a{};
    if (!c_.ext_read_indexed(0, 255, a.data()))
        return false;
    out = a;
    return true;
}

bool xfn_board::write_params(const param_area& in)
{
    return c_.ext_write_indexed(0, 255, in.data());
}

bool xfn_board::read_flash_params(param_area& out)
{
    return c_.ext_read_block(out);
}

bool xfn_board::write_flash_params(const param_area& in)
{
    return c_.ext_write_block(in);
}

bool xfn_board::read_user_byte(std::uint8_t& value)
{
    return c_.read_extension_byte(value);
}

bool xfn_board::write_user_byte(std::uint8_t value)
{
    return c_.write_extension_byte(value);
}

} // namespace orvex::xfn
