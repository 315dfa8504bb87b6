// The sensor's latch: a frozen internal record of 4096 bytes, read back in
// chunks on the service link.
//
// latch_cycle runs the latch page's continuous cycle one step per call:
// latch (0xD1), poll the status (0xD0) until bits 5 and 6 are clear, request
// the record (0xD2) and collect its chunks without waiting. A chunk datagram
// is accepted only when it is 4097 bytes long and starts with 0xD2; its byte
// 1 is 1 on the last chunk, bytes 2..1025 carry 1024 bytes of the record.
// At most four chunks are stored: a fifth one ends the read. A read that has
// not completed 200 ms after its request starts the cycle over.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orvex::k7 {
class sensor_device;
}

namespace orvex::diag {

constexpr std::size_t latch_record_size = 4096;
constexpr std::size_t latch_chunk_size = 1024;
constexpr std::size_t latch_max_chunks = latch_record_size / latch_chunk_size;
constexpr std::size_t latch_datagram_size = 4097;
/// Status bits that say the latched record is not ready yet.
constexpr std::uint8_t latch_busy_mask = 0x60;

using latch_record = std::array<std::uint8_t, latch_record_size>;

/// Collects queued chunk datagrams from the first link into `record`.
class latch_collector {
public:
    enum class result {
        last,     // the last chunk arrived
        empty,    // the queue ran empty first
        overflow, // a fifth chunk arrived without the record having ended
    };

    void clear();
    /// Takes every queued datagram of the service link without waiting,
    /// ignoring those of another length or first byte.
    result collect(k7::sensor_device& device);
    std::size_t chunks() const { return chunks_; }
    const latch_record& record() const { return record_; }

private:
    latch_record record_{};
    std::size_t chunks_ = 0;
};

class latch_cycle {
public:
    enum class event {
        latch_sent,
        status_ready,   // status read; the record is ready
        status_busy,    // status read; not ready yet
        status_failed,  // the status transaction failed
        read_requested, // 0xD2 sent
        waiting,        // chunks still outstanding
        completed,      // record complete: record() holds it
        failed,         // time-out or too many chunks: the cycle starts over
    };

    static constexpr std::chrono::milliseconds read_timeout{200};

    /// One step on the first link of `device`.
    event step(k7::sensor_device& device);

    int state() const { return state_; }
    std::uint8_t status() const { return status_; }
    const latch_record& record() const { return collector_.record(); }

private:
    int state_ = 0;
    std::uint8_t status_ = 0;
    latch_collector collector_;
    std::chrono::steady_clock::time_point requested_{};
};

/// The latch page's manual read: request, wait 100 ms, then take the queued
/// chunks. Returns the chunks that arrived (record: those, then zeros).
std::size_t read_latch_once(k7::sensor_device& device, latch_record& record);

/// The latch page's error-state button: byte 0 in hexadecimal (lower case),
/// byte 1 and byte 2 in decimal, single blanks between.
std::string error_state_button_text(const std::array<std::uint8_t, 16>& state);

} // namespace orvex::diag
