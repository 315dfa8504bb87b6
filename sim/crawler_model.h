// A simulated pipe crawler: the extension board with code 0x80 behind a
// sensor, answering on the sensor's own address.
//
// Its memory (64 MiB) holds 64 generated frames of 1024 x 1024 grey pixels
// and, from 0x200000 on, the measurement log: a 64-byte header (record count
// N shifted left by 4, two counters 7 apart) and N records of 64 bytes.
// Requests:
//   0xA4          state: [0xA4, busy], busy while a started measurement runs
//   0xA6 P        delayed start: busy for P seconds plus the measurement length
//   0xA8          encoder reset
//   0xA9 F E1 P1(2) E2 P2(2)  live record: [0xA9] + 56 bytes; the motors move
//                 the crawler at (pulse - 1500) / 100 mm/s while enabled
//   0x2F F 0 L...  lines L (big-endian, at most 120) of frame F, one
//                 1284-byte datagram each: 0x2F, F, L, then 1024 line bytes
//                 and 256 filler bytes that belong to no line
// Records are a fixed function of their number (record()), so a test can
// check what the program decoded.
//
// Not synchronised: its owner (the device model) locks around every call
// except the const accessors, which touch only what never changes.
#pragma once

#include "device_model.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

namespace orvex::sim {

struct crawler_config {
    unsigned records = 1000; // records in the measurement log (key records=)
    double measure_s = 2.0;  // length of a measurement after its delay (key measure=)
};

class crawler_model {
public:
    using clock = std::chrono::steady_clock;
    static constexpr std::size_t memory_size = 64u << 20;
    static constexpr std::uint32_t log_offset = 0x200000;
    static constexpr unsigned max_records = 393116;

    crawler_model(crawler_config cfg, clock::time_point start);

    /// Answers one request of the crawler's command set; true when the code
    /// is one of its codes, whether or not the request was well formed.
    bool serve(const request& rq, clock::time_point now, reply_list& out);

    /// Record i (1..N) as stored in the log.
    static std::array<std::uint8_t, 64> record(unsigned i);
    unsigned record_count() const { return cfg_.records; }
    const std::vector<std::uint8_t>& memory() const { return memory_; }
    bool busy(clock::time_point now) const { return now < busy_until_; }

private:
    std::array<std::uint8_t, 57> live_reply(clock::time_point now);
    void advance(clock::time_point now);

    crawler_config cfg_;
    std::vector<std::uint8_t> memory_;
    clock::time_point busy_until_{};
    clock::time_point moved_at_;
    double position_mm_ = 0.0;
    double encoder_origin_mm_ = 0.0;
    double speed_mm_s_ = 0.0;
};

} // namespace orvex::sim
