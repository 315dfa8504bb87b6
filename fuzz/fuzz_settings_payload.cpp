// Fuzz target: the settings payload decoder.
//
// Input: any bytes, taken as a payload of any length (a sensor may send a
// short or long reply). Checked: no crash or undefined behaviour, and a
// decoded record survives encode/decode unchanged (decoding is a projection
// onto what travels).
#include "settings/qz3p_settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using orvex::k7::qz3p_settings;
    const auto s = qz3p_settings::decode(data, size);
    const auto p = s.encode();
    const auto again = qz3p_settings::decode(p.data(), p.size());
    if (again != s)
        std::abort();
    if (s.reset_level > 15 || s.period > 0xFFFFFF)
        std::abort();
    return 0;
}
