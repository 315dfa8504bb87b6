// Error raised by socket-level steps of the device links and the search.
//
// It carries the operating system's error code (as std::system_error does) and
// the name of the failing step ("open", "bind", "set_option", "close",
// "available"), so that a connection failure can be reported and logged with
// both. Transactions never raise it; they report failure as false.
#pragma once

#include <string>
#include <system_error>

namespace orvex::k7 {

class link_error : public std::system_error {
public:
    link_error(std::error_code code, std::string step)
        : std::system_error(code, "udp " + step),
          step_(std::move(step))
    {}

    /// Name of the failing step, e.g. "bind".
    const std::string& step() const noexcept { return step_; }

private:
    std::string step_;
};

} // namespace orvex::k7
