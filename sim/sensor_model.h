// One simulated K7D sensor: its description, settings, flash, image-sensor
// registers, operating mode, latch and error state, and the answer to every
// request code it understands.
//
// The model is transport-free: serve() takes a request datagram and returns
// the reply datagrams; the UDP front sends them. All members lock the model's
// mutex, so test hooks may run on any thread while the service thread serves.
//
// Flash work: erase ('S') and page write ('R') are refused (no answer) unless
// the operating mode is 3 and the block is not protected. Extended access
// ('r' with the configured key) is what the protection-changing flash
// instructions need; a sensor configured without a key grants it to everyone.
// The identification record lives in flash at 0x7F0000; the description's
// bytes 32..157 are read from it on every request.
#pragma once

#include "crawler_model.h"
#include "device_model.h"
#include "ext_board_sim.h"
#include "measuring_head.h"
#include "motor_board.h"
#include "nor_flash.h"
#include "options.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace orvex::sim {

constexpr std::uint32_t ident_record_addr = 0x7F0000;
constexpr std::size_t settings_size = 256;
constexpr std::size_t register_count = 512;
constexpr std::size_t latch_size = 4096;
constexpr std::size_t request_log_limit = 4096;           // datagrams kept in the request log
constexpr std::size_t request_log_byte_limit = 16u << 20; // and at most this many bytes of them

class sensor_model : public device_model {
public:
    /// A fresh device: identification record from the configuration, default
    /// settings in memory and flash, image sensor powered, mode 0.
    explicit sensor_model(sensor_config cfg);

    /// Handles one datagram received on the device's own socket: logs it and,
    /// unless the device is silent, answers it.
    reply_list serve(const request& rq);
    /// Handles a datagram received on the search socket: only the description
    /// requests 0xF3 and 0xF4 are answered there.
    reply_list serve_search(const request& rq);

    /// Adds a datagram to the request log without answering it (the address
    /// change taken from the search socket).
    void record(const request& rq);

    const sensor_config& config() const { return cfg_; }
    /// The five serial characters the description currently carries.
    std::string serial() const;
    bool answering() const;
    std::uint32_t address() const;
    void set_address(std::uint32_t host_order);

    // Persistence: flash image and the stored settings payload.
    std::string save_flash() const;
    std::array<std::uint8_t, settings_size> stored_settings() const;
    /// Loads a saved state (either part may be absent: nullptr) and copies the
    /// stored settings into working memory, as at power-up. Throws
    /// std::runtime_error for a damaged flash image.
    void load_state(const std::string* flash_image, const std::array<std::uint8_t, settings_size>* stored);
    /// The extension board's parameter copy in its flash (0x8C/0x8D).
    std::array<std::uint8_t, 256> board_flash() const;
    void set_board_flash(const std::array<std::uint8_t, 256>& area);

    // Test hooks.
    std::vector<std::uint8_t> flash_read(std::uint32_t addr, std::size_t n) const;
    void flash_write_raw(std::uint32_t addr, const std::vector<std::uint8_t>& bytes);
    void set_answering(bool on);
    void set_answer_budget(long n);
    void corrupt_next_page_read(std::size_t byte_index);
    void set_error_state(const std::vector<std::uint8_t>& bytes);
    std::vector<std::uint8_t> settings_memory() const;
    int operating_mode() const;
    std::vector<std::vector<std::uint8_t>> request_log() const;
    std::uint16_t register_value(std::uint16_t reg) const;
    bool image_sensor_powered() const;
    bool block_locked(unsigned block) const;
    void set_target_offset(double dx, double dy);
    line_positions traced_lines() const;
    /// The motor board of a device with board code 50 (null otherwise):
    /// physical and motor position of channel 0..2 in millimetres.
    bool has_board() const { return board_ != nullptr; }
    double rig_physical(int channel) const;
    double rig_motor_position(int channel) const;
    /// Target distance offset at which the line of `row` stands on `column`.
    double offset_for_column(int row, double column) const;
    double lateral_at(double row, double column) const;
    /// The crawler of a device with board code 80 (null otherwise); its
    /// memory and records never change, so they are read without the lock.
    const crawler_model* crawler() const { return crawler_.get(); }
    std::uint32_t profile_counter() const;
    std::uint64_t lines_sent() const;

    /// Streamed profiles, frame lines and line data due at `now`, for the
    /// streaming thread (nothing while the device is silent).
    /// Returns whether anything streams (or a frame is being sent).
    bool stream_tick(measuring_head::clock::time_point now, stream_batch& out);

    /// The 256-byte payload of a fresh device's settings.
    static std::array<std::uint8_t, settings_size> default_settings(const sensor_config& cfg);
    /// The 256-byte identification record page built from the configuration.
    static std::array<std::uint8_t, 256> identification_record(const sensor_config& cfg);

private:
    void install_general_handlers();
    void install_flash_handlers();
    void install_diag_handlers();
    void install_scene_handlers();
    void install_board_handlers();
    void install_crawler_handlers();
    int profile_shift() const; // fractional bits p of the identification record in flash
    bool admit();              // counts the request against the silence switches
    void append_log(const request& rq);
    datagram description(std::uint8_t echo) const;
    void reset_registers();
    void latch_capture();

    mutable std::mutex mutex_;
    sensor_config cfg_;
    std::uint32_t address_;
    nor_flash flash_;
    std::array<std::uint8_t, settings_size> settings_memory_{};
    std::array<std::uint8_t, settings_size> settings_stored_{};
    std::array<std::uint16_t, register_count> registers_{};
    bool powered_ = true;
    int mode_ = 0;
    bool extended_access_;
    std::array<std::uint8_t, 16> error_state_{};
    // Latch: 0 nothing latched, 1 capturing (reported once as busy), 2 ready.
    int latch_state_ = 0;
    unsigned latch_count_ = 0;
    std::array<std::uint8_t, latch_size> latch_{};
    std::uint8_t ext_byte_ = 0;
    std::array<std::uint8_t, 256> ext_block_{};
    std::map<std::uint8_t, std::array<std::uint8_t, 256>> ext_indexed_;
    std::uint32_t time_shift_ = 0;
    std::uint16_t background_ = 0;
    std::uint32_t read_once_count_ = 0;
    std::uint32_t time_resets_ = 0;
    bool answering_ = true;
    long budget_ = -1;
    long corrupt_byte_ = -1;
    std::deque<datagram> log_;
    std::size_t log_bytes_ = 0;
    mutable measuring_head head_;
    std::unique_ptr<motor_board> board_;
    std::unique_ptr<ext_board_sim> xboard_; // the other board types
    std::unique_ptr<crawler_model> crawler_;
};

} // namespace orvex::sim
