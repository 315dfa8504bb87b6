// Fuzz target: the crawler's measurement log in a memory image and its live
// record.
//
// Input: any bytes, placed at the log's offset of a memory image that ends
// with them (so header and records come from the input and the image is as
// short as the input allows). Checked: no crash or undefined behaviour, no
// read past the image; a decoded log has exactly the header's count; every
// distance is -1 or within 0..5 mm, every KMRR value -100 or within its table.
#include "crawler/crawler_record.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace orvex::crawler;
    std::vector<std::uint8_t> image(log_offset + size);
    if (size > 0)
        std::memcpy(image.data() + log_offset, data, size);
    std::vector<RawEntry> raw;
    std::vector<PhysEntry> phys;
    const LogHeader h = read_log_header(image.data(), image.size());
    const bool ok = decode_log(image.data(), image.size(), raw, phys);
    if (ok != h.valid || (ok && (phys.size() != h.count || raw.size() != h.count)) || (!ok && !phys.empty()))
        std::abort();
    for (const PhysEntry& p : phys) {
        for (double d : p.distance)
            if (d != -1.0 && !(d >= 0.0 && d <= 5.0))
                std::abort();
        if (p.kmrr_1 != kmrr_outside && !(p.kmrr_1 >= -4.0 && p.kmrr_1 <= 9.0))
            std::abort();
        if (p.kmrr_2 != kmrr_outside && !(p.kmrr_2 >= -9.0 && p.kmrr_2 <= 4.0))
            std::abort();
    }
    if (size >= live_record_size)
        (void)physical(decode_raw(data));
    return 0;
}
