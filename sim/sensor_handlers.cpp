// Flash, register, power, latch, error-state and debug-record requests of the
// simulated sensor. Every handler runs with the model's mutex held.
#include "sensor_model.h"

#include "link/byte_order.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orvex::sim {
namespace {

// Self-describing debug record: four text lines of 64 characters; the first
// describes the 8-byte record returned by 0x02 (name#length, then
// field#high:low bit numbers of the big-endian value).
constexpr char debug_line0[] = "@STAT#8%frames#31:0%temp#39:32%power#40:40%mode#43:41%errs#63:48";
static_assert(sizeof(debug_line0) - 1 == 64, "descriptor lines are 64 characters");
constexpr std::size_t debug_record_size = 8;
constexpr std::uint8_t sensor_temperature = 41; // degrees Celsius

} // namespace

void sensor_model::install_flash_handlers()
{
    on(0x50, [](const request&, reply_list& out) { out.push_back({0x50, 0xEF, 0x17}); });
    on(0x56, [this](const request&, reply_list& out) {
        datagram d(9);
        d[0] = 0x56;
        bytes::put_be64(&d[1], flash_.unique_id());
        out.push_back(std::move(d));
    });
    // SPI pass-through: code, write length w, read length r (each at most 512),
    // w bytes; the reply carries the r bytes clocked in after them.
    on(0x55, [this](const request& rq, reply_list& out) {
        if (rq.size < 5)
            return;
        const std::size_t w = bytes::get_be16(rq.data + 1), r = bytes::get_be16(rq.data + 3);
        if (w > 512 || r > 512 || rq.size < 5 + w)
            return;
        const auto in = flash_.spi(rq.data + 5, w, r, extended_access_);
        datagram d(1 + r);
        d[0] = 0x55;
        std::copy(in.begin(), in.end(), d.begin() + 1);
        out.push_back(std::move(d));
    });
    // Erase sector: code, address bits 23..16, 0, 0.
    on(0x53, [this](const request& rq, reply_list& out) {
        if (rq.size < 4 || mode_ != 3)
            return;
        if (flash_.erase_sector(std::uint32_t(rq.at(1)) << 16)) {
            out.push_back({0x53});
            head_.flash_changed(std::uint32_t(rq.at(1)) << 16, nor_flash::sector_size);
        }
    });
    // Read page: code, address bits 23..16, 15..8, 0; reply echo, 256 bytes, 1 unused byte.
    on(0x51, [this](const request& rq, reply_list& out) {
        if (rq.size < 4)
            return;
        datagram d(258, 0);
        d[0] = 0x51;
        flash_.read((std::uint32_t(rq.at(1)) << 16) | (std::uint32_t(rq.at(2)) << 8), &d[1], 256);
        if (corrupt_byte_ >= 0) {
            d[1 + corrupt_byte_] ^= 0x01;
            corrupt_byte_ = -1;
        }
        out.push_back(std::move(d));
    });
    // Write page: code, address bits 23..16, 15..8, 0, 256 data bytes.
    on(0x52, [this](const request& rq, reply_list& out) {
        if (rq.size < 260 || mode_ != 3)
            return;
        const std::uint32_t page = (std::uint32_t(rq.at(1)) << 16) | (std::uint32_t(rq.at(2)) << 8);
        if (flash_.program_page(page, rq.data + 4)) {
            out.push_back({0x52});
            head_.flash_changed(page, nor_flash::page_size);
        }
    });
    // Extended flash access: the 64-bit key, most significant byte first. A
    // wrong key gets no answer and takes back access granted before.
    on(0x72, [this](const request& rq, reply_list& out) {
        if (rq.size < 9)
            return;
        extended_access_ = !cfg_.has_key || bytes::get_be64(rq.data + 1) == cfg_.key;
        if (extended_access_)
            out.push_back({0x72});
    });
}

void sensor_model::install_diag_handlers()
{
    // Image-sensor registers 0..511; while the image sensor is unpowered reads
    // give 0 and writes are acknowledged but lost.
    on(0x7B, [this](const request& rq, reply_list& out) {
        if (rq.size < 3)
            return;
        const std::uint16_t reg = bytes::get_be16(rq.data + 1);
        if (reg >= register_count)
            return;
        datagram d(3);
        d[0] = 0x7B;
        bytes::put_be16(&d[1], powered_ ? registers_[reg] : 0);
        out.push_back(std::move(d));
    });
    on(0x7A, [this](const request& rq, reply_list& out) {
        if (rq.size < 5)
            return;
        const std::uint16_t reg = bytes::get_be16(rq.data + 1);
        if (reg >= register_count)
            return;
        if (powered_)
            registers_[reg] = bytes::get_be16(rq.data + 3);
        out.push_back({0x7A});
    });
    // Power: switching on again resets the image sensor to its power-up registers.
    on(0x70, [this](const request&, reply_list& out) {
        powered_ = false;
        out.push_back({0x70});
    });
    on(0x71, [this](const request&, reply_list& out) {
        if (!powered_)
            reset_registers();
        powered_ = true;
        out.push_back({0x71, 0x01});
    });

    on(0x7C, [this](const request&, reply_list& out) {
        error_state_.fill(0);
        out.push_back({0x7C});
    });
    on(0x7D, [this](const request&, reply_list& out) {
        datagram d(17);
        d[0] = 0x7D;
        std::copy(error_state_.begin(), error_state_.end(), d.begin() + 1);
        out.push_back(std::move(d));
    });

    // Latch: 0xD1 captures a record; the first status poll after it reports
    // busy (0x40), later ones ready (0x00); before any capture 0x20.
    on(0xD1, [this](const request&, reply_list&) { latch_capture(); });
    on(0xD0, [this](const request&, reply_list& out) {
        std::uint8_t status = 0x20;
        if (latch_state_ == 1) {
            status = 0x40;
            latch_state_ = 2;
        } else if (latch_state_ == 2) {
            status = 0x00;
        }
        out.push_back({0xD0, status});
    });
    // Read latch data: four datagrams of 4097 bytes, byte 1 = 1 on the last.
    on(0xD2, [this](const request& rq, reply_list& out) {
        if (rq.size < 3)
            return;
        for (std::size_t chunk = 0; chunk < 4; ++chunk) {
            datagram d(4097, 0);
            d[0] = 0xD2;
            d[1] = chunk == 3 ? 1 : 0;
            std::copy_n(latch_.begin() + 1024 * chunk, 1024, d.begin() + 2);
            out.push_back(std::move(d));
        }
    });

    on(0x01, [](const request&, reply_list& out) {
        datagram d(257, ' ');
        d[0] = 0x01;
        std::memcpy(&d[1], debug_line0, 64);
        const char* more[3] = {"@TIME#8%shift#31:0%resets#63:32", "@BKG#2%background#15:0", "@EXT#1%ext#7:0"};
        for (int i = 0; i < 3; ++i)
            std::memcpy(&d[1 + 64 * (i + 1)], more[i], std::strlen(more[i]));
        out.push_back(std::move(d));
    });
    on(0x02, [this](const request&, reply_list& out) {
        ++read_once_count_;
        std::uint64_t v = read_once_count_;
        v |= std::uint64_t(sensor_temperature) << 32;
        v |= std::uint64_t(powered_ ? 1 : 0) << 40;
        v |= std::uint64_t(mode_ & 7) << 41;
        v |= std::uint64_t((error_state_[0] << 8) | error_state_[1]) << 48;
        datagram d(1 + debug_record_size);
        d[0] = 0x02;
        bytes::put_be64(&d[1], v);
        out.push_back(std::move(d));
    });
}

void sensor_model::latch_capture()
{
    ++latch_count_;
    const double pi = std::acos(-1.0);
    for (std::size_t i = 0; i < latch_size; ++i) {
        const double phase = 2.0 * pi * double(i + 64 * latch_count_) / 1024.0;
        latch_[i] = static_cast<std::uint8_t>(std::lround(128.0 + 96.0 * std::sin(phase)));
    }
    latch_state_ = 1;
}

} // namespace orvex::sim
