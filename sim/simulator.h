// k7sim facade: any number of simulated K7D sensors in one process.
//
// Each simulated device answers UDP requests on port 11681 of its own loopback
// address; one further socket (the search socket, wildcard address by default)
// answers the discovery requests 0xF3/0xF4 for every device and takes the
// address-change datagram 0xF6. The simulator serves everything from one
// background thread; the test hooks below may be called from any thread.
//
// Lifecycle: construct (validates the options), start() (binds, serves),
// stop() (idempotent, saves the state folder). The destructor stops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvex::sim {

struct simulator_options {
    std::vector<std::string> sensors; // each "ADDR[,key=value...]" exactly as given after --sensor
    std::string state_dir;            // empty: nothing persisted
    bool log = false;                 // print every request to stderr
    double loss = 0.0;                // probability that a reply is dropped
    double dup = 0.0;                 // probability that a reply is sent twice
    int delay_ms = 0;                 // delay before each reply
    std::uint32_t seed = 1;
    std::string search_bind = "0.0.0.0"; // address of the search socket (port 11681, address reuse on)
    double profile_rate = 0.0;           // streamed profiles per second; 0: from each device's period setting
    double frame_rate = 10.0;            // frames per second of the image stream
    // Frame lines sent per millisecond: 32 lines (about 80 KB of socket
    // buffer) suit a receiver that reads every millisecond with the default
    // buffer size; a whole 1024-line frame then takes 32 ms.
    unsigned lines_per_ms = 32;
    // Receives one line for each notable event (a device moved to another
    // address or refused to, a state file could not be saved). Called on the
    // service thread, or in stop(); empty: the lines go to stderr, moves only
    // when `log` is set.
    std::function<void(const std::string&)> on_notice;
};

class simulator_core;

class simulator {
public:
    /// std::invalid_argument with a clear message for bad options (also for a
    /// damaged state file).
    explicit simulator(simulator_options opts);
    /// Calls stop().
    ~simulator();
    simulator(const simulator&) = delete;
    simulator& operator=(const simulator&) = delete;

    /// Binds every socket and starts serving; returns when all answer.
    /// std::runtime_error when a bind fails, and after stop(): a stopped
    /// simulator does not restart.
    void start();
    /// Idempotent; saves the state when state_dir is set.
    void stop();
    /// One line per device, e.g. "k7sim: sensor 00042 at 127.0.0.2:11681".
    std::vector<std::string> ready_lines() const;

    // Test hooks, all thread-safe; index = order of the sensors option
    // (std::out_of_range for a bad index or a flash range outside the chip).

    std::size_t sensor_count() const;
    /// Current address (moves after 0xF6).
    std::string sensor_address(std::size_t i) const;
    std::vector<std::uint8_t> flash_read(std::size_t i, std::uint32_t addr, std::size_t n) const;
    /// Test setup: bypasses the NOR rules and the protection.
    void flash_write_raw(std::size_t i, std::uint32_t addr, const std::vector<std::uint8_t>& bytes);
    /// false: the device ignores everything (requests are still logged).
    void set_answering(std::size_t i, bool on);
    /// 256-byte payload in working memory.
    std::vector<std::uint8_t> settings_memory(std::size_t i) const;
    /// 256-byte payload stored in flash.
    std::vector<std::uint8_t> settings_flash(std::size_t i) const;
    /// Last 0x86 mode (0 at start).
    int operating_mode(std::size_t i) const;
    /// Request datagrams received, oldest first (bounded: the last 4096, fewer
    /// when together they exceed 16 MiB).
    std::vector<std::vector<std::uint8_t>> request_log(std::size_t i) const;

    /// The device answers `n` more requests, then ignores everything (as after
    /// set_answering(false)); a negative n removes the limit.
    void set_answer_budget(std::size_t i, long n);
    /// The next page read ('Q') returns its data with bit 0 of data byte
    /// `byte_index` (0..255) inverted; the flash itself is not changed.
    void corrupt_next_page_read(std::size_t i, std::size_t byte_index = 0);
    /// 16 bytes returned by the error-state read 0x7D until cleared by 0x7C.
    void set_error_state(std::size_t i, const std::vector<std::uint8_t>& bytes);
    /// Image-sensor register 0..511.
    std::uint16_t register_value(std::size_t i, std::uint16_t reg) const;
    bool image_sensor_powered(std::size_t i) const;
    /// Lock bit of the 64 KiB block 0..255 (effective only with the flash's
    /// write-protect selection bit set).
    bool block_locked(std::size_t i, unsigned block) const;

    // The measured scene.

    /// Moves the target by dx millimetres along the distance and dy across it
    /// (the calibration rig's actuators); replaces the previous offset.
    void set_target_offset(std::size_t i, double dx_mm, double dy_mm);
    /// Column of the laser line in each of the 1024 image rows (sub-pixel), NaN
    /// for a row without a line; independent of the settings.
    std::vector<double> line_positions(std::size_t i) const;
    /// The motor board of device i (board=50): physical position of channel
    /// 0..2 in millimetres from where it stood at start, and the position the
    /// board reports (its step counter over steps per millimetre).
    /// std::logic_error for a device without a board.
    double rig_position(std::size_t i, int channel) const;
    double rig_motor_position(std::size_t i, int channel) const;
    /// Ground truth of the rig: the target distance offset (mm) at which the
    /// laser line of image row `row` of sensor i stands on `column`.
    double target_offset_for_column(std::size_t i, int row, double column) const;
    /// Ground truth of the Y calibration: the lateral position (mm) that
    /// image row `row` of sensor i sees on `column`.
    double target_lateral_at(std::size_t i, double row, double column) const;
    /// Header word 1 of the device's latest profile: profiles measured so far.
    std::uint32_t profile_counter(std::size_t i) const;
    /// Image lines (frames and image stream) sent so far.
    std::uint64_t lines_sent(std::size_t i) const;
    /// The crawler of device i (board=80): records in its log and n bytes of
    /// its memory from `offset`. std::logic_error for a device without one.
    unsigned crawler_records(std::size_t i) const;
    std::vector<std::uint8_t> crawler_memory(std::size_t i, std::uint32_t offset, std::size_t n) const;

private:
    std::unique_ptr<simulator_core> core_;
};

} // namespace orvex::sim
