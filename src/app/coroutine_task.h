// coroutine_task: a stackful coroutine resumed from a timer, whose exceptions
// reach the resumer.
//
// An exception of the body is caught on the coroutine's own stack, carried
// out as an exception_ptr and rethrown by the constructor or by resume() on
// the caller's stack. Letting it unwind across the stack switch instead works
// in plain builds but confuses AddressSanitizer's stack bookkeeping; carrying
// it keeps the sanitizer build meaningful. Page tasks and flash jobs run on it.
#pragma once

#include <boost/coroutine2/coroutine.hpp>
#include <exception>
#include <functional>

namespace orvex {

class coroutine_task {
public:
    /// Inside a body: yield() waits for the next resume().
    using yield_type = boost::coroutines2::coroutine<void>::push_type;
    using body_type = std::function<void(yield_type& yield)>;

    /// Runs the body up to its first yield; an exception it raises by then is
    /// rethrown here. The object must not move afterwards (the body refers to it).
    explicit coroutine_task(body_type body);
    coroutine_task(const coroutine_task&) = delete;
    coroutine_task& operator=(const coroutine_task&) = delete;

    /// Runs the body to its next yield or its end. Rethrows the body's
    /// exception; the task has then ended. Does nothing once ended.
    void resume();

    bool done() const { return !coroutine_; }

private:
    void rethrow_pending();

    std::exception_ptr error_;
    boost::coroutines2::coroutine<void>::pull_type coroutine_;
};

} // namespace orvex
