// Profile and image requests of the simulated sensor, and its streams. Every
// handler runs with the model's mutex held; what streams is handed to the
// streaming thread by stream_tick().
#include "sensor_model.h"

#include "link/byte_order.h"

#include <cctype>
#include <cstring>

namespace orvex::sim {
namespace {

// Firmware 41 and later sends numbered image lines.
bool numbered_lines(const std::string& fw)
{
    return fw.size() >= 2 && std::isdigit(static_cast<unsigned char>(fw[0])) &&
           std::isdigit(static_cast<unsigned char>(fw[1])) && (fw[0] - '0') * 10 + (fw[1] - '0') >= 41;
}

} // namespace

int sensor_model::profile_shift() const
{
    // The program scales by the p of a valid identification record, and by 32
    // (p = 5) without one; the sensor does the same.
    std::uint8_t r[126];
    flash_.read(ident_record_addr, r, sizeof r);
    const char magic[4] = {'K', '7', 'D', '!'};
    if (std::memcmp(r, magic, 4) != 0 || std::memcmp(r + 122, magic, 4) != 0 || r[109] > 16)
        return 5;
    return r[109];
}

void sensor_model::install_scene_handlers()
{
    on(0x20, [this](const request&, reply_list& out) {
        head_.measure(settings_memory_.data(), flash_, profile_shift());
        out.push_back({0x20});
    });
    on(0x22, [this](const request& rq, reply_list& out) {
        const bool intensities = rq.size >= 2 && (rq.at(1) & 0x10) != 0;
        out.push_back(head_.read_profile(settings_memory_.data(), flash_, profile_shift(), intensities));
    });
    // Stream mode byte: bit 0 on, bit 4 with intensities; the stream goes to
    // the sender of the request that switched it on. A mode byte with other
    // bits set is not a request the device knows: ignored, so that stray
    // bytes never start a stream nobody asked for.
    on(0x23, [this](const request& rq, reply_list& out) {
        if (rq.size < 2 || (rq.at(1) & ~0x11) != 0)
            return;
        head_.set_profile_stream((rq.at(1) & 0x01) != 0, (rq.at(1) & 0x10) != 0, rq.peer_address,
                                 rq.peer_port);
        out.push_back({0x23});
    });
    on(0x25, [this](const request& rq, reply_list& out) {
        if (rq.size < 2 || rq.at(1) > 1) // 1 on, 0 off, nothing else
            return;
        head_.set_image_stream(rq.at(1) == 1, numbered_lines(cfg_.fw), rq.peer_address, rq.peer_port);
        out.push_back({0x25});
    });

    // Frame requests: no reply of their own, the lines follow on the stream.
    struct frame_code {
        std::uint8_t code;
        bool numbered, background;
    };
    static const frame_code frames[] = {{0x21, false, false},
                                        {0x29, true, false},
                                        {0x2C, true, false},
                                        {0x26, false, true},
                                        {0x2A, true, true}};
    for (const auto& f : frames)
        on(f.code, [this, f](const request& rq, reply_list&) {
            head_.request_frame(settings_memory_.data(), f.numbered, f.background, f.code, rq.peer_address,
                                rq.peer_port);
        });

    // Line data: mode byte, 16-bit first block, 16-bit block count.
    on(0x2E, [this](const request& rq, reply_list&) {
        if (rq.size < 6)
            return;
        head_.request_line_data(settings_memory_.data(), rq.at(1), bytes::get_be16(rq.data + 2),
                                bytes::get_be16(rq.data + 4), rq.peer_address, rq.peer_port);
    });
}

bool sensor_model::stream_tick(measuring_head::clock::time_point now, stream_batch& out)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!answering_ || budget_ == 0) {
        out.clear();
        return false;
    }
    head_.tick(now, settings_memory_.data(), flash_, profile_shift(), out);
    if (board_) {
        out.board_due = board_->stream_due(now, out.board_state, out.board_address, out.board_port);
        if (out.board_due || board_->moving(now))
            return true;
    }
    return head_.active() || out.job;
}

void sensor_model::set_target_offset(double dx, double dy)
{
    std::lock_guard<std::mutex> lock(mutex_);
    head_.set_offset(dx, dy);
}

line_positions sensor_model::traced_lines() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return head_.lines();
}

std::uint32_t sensor_model::profile_counter() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return head_.profile_counter();
}

std::uint64_t sensor_model::lines_sent() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return head_.lines_sent();
}

} // namespace orvex::sim
