// Fuzz target: the sensor description decoder and the search list's row text.
//
// Input: any bytes, taken as a search reply payload (too short ones must be
// refused; they are then decoded zero-padded). Checked: no crash or undefined behaviour; a decoded record
// gives a row that is valid UTF-8 whatever bytes the device sent; a damaged record leaves the fields it does
// not own as they were.
#include "link/sensor_info.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool valid_utf8(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 0x2)
                return false;
        i += n;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace orvex::k7;
    sensor_info refused;
    if (decode_description(data, size, refused) != (size >= description_size))
        std::abort();

    // Short inputs are zero-padded to a whole description, so that every run
    // exercises the field decoding, not only the length check.
    std::vector<std::uint8_t> padded(data, data + size);
    if (padded.size() < description_size)
        padded.resize(description_size, 0);
    sensor_info info;
    if (!decode_description(padded.data(), padded.size(), info))
        std::abort();

    const std::string row = list_row_text(info);
    if (!valid_utf8(row) || row.find(info.address_text) != 0)
        std::abort();
    if (!(info.scale > 0.0) || !std::isfinite(info.scale))
        std::abort();
    if (info.ident_valid && info.serial.size() != 5)
        std::abort();
    if (info.outline().size() != 5)
        std::abort();

    // Decoding over a record that already holds a valid identification.
    sensor_info reused = info;
    reused.serial = "Z9999";
    decode_description(padded.data(), padded.size(), reused);
    if (!info.ident_valid && reused.serial != "Z9999")
        std::abort();
    return 0;
}
