#include "app/page_tasks.h"

#include <algorithm>

namespace orvex {

bool page_tasks::start(int id, body_type body)
{
    if (id != 0 && running(id))
        return false;
    auto coroutine = std::make_unique<coroutine_task>(std::move(body));
    if (!coroutine->done())
        tasks_.push_back(task{id, std::move(coroutine)});
    return true;
}

void page_tasks::resume_all()
{
    for (auto it = tasks_.begin(); it != tasks_.end();) {
        try {
            it->coroutine->resume();
        } catch (...) {
            tasks_.erase(it);
            throw;
        }
        it = it->coroutine->done() ? tasks_.erase(it) : std::next(it);
    }
}

bool page_tasks::running(int id) const
{
    return std::any_of(tasks_.begin(), tasks_.end(), [id](const task& t) { return t.id == id; });
}

} // namespace orvex
