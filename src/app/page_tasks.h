// Page tasks: cooperative work spread over many main-timer ticks.
//
// A page that needs a long operation (a register dump, a timed power restart)
// starts a task whose body yields whenever it wants to wait for the next tick;
// the main window resumes every task once per tick. Tasks run on the GUI
// thread, so they may touch widgets and devices freely between yields.
#pragma once

#include <boost/coroutine2/coroutine.hpp>
#include <functional>
#include <list>

namespace orvex {

class page_tasks {
public:
    /// Inside a body: yield() waits for the next tick.
    using yield_type = boost::coroutines2::coroutine<void>::push_type;
    using body_type = std::function<void(yield_type& yield)>;

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
    using pull_type = boost::coroutines2::coroutine<void>::pull_type;
    struct task {
        int id;
        pull_type coroutine;
    };
    std::list<task> tasks_;
};

} // namespace orvex
