// procedure_runner: the calibration procedures as coroutines on the main timer.
//
// At most one procedure is held. start() runs it at once up to its first
// yield (inside the click that started it); tick() resumes it once per call,
// and on the tick after it has finished runs its completion action (or logs
// "Конец подпрограммы"). An error raised inside the procedure ends only the
// procedure: its text goes to the log with the failure icon. stop() drops a
// held procedure, which unwinds its stack (open files close, what was written
// stays) and sends nothing to any device.
//
// The log and the status line are callbacks, so the runner needs no widgets;
// the calibration window shows them, tests collect them.
#pragma once

#include "app/coroutine_task.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace orvex::calibr {

enum class log_icon { success, failure, step, info };

using log_sink = std::function<void(log_icon, const std::string&)>;

/// Thrown by a procedure that stops itself: the runner logs it as a stop
/// with this reason ("Подпрограмма остановлена: reason").
class procedure_stopped : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class procedure_runner {
public:
    using yield_type = coroutine_task::yield_type;
    using body_type = coroutine_task::body_type;

    /// `log` receives every log line; `status` the text for the status label.
    procedure_runner(log_sink log, std::function<void(const std::string&)> status);

    /// Refuses (false, with a log line) while a procedure is held.
    bool start(body_type body, std::function<void()> completion = {});
    /// One resumption, or the end of a finished procedure.
    void tick();
    /// Drops the held procedure, if any, and logs the stop with its reason.
    void stop(const std::string& reason);

    bool busy() const { return task_ != nullptr; }

private:
    void fail(const std::exception& e);

    log_sink log_;
    std::function<void(const std::string&)> status_;
    std::unique_ptr<coroutine_task> task_;
    std::function<void()> completion_;
};

} // namespace orvex::calibr
