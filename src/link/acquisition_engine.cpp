#include "link/acquisition_engine.h"

#include "link/byte_order.h"
#include "link/sensor_commands.h"

#include <algorithm>
#include <cstring>

namespace orvex::k7 {
namespace {

constexpr std::size_t numbered_line_size = 1284;
constexpr std::size_t line_data_datagram_size = 1028;
const firmware_version numbered_lines_from{41, '-'};
const firmware_version line_data_from{48, 'd'};
const firmware_version fast_frame_from{49, 'm'};

} // namespace

acquisition_engine::acquisition_engine(sensor_commands& commands)
    : cmd_(commands),
      frame_(frame_width * frame_lines, 0),
      line_scratch_(std::max(numbered_line_size, line_data_datagram_size), 0)
{}

std::int64_t acquisition_engine::to_ns(clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

bool acquisition_engine::set_profile_stream(bool on)
{
    profile_stream_ = on;
    return cmd_.set_profile_stream(on, intensities_);
}

void acquisition_engine::set_image_request(bool poll, bool background)
{
    image_poll_ = poll;
    background_ = background;
}

bool acquisition_engine::set_image_stream(bool on)
{
    if (on) {
        image_poll_ = false;
        // Streamed lines are numbered as requested ones are, and the first
        // streamed frame needs the window's line count like any other.
        numbered_lines_ = cmd_.info().version >= numbered_lines_from;
        reset_frame();
    }
    image_stream_ = on;
    return cmd_.set_image_stream(on);
}

void acquisition_engine::reset_frame()
{
    frame_complete_ = false;
    line_data_counter_ = 0;
    line_count_ = 0;
    expected_lines_ = profile_point_count(cmd_.settings());
}

bool acquisition_engine::collect_lines()
{
    // The frame buffer holds 1024 lines; a window that asks for more (or for
    // 0 lines, after 16-bit wrap-around) stops filling at the buffer's end.
    while (line_count_ < frame_lines) {
        std::uint8_t* line = frame_.data() + frame_width * line_count_;
        if (numbered_lines_) {
            if (!cmd_.take_image_datagram(line_scratch_.data(), numbered_line_size, &wrong_length_))
                return false;
            unsigned number = bytes::get_be16(line_scratch_.data() + 2);
            if (number >= 2048)
                number -= 2048;
            if (number == 0 && line_count_ > 0) {
                // The next frame began before this one was whole (a line was
                // lost): start again with it rather than finish this frame
                // with the next frame's rows.
                skipped_lines_ += line_count_;
                line_count_ = 0;
                line = frame_.data();
            } else if (number != line_count_) {
                ++skipped_lines_;
                continue; // a lost or repeated line: not counted
            }
            std::memcpy(line, line_scratch_.data() + 4, frame_width);
        } else if (!cmd_.take_image_datagram(line, frame_width, &wrong_length_)) {
            return false;
        }
        ++line_count_;
        if (line_count_ == expected_lines_) {
            frame_complete_ = true;
            frame_clock_.count(1);
            frame_rate_ = frame_clock_.read();
            return true;
        }
    }
    return true;
}

void acquisition_engine::decode_last_profile()
{
    const qz3p_settings& s = cmd_.settings();
    decode_profile(cmd_.buffer(), intensities_, profile_point_count(s), s.calibration_bypass == 0,
                   cmd_.info().scale, profile_);
    numbering_.add(profile_.header.word1);
    if (profile_observer_)
        profile_observer_(profile_);
}

void acquisition_engine::step()
{
    if (profile_stream_) {
        unsigned received = 0;
        while (cmd_.take_profile(intensities_, &wrong_length_)) {
            decode_last_profile();
            ++received;
        }
        if (received > 0) {
            profile_rate_.count(received);
            if (profile_handler_)
                profile_handler_();
        }
    }
    if (image_stream_ && collect_lines()) {
        if (image_handler_)
            image_handler_();
        reset_frame();
    }

    const auto now = clock::now();
    switch (state_) {
    case state::idle:
        idle_step(now);
        break;
    case state::frame_wait:
        frame_wait_step(now);
        break;
    case state::background_wait:
        background_wait_step(now);
        break;
    case state::line_data_wait:
        line_data_wait_step(now);
        break;
    case state::profile_wait:
        profile_wait_step(now);
        break;
    }
}

void acquisition_engine::idle_step(clock::time_point now)
{
    if (!image_poll_ && !background_) {
        if (!profile_poll_)
            return;
        request_time_ns_ = to_ns(now);
        profile_.request_time_ns = request_time_ns_;
        cmd_.start_profile_measurement(); // a lost start shows up as a failed read
        profile_deadline_ = now + std::chrono::milliseconds(50);
        state_ = state::profile_wait;
        return;
    }
    const firmware_version& version = cmd_.info().version;
    numbered_lines_ = version >= numbered_lines_from;
    reset_frame();
    frame_deadline_ = now + std::chrono::seconds(1);
    if (background_) {
        state_ = state::background_wait;
        if (numbered_lines_)
            cmd_.request_background_frame_numbered();
        else
            cmd_.request_background_frame();
        return;
    }
    state_ = state::frame_wait;
    request_time_ns_ = to_ns(now);
    if (version >= fast_frame_from && !profile_poll_)
        cmd_.request_frame_fast();
    else if (numbered_lines_)
        cmd_.request_frame_numbered();
    else
        cmd_.request_frame();
}

void acquisition_engine::frame_wait_step(clock::time_point now)
{
    if (collect_lines()) {
        if (result_points_ && cmd_.info().version >= line_data_from) {
            // The positions of the previous frame are no longer this frame's:
            // until all four datagrams are in again, they must not be shown as
            // complete (a lost datagram would otherwise mix two frames).
            line_data_complete_ = false;
            cmd_.request_line_data(2, 0, 4);
            frame_deadline_ = now + std::chrono::milliseconds(500);
            state_ = state::line_data_wait;
        } else {
            finish();
        }
    } else if (now >= frame_deadline_) {
        finish();
    }
}

void acquisition_engine::background_wait_step(clock::time_point now)
{
    if (!collect_lines() && now < frame_deadline_)
        return;
    if (background_ && image_handler_)
        image_handler_();
    state_ = state::idle;
}

void acquisition_engine::line_data_wait_step(clock::time_point now)
{
    while (cmd_.take_image_datagram(line_scratch_.data(), line_data_datagram_size, &wrong_length_)) {
        const std::size_t base = 256 * line_data_counter_;
        for (std::size_t j = 0; j < 256; ++j)
            line_data_[base + j] = bytes::get_be16(line_scratch_.data() + 4 + 4 * j) / 32.0;
        if (++line_data_counter_ == 4) {
            line_data_counter_ = 0;
            line_data_complete_ = true;
            finish();
            return;
        }
    }
    if (now >= frame_deadline_)
        finish();
}

void acquisition_engine::profile_wait_step(clock::time_point now)
{
    if (now < profile_deadline_)
        return;
    if (!cmd_.read_profile(intensities_, &wrong_length_))
        return; // tried again at the next step
    decode_last_profile();
    profile_rate_.count(1);
    if (profile_handler_)
        profile_handler_();
    state_ = state::idle;
}

void acquisition_engine::finish()
{
    if (image_poll_ && image_handler_)
        image_handler_();
    state_ = profile_poll_ ? state::profile_wait : state::idle;
}

} // namespace orvex::k7
