// Fuzz target: the crawler's measurement log in a memory image and its live
// record.
//
// Input: any bytes, taken as the log of a memory image (header and records)
// that ends with them. Checked: no crash or undefined behaviour, no
// read past the image; a decoded log has exactly the header's count; every
// distance is -1 or within 0..5 mm, every KMRR value -100 or within its table.
#include "crawler/crawler_record.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace orvex::crawler;
    // A copy of exactly the input's size, so that ASan sees any read past it.
    const std::vector<std::uint8_t> log(data, data + size);
    std::vector<RawEntry> raw;
    std::vector<PhysEntry> phys;
    const LogHeader h = read_log_header_at(log.data(), log.size());
    const bool ok = decode_log_at(log.data(), log.size(), raw, phys);
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
