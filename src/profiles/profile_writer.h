// Background writer of profiles into a text file.
//
// The GUI thread queues profiles; the writer thread swaps the incoming queue
// with its own under one mutex and writes without holding it, so a slow disk
// never stalls the main timer. stop() lets the writer drain both queues and
// end; the destructor waits for it, so queued profiles are never lost and the
// thread never outlives the object that feeds it. The thread starts with the
// first queued profile, as the file is opened only when there is something
// to write.
#pragma once

#include "profiles/geometry.h"

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvex {

class profile_text_writer {
public:
    explicit profile_text_writer(std::filesystem::path file);
    ~profile_text_writer();
    profile_text_writer(const profile_text_writer&) = delete;
    profile_text_writer& operator=(const profile_text_writer&) = delete;

    /// Queues a copy of points[0..n) (GUI thread). Ignored after stop().
    void push(const math::Point2d* points, std::size_t n);
    /// Asks the writer to finish the queued profiles and end.
    void stop();
    /// True until the writer has ended (or when it never started and nothing is queued: false).
    bool busy() const { return busy_.load(); }
    /// Empty, or why the file could not be written.
    std::string error() const;
    const std::filesystem::path& file() const { return file_; }
    /// Profiles written so far.
    std::uint64_t written() const { return written_.load(); }

private:
    void run();

    std::filesystem::path file_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<math::Profile2d> incoming_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> busy_{false};
    std::atomic<std::uint64_t> written_{0};
    std::string error_;
    std::thread thread_;
};

/// "<date>   <HH-MM-SS>.txt" in `folder` for the local time `now`
/// ("%F   %H-%M-%S"); the folder is created when missing. Two files started
/// within the same second must not truncate one another: when that name
/// exists or `in_use` claims it (a writer that has not opened its file yet),
/// " (2)", " (3)", ... is put before ".txt".
std::filesystem::path profile_file_name(const std::filesystem::path& folder, std::time_t now,
                                        const std::function<bool(const std::filesystem::path&)>& in_use = {});

} // namespace orvex
