#include "link/sensor_commands.h"

#include "link/byte_order.h"

#include <algorithm>
#include <cstring>

namespace orvex::k7 {

namespace {
// Length of the extension pass-through payloads and replies is carried in one
// byte on the device side; 256 or more cannot be represented.
constexpr std::size_t ext_limit = 256;
} // namespace

sensor_commands::sensor_commands(link_set& links) : links_(links), buffer_(buffer_size, 0) {}

bool sensor_commands::transact(link_index link, std::size_t send_len, std::size_t reply_len,
                               std::uint8_t echo, std::int64_t timeout_ms, std::uint64_t* wrong_length)
{
    const bool ok =
        links_[link].transact(buffer_.data(), send_len, reply_len, echo, timeout_ms, false, wrong_length);
    failed_ += ok ? 0 : 1;
    return ok;
}

bool sensor_commands::send(link_index link, std::size_t len)
{
    return links_[link].send(buffer_.data(), len);
}

bool sensor_commands::drain_and_send(link_index link, std::size_t len)
{
    links_[link].drain();
    return send(link, len);
}

// ---------------------------------------------------------------- general

bool sensor_commands::read_description(sensor_info& out)
{
    buffer_[0] = 0xF4;
    if (!transact(link_command, 1, 1 + description_size, 0xF4))
        return false;
    sensor_info fresh;
    decode_description(&buffer_[1], description_size, fresh);
    out = fresh;
    return true;
}

bool sensor_commands::read_settings_memory(qz3p_settings& out)
{
    buffer_[0] = 0x80;
    buffer_[1] = 0x00;
    buffer_[2] = 0xFF;
    // The reply is 256 bytes: the echo and the first 255 payload bytes.
    if (!transact(link_command, 3, 256, 0x80))
        return false;
    out = qz3p_settings::decode(&buffer_[1], 255);
    settings_ = out;
    return true;
}

bool sensor_commands::write_settings_memory(const qz3p_settings& s)
{
    const auto p = s.encode();
    buffer_[0] = 0x81;
    buffer_[1] = 0x00;
    buffer_[2] = 0xFF;
    std::copy(p.begin(), p.begin() + 255, buffer_.begin() + 3);
    if (!transact(link_command, 258, 1, 0x81))
        return false;
    settings_ = s;
    return true;
}

bool sensor_commands::read_settings_flash(qz3p_settings& out)
{
    buffer_[0] = 0x83;
    if (!transact(link_command, 1, 257, 0x83))
        return false;
    out = qz3p_settings::decode(&buffer_[1], 256);
    return true;
}

bool sensor_commands::write_settings_flash(const qz3p_settings& s)
{
    const auto p = s.encode();
    buffer_[0] = 0x84;
    std::copy(p.begin(), p.end(), buffer_.begin() + 1);
    return transact(link_command, 257, 1, 0x84);
}

bool sensor_commands::read_descriptor_debug()
{
    buffer_[0] = 0x01;
    return transact(link_command, 1, 257, 0x01);
}

bool sensor_commands::read_once_debug(std::size_t n)
{
    if (n > buffer_size - 1)
        return false;
    buffer_[0] = 0x02;
    return transact(link_command, 1, n + 1, 0x02);
}

bool sensor_commands::debug_eb()
{
    buffer_[0] = 0xEB;
    return send(link_command, 1);
}

bool sensor_commands::time_reset()
{
    buffer_[0] = 0xF9;
    return transact(link_command, 1, 1, 0xF9);
}

bool sensor_commands::time_shift(std::uint32_t shift)
{
    buffer_[0] = 0xFD;
    bytes::put_be32(&buffer_[1], shift);
    return transact(link_aux, 5, 1, 0xFD);
}

bool sensor_commands::store_background(std::uint16_t value)
{
    buffer_[0] = 0x27;
    bytes::put_be16(&buffer_[1], value);
    return transact(link_command, 3, 1, 0x27, 1000);
}

bool sensor_commands::read_extension_byte(std::uint8_t& value)
{
    buffer_[0] = 0x12;
    if (!transact(link_command, 1, 2, 0))
        return false;
    value = buffer_[1];
    return true;
}

bool sensor_commands::write_extension_byte(std::uint8_t value)
{
    buffer_[0] = 0x13;
    buffer_[1] = value;
    return transact(link_command, 2, 1, 0);
}

// ---------------------------------------------------------------- profiles

bool sensor_commands::start_profile_measurement()
{
    buffer_[0] = 0x20;
    return transact(link_profile, 1, 1, 0x20); // the transaction drains the link first
}

bool sensor_commands::read_profile(bool intensities, std::uint64_t* wrong_length)
{
    buffer_[0] = 0x22;
    buffer_[1] = 0x10;
    return transact(link_profile, intensities ? 2 : 1, intensities ? 5160 : 4104, 0, 0, wrong_length);
}

bool sensor_commands::set_profile_stream(bool on, bool intensities)
{
    buffer_[0] = 0x23;
    buffer_[1] = static_cast<std::uint8_t>((on ? 0x01 : 0x00) | (intensities ? 0x10 : 0x00));
    return transact(on ? link_profile : link_command, 2, 1, 0x23);
}

bool sensor_commands::take_profile(bool intensities, std::uint64_t* wrong_length)
{
    return links_[link_profile].take(buffer_.data(), intensities ? 5160 : 4104, 0, wrong_length);
}

// ---------------------------------------------------------------- images

bool sensor_commands::take_image_datagram(std::uint8_t* out, std::size_t length, std::uint64_t* wrong_length)
{
    return links_[link_image].take(out, length, 0, wrong_length);
}

bool sensor_commands::request_frame()
{
    buffer_[0] = 0x21;
    return drain_and_send(link_image, 1);
}

bool sensor_commands::request_frame_numbered()
{
    buffer_[0] = 0x29;
    return drain_and_send(link_image, 1);
}

bool sensor_commands::request_frame_fast()
{
    buffer_[0] = 0x2C;
    return drain_and_send(link_image, 1);
}

bool sensor_commands::request_background_frame()
{
    buffer_[0] = 0x26;
    return drain_and_send(link_image, 1);
}

bool sensor_commands::request_background_frame_numbered()
{
    buffer_[0] = 0x2A;
    buffer_[1] = 1;
    return drain_and_send(link_image, 2);
}

bool sensor_commands::request_line_data(std::uint8_t mode, std::uint16_t first, std::uint16_t count)
{
    buffer_[0] = 0x2E;
    buffer_[1] = mode;
    bytes::put_be16(&buffer_[2], std::min<std::uint16_t>(first, 1023));
    bytes::put_be16(&buffer_[4], count == 0 ? 1 : count);
    return send(link_image, 6);
}

bool sensor_commands::set_image_stream(bool on)
{
    buffer_[0] = 0x25;
    buffer_[1] = on ? 1 : 0;
    return transact(link_image, 2, 1, 0);
}

// ---------------------------------------------------------------- service link

bool sensor_commands::error_state_command()
{
    buffer_[0] = 0x7C;
    return transact(link_service, 1, 1, 0x7C);
}

bool sensor_commands::read_error_state(std::array<std::uint8_t, 16>& out)
{
    buffer_[0] = 0x7D;
    if (!transact(link_service, 1, 17, 0x7D))
        return false;
    std::copy(buffer_.begin() + 1, buffer_.begin() + 17, out.begin());
    return true;
}

bool sensor_commands::request_error_state()
{
    buffer_[0] = 0x7D;
    return drain_and_send(link_service, 1);
}

bool sensor_commands::take_error_state(std::array<std::uint8_t, 16>& out)
{
    if (!links_[link_service].take(buffer_.data(), 17, 0x7D))
        return false;
    std::copy(buffer_.begin() + 1, buffer_.begin() + 17, out.begin());
    return true;
}

bool sensor_commands::latch_command()
{
    buffer_[0] = 0xD1;
    return send(link_service, 1);
}

bool sensor_commands::latch_status(std::uint8_t& status)
{
    buffer_[0] = 0xD0;
    if (!transact(link_service, 1, 2, 0xD0, 100))
        return false;
    status = buffer_[1];
    return true;
}

bool sensor_commands::request_latch_data()
{
    buffer_[0] = 0xD2;
    buffer_[1] = 0x10;
    buffer_[2] = 0x00;
    return drain_and_send(link_service, 3);
}

bool sensor_commands::request_extension_block(link_index link)
{
    buffer_[0] = 0xAF;
    return send(link, 1);
}

bool sensor_commands::take_extension_block(link_index link)
{
    return links_[link].take(buffer_.data(), link == link_profile ? 48 : 26, 0xAF);
}

// ---------------------------------------------------------------- extension boards

bool sensor_commands::ext_transfer(std::uint8_t code, std::uint8_t* data, std::size_t n, std::size_t m)
{
    if (n >= ext_limit || m >= ext_limit || ((n != 0 || m != 0) && data == nullptr))
        return false;
    buffer_[0] = code;
    if (n != 0)
        std::memcpy(&buffer_[1], data, n);
    std::uint64_t wrong = 0; // a reply of another length is no answer, never cut to size
    if (!transact(link_command, n + 1, m + 1, code, 0, &wrong))
        return false;
    if (m != 0)
        std::memcpy(data, &buffer_[1], m);
    return true;
}

bool sensor_commands::request_ext(std::uint8_t code)
{
    buffer_[0] = code;
    return drain_and_send(link_command, 1);
}

bool sensor_commands::take_ext_echo(std::uint8_t code)
{
    return links_[link_command].take(buffer_.data(), 1, code);
}

bool sensor_commands::ext_read_block(std::array<std::uint8_t, 256>& out)
{
    buffer_[0] = 0x8C;
    std::uint64_t wrong = 0;
    if (!transact(link_command, 1, 257, 0, 0, &wrong))
        return false;
    std::copy(buffer_.begin() + 1, buffer_.begin() + 257, out.begin());
    return true;
}

bool sensor_commands::ext_write_block(const std::array<std::uint8_t, 256>& in)
{
    buffer_[0] = 0x8D;
    std::copy(in.begin(), in.end(), buffer_.begin() + 1);
    return transact(link_command, 257, 1, 0);
}

bool sensor_commands::ext_read_indexed(std::uint8_t index, std::uint8_t n, std::uint8_t* out)
{
    if (n != 0 && out == nullptr)
        return false;
    buffer_[0] = 0x8A;
    buffer_[1] = index;
    buffer_[2] = n;
    std::uint64_t wrong = 0;
    if (!transact(link_command, 3, std::size_t(n) + 1, 0, 0, &wrong))
        return false;
    if (n != 0)
        std::memcpy(out, &buffer_[1], n);
    return true;
}

bool sensor_commands::ext_write_indexed(std::uint8_t index, std::uint8_t n, const std::uint8_t* in)
{
    if (n != 0 && in == nullptr)
        return false;
    buffer_[0] = 0x8B;
    buffer_[1] = index;
    buffer_[2] = n;
    if (n != 0)
        std::memcpy(&buffer_[3], in, n);
    return transact(link_command, std::size_t(n) + 3, 1, 0);
}

bool sensor_commands::request_board_data()
{
    buffer_[0] = 0xA0;
    return drain_and_send(link_profile, 1);
}

bool sensor_commands::take_board_data()
{
    return links_[link_profile].take(buffer_.data(), 30, 0xA0);
}

bool sensor_commands::send_board_byte(std::uint8_t value)
{
    buffer_[0] = 0xA2;
    buffer_[1] = value;
    return send(link_profile, 2);
}

} // namespace orvex::k7
