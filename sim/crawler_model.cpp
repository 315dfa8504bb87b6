#include "crawler_model.h"

#include "link/byte_order.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orvex::sim {
namespace {

constexpr std::size_t side = 1024;
constexpr std::size_t line_datagram = 1284;
constexpr unsigned lines_per_request = 120;

// A sensor block: 0x10, four spare bytes, two readings of five ASCII digits.
void put_block(std::uint8_t* b, unsigned v1, unsigned v2)
{
    b[0] = 0x10;
    char text[11];
    std::snprintf(text, sizeof text, "%05u%05u", v1 % 100000, v2 % 100000);
    std::copy_n(text, 10, b + 5);
}

} // namespace

crawler_model::crawler_model(crawler_config cfg, clock::time_point start)
    : cfg_(cfg),
      memory_(memory_size),
      moved_at_(start)
{
    cfg_.records = std::min(cfg_.records, max_records);
    // Frames: a wave pattern sliding along the rows, different in every
    // frame; rows are copied from one pattern so that 64 MiB fill quickly.
    std::array<std::uint8_t, 2 * side> wave{};
    for (std::size_t i = 0; i < wave.size(); ++i)
        wave[i] = std::uint8_t(128 + 100 * std::sin(double(i) * 6.283185307179586 / 256.0) + (i >> 7));
    for (std::size_t k = 0; k < memory_size / (side * side); ++k) {
        std::uint8_t* f = memory_.data() + k * side * side;
        for (std::size_t y = 0; y < side; ++y)
            std::copy_n(wave.data() + ((y * 3 + k * 29) % side), side, f + y * side);
        f[0] = std::uint8_t(k); // first pixel: the frame's number
    }
    std::uint8_t* log = memory_.data() + log_offset;
    std::fill_n(log, 64, 0);
    bytes::put_be32(log, cfg_.records << 4);
    log[4] = 3;
    log[5] = 10;
    for (unsigned i = 1; i <= cfg_.records; ++i) {
        const auto r = record(i);
        std::copy(r.begin(), r.end(), log + 64 * std::size_t(i));
    }
}

std::array<std::uint8_t, 64> crawler_model::record(unsigned i)
{
    std::array<std::uint8_t, 64> r{};
    // Distances wander through the range and beyond it; every 50th record has
    // no reading from sensor 2; the KMRR readings sweep their tables.
    put_block(&r[0], 20000 + (i * 37) % 31000, 25000 + (i * 53) % 20000);
    if (i % 50 != 0)
        put_block(&r[16], 10000 + (i * 11) % 40000, 30000 + (i * 7) % 20000);
    put_block(&r[32], 15000 + (i * 97) % 37000, 17000 + (i * 89) % 36000);
    bytes::put_be32(&r[48], i * 10);
    bytes::put_be32(&r[52], std::uint32_t(-std::int32_t(i * 40)));
    for (int k = 56; k < 64; ++k)
        r[std::size_t(k)] = std::uint8_t(i + k);
    return r;
}

void crawler_model::advance(clock::time_point now)
{
    position_mm_ += speed_mm_s_ * std::chrono::duration<double>(now - moved_at_).count();
    moved_at_ = now;
}

std::array<std::uint8_t, 57> crawler_model::live_reply(clock::time_point now)
{
    advance(now);
    std::array<std::uint8_t, 57> d{};
    d[0] = 0xA9;
    std::uint8_t* r = &d[1];
    const double along = position_mm_;
    const double travelled = along - encoder_origin_mm_;
    // The pipe's wall comes closer and goes away as the crawler drives, and
    // trembles a little while it stands.
    const double t = std::chrono::duration<double>(now.time_since_epoch()).count();
    const unsigned wall = unsigned(25000 + 20000 * std::sin(along / 50.0) + 150 * std::sin(t * 7.0));
    put_block(&r[0], wall, 50000 - wall);
    put_block(&r[16], 50000 - wall, wall);
    put_block(&r[32], unsigned(40724 + 2900 * std::sin(along / 30.0)), 42177);
    bytes::put_be32(&r[48], std::uint32_t(std::int32_t(std::lround(travelled / 0.1))));
    bytes::put_be32(&r[52], std::uint32_t(std::int32_t(std::lround(travelled / -0.025))));
    return d;
}

bool crawler_model::serve(const request& rq, clock::time_point now, reply_list& out)
{
    switch (rq.code()) {
    case 0xA4:
        out.push_back({0xA4, std::uint8_t(busy(now) ? 1 : 0)});
        return true;
    case 0xA6:
        if (rq.size < 2)
            return true;
        busy_until_ =
            now + std::chrono::seconds(rq.at(1)) +
            std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(cfg_.measure_s));
        out.push_back({0xA6});
        return true;
    case 0xA8:
        advance(now);
        encoder_origin_mm_ = position_mm_;
        out.push_back({0xA8});
        return true;
    case 0xA9: {
        if (rq.size < 8)
            return true;
        advance(now);
        const bool on1 = rq.at(2) != 0;
        const double pulse1 = bytes::get_be16(rq.data + 3);
        speed_mm_s_ = on1 && pulse1 > 0 ? (pulse1 - 1500.0) / 100.0 : 0.0;
        const auto d = live_reply(now);
        out.emplace_back(d.begin(), d.end());
        return true;
    }
    case 0x2F: {
        if (rq.size < 3)
            return true;
        const unsigned frame = rq.at(1);
        if (frame >= memory_size / (side * side))
            return true;
        const std::size_t n = std::min<std::size_t>((rq.size - 3) / 2, lines_per_request);
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned line = bytes::get_be16(rq.data + 3 + 2 * i);
            if (line >= side)
                continue;
            datagram d(line_datagram, 0);
            d[0] = 0x2F;
            d[1] = std::uint8_t(frame);
            bytes::put_be16(&d[2], std::uint16_t(line));
            const std::uint8_t* src = memory_.data() + frame * side * side + line * side;
            std::copy_n(src, side, d.begin() + 4);
            std::fill(d.begin() + 4 + side, d.end(), std::uint8_t(0xEE));
            out.push_back(std::move(d));
        }
        return true;
    }
    default:
        return false;
    }
}

} // namespace orvex::sim
