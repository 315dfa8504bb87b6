#include "sensor_model.h"

#include "link/byte_order.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace orvex::sim {
namespace {

constexpr char magic[4] = {'K', '7', 'D', '!'};

// The unique id of the flash chip follows from the serial, so that it is
// stable across runs and differs between devices.
std::uint64_t unique_id_for(const std::string& serial)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : "K7D-" + serial) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

std::uint16_t fixed16(double v, int p)
{
    const auto scaled = static_cast<long>(std::trunc(std::ldexp(v, p)));
    return static_cast<std::uint16_t>(static_cast<unsigned long>(scaled) & 0xFFFFu);
}

} // namespace

sensor_model::sensor_model(sensor_config cfg)
    : cfg_(std::move(cfg)),
      address_(cfg_.address_value),
      flash_(unique_id_for(cfg_.serial)),
      extended_access_(!cfg_.has_key),
      head_(scene(cfg_.scene, optics{cfg_.outline.x1, cfg_.outline.x2, cfg_.outline.y1_low,
                                     cfg_.outline.y1_high, cfg_.outline.y2_low, cfg_.outline.y2_high}),
            cfg_.profile_rate, cfg_.frame_rate, cfg_.lines_per_ms)
{
    const auto record = identification_record(cfg_);
    flash_.write_raw(ident_record_addr, record.data(), record.size());
    settings_stored_ = default_settings(cfg_);
    settings_memory_ = settings_stored_;
    reset_registers();
    install_general_handlers();
    install_flash_handlers();
    install_diag_handlers();
    install_scene_handlers();
    install_board_handlers();
    install_crawler_handlers();
    head_.set_line_noise(cfg_.noise, cfg_.address_value);
}

std::array<std::uint8_t, settings_size> sensor_model::default_settings(const sensor_config& cfg)
{
    std::array<std::uint8_t, settings_size> s{};
    const std::uint8_t mac[6] = {0x02,
                                 0x4B,
                                 0x37,
                                 std::uint8_t(cfg.address_value >> 16),
                                 std::uint8_t(cfg.address_value >> 8),
                                 std::uint8_t(cfg.address_value)};
    std::memcpy(s.data(), mac, 6);
    bytes::put_be32(&s[6], cfg.address_value);
    s[32] = 0x01;                  // laser on
    s[33] = 200;                   // brightness
    s[34] = 1;                     // internal timer
    bytes::put_be24(&s[37], 1000); // period, us
    bytes::put_be16(&s[40], 500);  // first exposure, us
    s[44] = 15;                    // reset level (dual exposure off)
    s[47] = 0x80;                  // black level 0, regulation on
    s[48] = 1;                     // gain 1.00
    const bool python = cfg.family == image_family::python;
    s[53] = python ? 79 : 159;                    // last column / 8 - 1
    bytes::put_be16(&s[56], python ? 511 : 1023); // last row - 1
    s[66] = 1;                                    // restart on errors
    s[82] = 32;                                   // edges threshold
    s[83] = 4;                                    // next-maximum coefficient 1
    s[84] = s[85] = s[86] = 4;                    // peak distances
    s[87] = s[88] = s[89] = 20;                   // peak thresholds
    s[100] = 5;                                   // detached-point window
    s[101] = 2;                                   // detached-point neighbours
    bytes::put_be16(&s[102], 64);                 // detached-point distance, 2 mm
    bytes::put_be16(&s[222], 32767);              // convolution: identity (coefficient 0 = 1.0)
    return s;
}

std::array<std::uint8_t, 256> sensor_model::identification_record(const sensor_config& cfg)
{
    std::array<std::uint8_t, 256> r;
    r.fill(0xFF);
    std::memcpy(&r[0], magic, 4);
    std::fill(&r[4], &r[104], 0);
    std::memcpy(&r[4], cfg.ident.data(), std::min<std::size_t>(cfg.ident.size(), 99));
    std::fill(&r[104], &r[109], 0);
    std::memcpy(&r[104], cfg.serial.data(), std::min<std::size_t>(cfg.serial.size(), 5));
    r[109] = static_cast<std::uint8_t>(cfg.shift);
    const auto& o = cfg.outline;
    const double v[6] = {o.x1, o.x2, o.y1_low, o.y1_high, o.y2_low, o.y2_high};
    for (int i = 0; i < 6; ++i)
        bytes::put_be16(&r[110 + 2 * i], fixed16(v[i], cfg.shift));
    std::memcpy(&r[122], magic, 4);
    return r;
}

void sensor_model::reset_registers()
{
    registers_.fill(0);
    registers_[0] = static_cast<std::uint16_t>(0x4B00 | static_cast<unsigned>(cfg_.family)); // chip id
    registers_[194] = 0x0020; // integration control: bit 5 always set
}

bool sensor_model::admit()
{
    if (!answering_ || budget_ == 0)
        return false;
    if (budget_ > 0)
        --budget_;
    return true;
}

void sensor_model::append_log(const request& rq)
{
    log_.emplace_back(rq.data, rq.data + rq.size);
    log_bytes_ += rq.size;
    while (log_.size() > request_log_limit || log_bytes_ > request_log_byte_limit) {
        log_bytes_ -= log_.front().size();
        log_.pop_front();
    }
}

void sensor_model::record(const request& rq)
{
    std::lock_guard<std::mutex> lock(mutex_);
    append_log(rq);
}

reply_list sensor_model::serve(const request& rq)
{
    std::lock_guard<std::mutex> lock(mutex_);
    append_log(rq);
    reply_list out;
    if (admit())
        dispatch(rq, out);
    return out;
}

reply_list sensor_model::serve_search(const request& rq)
{
    std::lock_guard<std::mutex> lock(mutex_);
    reply_list out;
    if (rq.size == 0 || (rq.code() != 0xF3 && rq.code() != 0xF4))
        return out;
    append_log(rq);
    if (admit())
        out.push_back(description(rq.code()));
    return out;
}

datagram sensor_model::description(std::uint8_t echo) const
{
    datagram d(257, 0);
    d[0] = echo;
    std::uint8_t* p = &d[1];
    bytes::put_be32(&p[6], address_);
    p[10] = static_cast<std::uint8_t>(cfg_.family);
    p[12] = static_cast<std::uint8_t>(cfg_.kind);
    p[13] = cfg_.board;
    std::memcpy(&p[16], cfg_.fw.data(), cfg_.fw.size());
    if (cfg_.fw.size() == 2)
        p[18] = '-';
    p[19] = p[20] = ' '; // the version field's last two characters are free: keep them printable
    std::memcpy(&p[21], cfg_.type.data(), 3);
    flash_.read(ident_record_addr, &p[32], 126);
    return d;
}

std::string sensor_model::serial() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::uint8_t s[5];
    flash_.read(ident_record_addr + 104, s, 5);
    return std::string(reinterpret_cast<const char*>(s), 5);
}

void sensor_model::install_general_handlers()
{
    for (std::uint8_t code : {std::uint8_t(0xF3), std::uint8_t(0xF4)})
        on(code, [this](const request& rq, reply_list& out) { out.push_back(description(rq.code())); });

    // Settings: 0x80 returns 255 payload bytes (256 with the echo), 0x81
    // writes them; 0x83/0x84 read and write the 256-byte stored copy.
    on(0x80, [this](const request& rq, reply_list& out) {
        if (rq.size < 3 || rq.at(1) != 0x00 || rq.at(2) != 0xFF)
            return;
        datagram d(256);
        d[0] = 0x80;
        std::copy_n(settings_memory_.begin(), 255, d.begin() + 1);
        out.push_back(std::move(d));
    });
    on(0x81, [this](const request& rq, reply_list& out) {
        if (rq.size < 258 || rq.at(1) != 0x00 || rq.at(2) != 0xFF)
            return;
        std::copy_n(rq.data + 3, 255, settings_memory_.begin());
        head_.settings_changed();
        out.push_back({0x81});
    });
    on(0x83, [this](const request&, reply_list& out) {
        datagram d(257);
        d[0] = 0x83;
        std::copy(settings_stored_.begin(), settings_stored_.end(), d.begin() + 1);
        out.push_back(std::move(d));
    });
    on(0x84, [this](const request& rq, reply_list& out) {
        if (rq.size < 257)
            return;
        std::copy_n(rq.data + 1, 256, settings_stored_.begin());
        out.push_back({0x84});
    });

    // Operating mode: 0x86 "QZ3P" mode "END", no reply.
    on(0x86, [this](const request& rq, reply_list&) {
        if (rq.size < 9 || std::memcmp(rq.data + 1, "QZ3P", 4) != 0 ||
            std::memcmp(rq.data + 6, "END", 3) != 0)
            return;
        mode_ = rq.at(5);
    });

    on(0xF9, [this](const request&, reply_list& out) {
        ++time_resets_;
        time_shift_ = 0;
        head_.reset_time();
        out.push_back({0xF9});
    });
    on(0xFD, [this](const request& rq, reply_list& out) {
        if (rq.size < 5)
            return;
        time_shift_ = bytes::get_be32(rq.data + 1);
        out.push_back({0xFD});
    });
    on(0x27, [this](const request& rq, reply_list& out) {
        if (rq.size < 3)
            return;
        background_ = bytes::get_be16(rq.data + 1);
        head_.store_background(background_);
        out.push_back({0x27});
    });
    on(0xEB, [](const request&, reply_list&) {}); // bit-slip training: nothing to answer

    // Extension byte and the generic extension pass-through forms whose reply
    // length follows from the request.
    on(0x12, [this](const request&, reply_list& out) { out.push_back({0x12, ext_byte_}); });
    on(0x13, [this](const request& rq, reply_list& out) {
        if (rq.size < 2)
            return;
        ext_byte_ = rq.at(1);
        out.push_back({0x13});
    });
    on(0x8C, [this](const request&, reply_list& out) {
        datagram d(257);
        d[0] = 0x8C;
        std::copy(ext_block_.begin(), ext_block_.end(), d.begin() + 1);
        out.push_back(std::move(d));
    });
    on(0x8D, [this](const request& rq, reply_list& out) {
        if (rq.size < 257)
            return;
        std::copy_n(rq.data + 1, 256, ext_block_.begin());
        out.push_back({0x8D});
    });
    on(0x8A, [this](const request& rq, reply_list& out) {
        if (rq.size < 3)
            return;
        const auto it = ext_indexed_.find(rq.at(1));
        const std::size_t n = rq.at(2);
        datagram d(n + 1, 0);
        d[0] = 0x8A;
        if (it != ext_indexed_.end())
            std::copy_n(it->second.begin(), n, d.begin() + 1);
        out.push_back(std::move(d));
    });
    on(0x8B, [this](const request& rq, reply_list& out) {
        if (rq.size < 3 || rq.size < 3u + rq.at(2))
            return;
        auto& block = ext_indexed_[rq.at(1)];
        std::copy_n(rq.data + 3, rq.at(2), block.begin());
        out.push_back({0x8B});
    });
}

} // namespace orvex::sim
