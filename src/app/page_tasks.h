// Page tasks: cooperative work spread over many main-timer ticks.
//
// A page that needs a long operation (a register dump, a timed power restart)
// starts a task whose body yields whenever it wants to wait for the next tick;
// the main window resumes every task once per tick. Tasks run on the GUI
// thread, so they may touch widgets and devices freely between yields.
#pragma once

#include "app/coroutine_task.h"

#include <list>
#include <memory>

namespace orvex {

class page_tasks {
public:
    using yield_type = coroutine_task::yield_type;
    using body_type = coroutine_task::body_type;

    /// Refuses (false) when id is not 0 and a task with that id still runs.
    /// Otherwise runs the body at once up to its first yield and keeps it
    /// unless it has already ended. An exception of the body reaches the caller.
    bool start(int id, body_type body);

    /// Resumes every task once, dropping those that end. An exception raised
    /// inside a body ends that task and reaches the caller; the other tasks
    /// stay and are resumed at the next call.
    void resume_all();

    /// Drops every task without resuming it (their stacks are unwound).
    void drop_all() { tasks_.clear(); }

    bool running(int id) const;
    std::size_t size() const { return tasks_.size(); }

private:
    struct task {
        int id;
        std::unique_ptr<coroutine_task> coroutine;
    };
    std::list<task> tasks_;
};

} // namespace orvex
