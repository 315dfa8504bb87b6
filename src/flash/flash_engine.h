// flash_engine: page-wise programming of the sensor's flash as cooperative jobs.
//
// A job is a coroutine that transfers two 256-byte pages and then yields; the
// main timer (or k7ctl's loop) resumes every job with resume_flash_jobs(), so
// an image of thousands of pages never blocks the caller for more than two
// page transactions. A write erases each 64 KiB sector before its first page
// and reads every written page back to compare it. Progress and the single
// final result reach the caller's callback as a flash_status with a short
// Russian text for the status line.
//
// A page read, page write or sector erase that fails (its reply did not come
// in time) is tried again, up to two more times, before the job fails: page
// writes and erases are idempotent on NOR flash, and flash_commands makes
// sure a late reply to a failed try is never taken for a later one.
//
// The engine belongs to a device's flash command object (flash_commands::jobs())
// and runs at most one job at a time. Everything runs on the caller's thread.
#pragma once

#include "app/coroutine_task.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>

namespace orvex::k7 {

class flash_commands;

/// One report of a job: progress (finished false) or the final result.
struct flash_status {
    bool finished = false;
    bool success = false; // meaningful when finished
    std::string text;
};

using flash_callback = std::function<void(const flash_status&)>;

class flash_engine {
public:
    static constexpr std::size_t page_size = 256;
    static constexpr std::uint32_t sector_size = 0x10000;
    static constexpr unsigned sector_count = 256; // 24-bit addresses
    static constexpr unsigned pages_per_resumption = 2;

    explicit flash_engine(flash_commands& flash);
    flash_engine(const flash_engine&) = delete;
    flash_engine& operator=(const flash_engine&) = delete;

    /// Reads `size` bytes from `address` into `destination`, which must stay
    /// valid until the final report; exactly `size` bytes are written there
    /// (a last partial page is cut). Refuses (false, nothing sent, callback not
    /// called) when size is 0, destination is null, the address's low byte is
    /// not 0, or a job runs. Otherwise runs the job up to its first yield, so
    /// the first two pages are done (or the job has ended) on return.
    bool start_flash_read(std::uint32_t address, std::uint8_t* destination, std::size_t size,
                          flash_callback callback);

    /// Writes `size` bytes of `data` from `address`. The data is copied at the
    /// start, so the caller may reuse its buffer at once; a last partial page is
    /// padded with 0xFF. Same refusal rules as start_flash_read. The caller
    /// switches the sensor to flash-work mode before and back afterwards.
    bool start_flash_write(std::uint32_t address, const std::uint8_t* data, std::size_t size,
                           flash_callback callback);

    /// Resumes every running job once (two more pages each) and drops the jobs
    /// that have ended. Returns whether a job remains. An exception raised in a
    /// job (for instance by its callback) ends that job and reaches the caller.
    bool resume_flash_jobs();

    /// True while a job exists, also inside the callback of a job being started.
    bool busy() const { return starting_ || !jobs_.empty(); }

    /// Drops every job without resuming it (no further report is made; what
    /// the job's callback owns is released, see start_programming()).
    void drop_all() { jobs_.clear(); }

    /// Waits at least `pause`. Called from inside a job (its body or a
    /// callback it made), it yields the job until then, so the caller's loop
    /// keeps running; anywhere else it sleeps.
    void pause_job(std::chrono::milliseconds pause);

    /// Tries of one page or sector transfer before a job fails.
    static constexpr int transfer_tries = 3;

private:
    using yield_type = coroutine_task::yield_type;
    bool start(coroutine_task::body_type body);

    flash_commands& flash_;
    std::list<std::unique_ptr<coroutine_task>> jobs_;
    bool starting_ = false;
    // While control is inside a job (being started or resumed), and that job's yield.
    bool inside_ = false;
    yield_type* yield_ = nullptr;
};

/// Pages a transfer of `size` bytes touches: (size - 1) / 256 + 1, 0 for 0.
std::size_t page_count(std::size_t size);

} // namespace orvex::k7
