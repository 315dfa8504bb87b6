#include "calibr/procedure_runner.h"

#include <exception>

namespace orvex::calibr {

procedure_runner::procedure_runner(log_sink log, std::function<void(const std::string&)> status)
    : log_(std::move(log)),
      status_(std::move(status))
{}

bool procedure_runner::start(body_type body, std::function<void()> completion)
{
    if (task_) {
        log_(log_icon::failure, "Попытка запустить подпрограмму во время выполнения другой подпрограммы");
        return false;
    }
    completion_ = std::move(completion);
    try {
        task_ = std::make_unique<coroutine_task>(std::move(body));
    } catch (const std::exception& e) {
        fail(e);
    }
    return true;
}

void procedure_runner::tick()
{
    if (!task_)
        return;
    if (task_->done()) {
        auto done = std::move(task_);
        auto completion = std::move(completion_);
        if (completion)
            completion();
        else
            log_(log_icon::success, "Конец подпрограммы");
        return;
    }
    try {
        task_->resume();
    } catch (const std::exception& e) {
        fail(e);
    }
}

void procedure_runner::stop(const std::string& reason)
{
    task_.reset();
    completion_ = nullptr;
    if (status_)
        status_("Остановлено");
    std::string text = "Подпрограмма остановлена";
    if (!reason.empty())
        text += ": " + reason;
    log_(log_icon::failure, text);
}

void procedure_runner::fail(const std::exception& e)
{
    if (const auto* stopped = dynamic_cast<const procedure_stopped*>(&e)) {
        const std::string reason = stopped->what(); // copied before the task goes
        stop(reason);
        return;
    }
    task_.reset();
    completion_ = nullptr;
    log_(log_icon::failure, e.what());
}

} // namespace orvex::calibr
