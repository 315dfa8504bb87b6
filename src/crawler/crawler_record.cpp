#include "crawler/crawler_record.h"

#include "link/byte_order.h"

namespace orvex::crawler {

const KmrrTable& kmrr_table_1()
{
    // Point 4 was measured at 6.044 mm, not 6.
    static const KmrrTable t = {{{9, 14999},
                                 {8, 17854},
                                 {7, 20544},
                                 {6.044, 23496},
                                 {5, 26272},
                                 {4, 29167},
                                 {3, 32086},
                                 {2, 34938},
                                 {1, 37906},
                                 {0, 40724},
                                 {-1, 43641},
                                 {-2, 46532},
                                 {-3, 49385},
                                 {-4, 52245}}};
    return t;
}

const KmrrTable& kmrr_table_2()
{
    static const KmrrTable t = {{{-9, 16656},
                                 {-8, 19280},
                                 {-7, 22035},
                                 {-6, 24823},
                                 {-5, 27656},
                                 {-4, 30545},
                                 {-3, 33445},
                                 {-2, 36324},
                                 {-1, 39293},
                                 {0, 42177},
                                 {1, 45082},
                                 {2, 47989},
                                 {3, 50916},
                                 {4, 53835}}};
    return t;
}

double kmrr_convert(const KmrrTable& table, double raw)
{
    for (std::size_t i = 0; i + 1 < table.size(); ++i) {
        const KmrrPoint& lower = table[i];
        const KmrrPoint& upper = table[i + 1];
        if (upper.raw < raw)
            continue;
        if (raw < lower.raw || upper.raw == lower.raw)
            return kmrr_outside;
        return lower.value + (raw - lower.raw) * (upper.value - lower.value) / (upper.raw - lower.raw);
    }
    return kmrr_outside;
}

std::array<std::uint16_t, 2> decode_block(const std::uint8_t* block)
{
    std::array<std::uint16_t, 2> v{reading_absent, reading_absent};
    if (block[0] != 0x10)
        return v;
    for (int k = 0; k < 2; ++k) {
        unsigned n = 0;
        for (int i = 0; i < 5; ++i) {
            const std::uint8_t c = block[5 + 5 * k + i];
            if (c < '0' || c > '9') {
                n = reading_absent;
                break;
            }
            n = n * 10 + unsigned(c - '0');
        }
        // 65535 cannot come from a sensor; a larger five-digit figure is out
        // of range anyway, so it is kept out of range instead of wrapping.
        v[std::size_t(k)] = static_cast<std::uint16_t>(n > 0xFFFF ? 0xFFFF : n);
    }
    return v;
}

RawEntry decode_raw(const std::uint8_t* record)
{
    RawEntry r;
    for (int b = 0; b < 3; ++b) {
        const auto v = decode_block(record + 16 * b);
        r.sensor[std::size_t(2 * b)] = v[0];
        r.sensor[std::size_t(2 * b + 1)] = v[1];
    }
    r.enc_1 = static_cast<std::int32_t>(bytes::get_be32(record + 48));
    r.enc_2 = static_cast<std::int32_t>(bytes::get_be32(record + 52));
    return r;
}

PhysEntry physical(const RawEntry& raw)
{
    PhysEntry p;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::uint16_t v = raw.sensor[i];
        p.present[i] = v != reading_absent;
        p.in_range[i] = v <= distance_full_scale;
        p.distance[i] = p.in_range[i] ? v * distance_range_mm / distance_full_scale : -1.0;
    }
    if (p.in_range[0] && p.in_range[1])
        p.diam_1 = p.distance[0] + p.distance[1] + diameter_base_mm;
    if (p.in_range[2] && p.in_range[3])
        p.diam_2 = p.distance[2] + p.distance[3] + diameter_base_mm;
    p.enc_1 = raw.enc_1 * encoder_1_coef;
    p.enc_2 = raw.enc_2 * encoder_2_coef;
    p.kmrr_1 = kmrr_convert(kmrr_table_1(), raw.sensor[4]);
    p.kmrr_2 = kmrr_convert(kmrr_table_2(), raw.sensor[5]);
    p.decoded = std::chrono::steady_clock::now();
    return p;
}

LogHeader read_log_header_at(const std::uint8_t* log, std::size_t size)
{
    LogHeader h;
    if (size < record_size)
        return h;
    h.count = bytes::get_be32(log) >> 4;
    h.counter_a = log[4];
    h.counter_b = log[5];
    // The difference is taken as a signed figure: a second counter behind
    // the first is no excess.
    const int difference = int(h.counter_b) - int(h.counter_a);
    h.valid = h.count <= max_record_count && difference <= int(max_counter_difference) &&
              record_size * (std::uint64_t(h.count) + 1) <= size;
    return h;
}

bool decode_log_at(const std::uint8_t* log, std::size_t size, std::vector<RawEntry>& raw,
                   std::vector<PhysEntry>& phys)
{
    raw.clear();
    phys.clear();
    const LogHeader h = read_log_header_at(log, size);
    if (!h.valid)
        return false;
    raw.resize(h.count);
    phys.resize(h.count);
    for (std::uint32_t i = 1; i <= h.count; ++i) {
        raw[i - 1] = decode_raw(log + record_size * i);
        phys[i - 1] = physical(raw[i - 1]);
    }
    return true;
}

LogHeader read_log_header(const std::uint8_t* memory, std::size_t size)
{
    return size < log_offset ? LogHeader{} : read_log_header_at(memory + log_offset, size - log_offset);
}

bool decode_log(const std::uint8_t* memory, std::size_t size, std::vector<RawEntry>& raw,
                std::vector<PhysEntry>& phys)
{
    if (size < log_offset) {
        raw.clear();
        phys.clear();
        return false;
    }
    return decode_log_at(memory + log_offset, size - log_offset, raw, phys);
}

} // namespace orvex::crawler
