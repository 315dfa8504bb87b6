// sensor_commands: the device's command object.
//
// One method per command of the sensor protocol (general, settings, profile,
// image, service-link and extension-board pass-through commands). Each fills
// the request into the object's 64 KiB buffer, runs one transaction (or one
// send, or one take) on the command's link and returns a success flag; the
// reply stays in the buffer or is handed out through output arguments.
// Failure changes nothing else, and nothing retries.
//
// The object also keeps the connection state: the connection flag (changed
// only by sensor_device's connect and disconnect), the connected sensor's
// description and its current settings (the last record read from or written
// to working memory). Commands of one object must not overlap: one thread.
#pragma once

#include "link/link_set.h"
#include "link/sensor_info.h"
#include "settings/qz3p_settings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvex::k7 {

class sensor_device;

class sensor_commands {
public:
    static constexpr std::size_t buffer_size = 65536;

    explicit sensor_commands(link_set& links);

    bool is_connected() const { return connected_; }
    /// Transactions that got no reply since construction (a device that
    /// stopped answering shows here first).
    std::uint64_t failed_transactions() const { return failed_; }
    const sensor_info& info() const { return info_; }
    const qz3p_settings& settings() const { return settings_; }
    /// The connected sensor's measuring-range outline, a closed 5-point polyline (mm).
    std::vector<math::Point2d> range_outline() const { return info_.outline(); }

    /// Request/reply buffer; holds the last reply after a command.
    std::uint8_t* buffer() { return buffer_.data(); }
    const std::uint8_t* buffer() const { return buffer_.data(); }

    // --- general and settings commands (command link unless stated) ---

    /// 0xF4: reads and decodes the description into `out` (a fresh record).
    bool read_description(sensor_info& out);
    /// 0x80: current settings from working memory; on success they become the current settings.
    bool read_settings_memory(qz3p_settings& out);
    /// 0x81: writes working memory; on success `s` becomes the current settings.
    bool write_settings_memory(const qz3p_settings& s);
    /// 0x83: settings stored in flash; the current settings stay.
    bool read_settings_flash(qz3p_settings& out);
    /// 0x84: writes the flash copy; the current settings stay.
    bool write_settings_flash(const qz3p_settings& s);
    /// 0x01: 256-byte debug descriptor, left at buffer()[1..256].
    bool read_descriptor_debug();
    /// 0x02: n debug bytes, left at buffer()[1..n]. n above buffer_size - 1 fails without sending.
    bool read_once_debug(std::size_t n);
    /// 0xEB: sent without waiting for a reply.
    bool debug_eb();
    /// 0xF9: resets the sensor's time.
    bool time_reset();
    /// 0xFD on the auxiliary link: shifts the sensor's time by `shift`.
    bool time_shift(std::uint32_t shift);
    /// 0x27: stores the background with a 16-bit value (0 = zero background); 1 s time-out.
    bool store_background(std::uint16_t value);
    /// 0x12: extension byte; any first reply byte is accepted.
    bool read_extension_byte(std::uint8_t& value);
    /// 0x13: writes the extension byte; any 1-byte reply is accepted.
    bool write_extension_byte(std::uint8_t value);

    // --- profile commands (profile link unless stated) ---

    /// 0x20: starts one profile measurement.
    bool start_profile_measurement();
    /// 0x22: reads one profile datagram (4104 bytes, 5160 with intensities) into the buffer.
    /// With `wrong_length`, replies of any other length are counted there and dropped.
    bool read_profile(bool intensities, std::uint64_t* wrong_length = nullptr);
    /// 0x23: streaming on (profile link, drained first) or off (command link).
    bool set_profile_stream(bool on, bool intensities);
    /// Takes one queued profile datagram (4104 bytes, 5160 with intensities,
    /// any first byte) from the profile link into the buffer; never waits.
    /// With `wrong_length`, datagrams of any other length are counted there
    /// and dropped (otherwise a longer one is cut).
    bool take_profile(bool intensities, std::uint64_t* wrong_length = nullptr);

    // --- image commands (image link; the requests drain it first and wait for nothing) ---

    bool request_frame();                     // 0x21, lines of 1280 bytes
    bool request_frame_numbered();            // 0x29, lines of 1284 bytes
    bool request_frame_fast();                // 0x2C, numbered lines (firmware 49m on, profile polling off)
    bool request_background_frame();          // 0x26, lines of 1280 bytes
    bool request_background_frame_numbered(); // 0x2A, numbered lines
    /// 0x2E: line data. A first index above 1023 is sent as 1023, a count of 0 as 1.
    bool request_line_data(std::uint8_t mode, std::uint16_t first, std::uint16_t count);
    /// 0x25: image streaming on or off (transaction, any first reply byte).
    bool set_image_stream(bool on);
    /// Takes one queued datagram of exactly `length` bytes (a longer one is
    /// cut, any first byte) from the image link into `out`; never waits.
    /// Image lines and line data are collected this way. With `wrong_length`,
    /// datagrams of any other length are counted there and dropped.
    bool take_image_datagram(std::uint8_t* out, std::size_t length, std::uint64_t* wrong_length = nullptr);

    // --- service-link commands ---

    bool error_state_command();                               // 0x7C
    bool read_error_state(std::array<std::uint8_t, 16>& out); // 0x7D
    /// 0x7D sent without waiting (the service link is drained first); the
    /// reply is collected later with take_error_state().
    bool request_error_state();
    /// Takes the 17-byte reply to 0x7D from the service link; never waits.
    bool take_error_state(std::array<std::uint8_t, 16>& out);
    bool latch_command();                    // 0xD1, sent only
    bool latch_status(std::uint8_t& status); // 0xD0, 100 ms time-out
    bool request_latch_data();               // 0xD2 0x10 0x00, after draining; 4097-byte datagrams follow
    /// 0xAF sent on the service link (or the profile link for the one panel that uses it).
    bool request_extension_block(link_index link = link_service);
    /// Takes the 0xAF answer: 26 bytes on the service link, 48 on the profile link,
    /// left in the buffer. Never waits.
    bool take_extension_block(link_index link = link_service);

    // --- extension-board pass-through (command link) ---

    /// Generic form: request [code, n payload bytes], reply m + 1 bytes echoing
    /// the code; the m reply bytes after the echo are copied over `data`, which
    /// must hold max(n, m) bytes. n or m of 256 or more fails without sending.
    bool ext_transfer(std::uint8_t code, std::uint8_t* data, std::size_t n, std::size_t m);
    /// The generic form without payload and without waiting: [code] on the
    /// command link after draining it. take_ext_echo() collects the 1-byte
    /// reply echoing the code later; never waits.
    bool request_ext(std::uint8_t code);
    bool take_ext_echo(std::uint8_t code);
    /// 0x8C: 256 bytes out; any first reply byte.
    bool ext_read_block(std::array<std::uint8_t, 256>& out);
    /// 0x8D: 256 bytes in; any 1-byte reply.
    bool ext_write_block(const std::array<std::uint8_t, 256>& in);
    /// 0x8A: n bytes at index out; out must hold n bytes.
    bool ext_read_indexed(std::uint8_t index, std::uint8_t n, std::uint8_t* out);
    /// 0x8B: n bytes at index in.
    bool ext_write_indexed(std::uint8_t index, std::uint8_t n, const std::uint8_t* in);
    /// 0xA0 on the profile link, after draining it; the 30-byte answer is
    /// collected later with take_board_data().
    bool request_board_data();
    /// Takes a 30-byte datagram echoing 0xA0 from the profile link into the buffer.
    bool take_board_data();
    /// 0xA2 with one byte on the profile link, sent only.
    bool send_board_byte(std::uint8_t value);

private:
    friend class sensor_device;

    bool transact(link_index link, std::size_t send_len, std::size_t reply_len, std::uint8_t echo,
                  std::int64_t timeout_ms = 0, std::uint64_t* wrong_length = nullptr);
    bool send(link_index link, std::size_t len);
    bool drain_and_send(link_index link, std::size_t len);

    link_set& links_;
    std::vector<std::uint8_t> buffer_;
    bool connected_ = false;
    std::uint64_t failed_ = 0;
    sensor_info info_;
    qz3p_settings settings_;
};

} // namespace orvex::k7
