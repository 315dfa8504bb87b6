#include "app/page_tasks.h"

#include <algorithm>

namespace orvex {

bool page_tasks::start(int id, body_type body)
{
    if (id != 0 && running(id))
        return false;
    // Constructing the coroutine runs the body up to its first yield.
    pull_type coroutine([body = std::move(body)](yield_type& yield) { body(yield); });
    if (coroutine)
        tasks_.push_back(task{id, std::move(coroutine)});
    return true;
}

void page_tasks::resume_all()
{
    for (auto it = tasks_.begin(); it != tasks_.end();) {
        try {
            it->coroutine();
        } catch (...) {
            tasks_.erase(it);
            throw;
        }
        it = it->coroutine ? std::next(it) : tasks_.erase(it);
    }
}

bool page_tasks::running(int id) const
{
    return std::any_of(tasks_.begin(), tasks_.end(), [id](const task& t) { return t.id == id; });
}

} // namespace orvex
