// The sanitizer build switches coroutine stacks with ucontext and tells
// AddressSanitizer about every switch (BOOST_USE_UCONTEXT, BOOST_USE_ASAN),
// because the default assembler switch leaves ASan's stack bookkeeping wrong
// and unwinding a coroutine then reports errors that are not there. The
// system's Boost.Context library is built for the default switch only, so the
// few definitions the ucontext variant needs from it live here: the current
// activation record of each thread, created on first use.
#if defined(BOOST_USE_UCONTEXT)

#include <boost/context/fiber.hpp>
#include <cstddef>

namespace boost::context::detail {
namespace {

thread_local fiber_activation_record* current_record = nullptr;
thread_local std::size_t users = 0;

} // namespace

fiber_activation_record_initializer::fiber_activation_record_initializer() noexcept
{
    if (users++ == 0)
        current_record = new fiber_activation_record();
}

fiber_activation_record_initializer::~fiber_activation_record_initializer()
{
    if (--users == 0) {
        delete current_record;
        current_record = nullptr;
    }
}

fiber_activation_record*& fiber_activation_record::current() noexcept
{
    thread_local static fiber_activation_record_initializer initializer;
    return current_record;
}

} // namespace boost::context::detail

#endif
