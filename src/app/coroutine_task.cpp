#include "app/coroutine_task.h"

#include <boost/context/fiber.hpp> // forced_unwind, whichever context implementation is in use

namespace orvex {

coroutine_task::coroutine_task(body_type body)
    : coroutine_([this, body = std::move(body)](yield_type& yield) {
          try {
              body(yield);
          } catch (const boost::context::detail::forced_unwind&) {
              throw; // a suspended task being destroyed: let the library unwind it
          } catch (...) {
              error_ = std::current_exception();
          }
      })
{
    rethrow_pending();
}

void coroutine_task::resume()
{
    if (coroutine_)
        coroutine_();
    rethrow_pending();
}

void coroutine_task::rethrow_pending()
{
    if (error_) {
        std::exception_ptr e = error_;
        error_ = nullptr;
        std::rethrow_exception(e);
    }
}

} // namespace orvex
