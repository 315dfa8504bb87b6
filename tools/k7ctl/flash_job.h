// Running one flash job to its end for k7ctl: the job's reports drive the
// progress bar, and the device's jobs are resumed back to back (nothing
// else waits on this process, so there is no reason to pace them).
#pragma once

#include "cli.h"
#include "flash/flash_engine.h"

#include <QString>
#include <filesystem>

namespace k7ctl {

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
        while (engine.resume_flash_jobs()) {
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
