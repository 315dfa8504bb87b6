// Running one flash job to its end for k7ctl: the job's reports drive the
// progress bar, and the device's jobs are resumed back to back (nothing
// else waits on this process, so there is no reason to pace them).
//
// SIGINT and SIGTERM during a job stop it between two pages instead of ending
// the process there: the job is dropped, which sends measuring mode for a
// write (flash_programming.h), and k7ctl ends with a device error.
#pragma once

#include "cli.h"
#include "flash/flash_engine.h"

#include <QString>
#include <csignal>
#include <filesystem>

namespace k7ctl {

/// While it lives, SIGINT and SIGTERM only set a flag, so flash work in
/// flash-work mode ends in measuring mode instead of being cut off.
class interrupt_guard {
public:
    interrupt_guard()
    {
        flag() = 0;
        old_int_ = std::signal(SIGINT, on_signal);
        old_term_ = std::signal(SIGTERM, on_signal);
    }
    ~interrupt_guard()
    {
        std::signal(SIGINT, old_int_);
        std::signal(SIGTERM, old_term_);
    }
    interrupt_guard(const interrupt_guard&) = delete;
    interrupt_guard& operator=(const interrupt_guard&) = delete;

    bool interrupted() const { return flag() != 0; }

    /// Ends k7ctl with a device error when a signal came.
    void fail_if_interrupted() const
    {
        if (interrupted())
            device_error(QStringLiteral("interrupted: the flash work was stopped and the sensor is in "
                                        "measuring mode"));
    }

private:
    static volatile std::sig_atomic_t& flag()
    {
        static volatile std::sig_atomic_t f = 0;
        return f;
    }
    static void on_signal(int) { flag() = 1; }

    using handler = void (*)(int);
    handler old_int_ = SIG_DFL;
    handler old_term_ = SIG_DFL;
};

class flash_job {
public:
    /// `expected_reports`: progress reports the job will make (its pages, or
    /// the rows of a table read-back), for the bar.
    flash_job(const QString& label, std::size_t expected_reports)
        : bar_(label),
          expected_(expected_reports == 0 ? 1 : expected_reports)
    {}

    orvex::k7::flash_callback callback()
    {
        return [this](const orvex::k7::flash_status& s) {
            if (s.finished) {
                final_ = s;
                done_ = true;
                return;
            }
            bar_.update(double(++seen_) / double(expected_));
        };
    }

    /// Resumes until the job has ended; a device error with the job's last
    /// text when it failed.
    orvex::k7::flash_status finish(orvex::k7::flash_engine& engine)
    {
        while (!signals_.interrupted() && engine.resume_flash_jobs()) {
        }
        if (signals_.interrupted() && engine.busy()) {
            engine.drop_all();
            signals_.fail_if_interrupted();
        }
        if (done_ && final_.success)
            bar_.update(1.0);
        if (!done_)
            device_error(QStringLiteral("the flash job ended without a result"));
        if (!final_.success)
            device_error(english(final_.text));
        return final_;
    }

private:
    interrupt_guard signals_;
    progress bar_;
    std::size_t expected_;
    std::size_t seen_ = 0;
    bool done_ = false;
    orvex::k7::flash_status final_;
};

/// A path from an argument, whatever the platform's narrow encoding.
inline std::filesystem::path to_path(const QString& s)
{
    return std::filesystem::path(s.toStdU16String());
}

} // namespace k7ctl
