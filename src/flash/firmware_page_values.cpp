#include "flash/firmware_page_values.h"

#include "link/sensor_info.h"

#include <cmath>

namespace orvex::k7 {

int job_progress::advance(const flash_status& status)
{
    if (status.finished) {
        finished_ = true;
        success_ = status.success;
    } else {
        ++reports_;
    }
    return percent();
}

int job_progress::percent() const
{
    if (finished_ && success_)
        return 100;
    if (steps_ == 0 || reports_ == 0)
        return 0;
    const std::size_t done = reports_ - 1 < steps_ ? reports_ - 1 : steps_;
    return static_cast<int>(done * 100 / steps_);
}

std::optional<int> serial_number(const std::string& raw)
{
    std::size_t end = raw.size();
    while (end > 0 && raw[end - 1] == '\0')
        --end;
    if (end == 0 || end > 5)
        return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < end; ++i) {
        if (raw[i] < '0' || raw[i] > '9')
            return std::nullopt;
        value = value * 10 + (raw[i] - '0');
    }
    return value;
}

std::string firmware_version_line(const sensor_info& info)
{
    return info.version.to_string() + "." + device_type_name(info.type);
}

std::string ident_outline_problem(const ident_fields& f)
{
    if (f.frac_bits < 0 || f.frac_bits > 16)
        return "Число дробных бит должно быть от 0 до 16";
    struct item {
        const char* name;
        double value;
        bool is_signed;
    };
    const item items[] = {{"X начало", f.x_start, false},           {"X конец", f.x_end, false},
                          {"Y начало низ", f.y_start_bottom, true}, {"Y начало верх", f.y_start_top, true},
                          {"Y конец низ", f.y_end_bottom, true},    {"Y конец верх", f.y_end_top, true}};
    for (const item& it : items) {
        const double stored = std::trunc(std::ldexp(it.value, f.frac_bits));
        const double lo = it.is_signed ? -32768.0 : 0.0;
        const double hi = it.is_signed ? 32767.0 : 65535.0;
        if (!std::isfinite(stored) || stored < lo || stored > hi)
            return std::string("Значение диапазона ") + it.name + " не помещается в 16 бит при " +
                   std::to_string(f.frac_bits) + " дробных битах";
    }
    return {};
}

} // namespace orvex::k7
