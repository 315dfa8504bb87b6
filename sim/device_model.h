// Request dispatch shared by every kind of simulated device.
//
// A device model receives one request datagram at a time and answers with zero
// or more reply datagrams, all sent back to the port the request came from.
// Handlers are registered per request code, so a device kind (sensor, control
// board, crawler) is a set of handlers, and features such as a live scene add
// their codes to an existing model. Codes without a handler are ignored, as a
// real device ignores what it does not understand.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace orvex::sim {

using datagram = std::vector<std::uint8_t>;
using reply_list = std::vector<datagram>;

/// One received datagram; size may be anything from 0 to 65507. The sender
/// (IPv4 address, host order, and UDP port) lets a handler remember where a
/// stream started by the request has to go.
struct request {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::uint32_t peer_address = 0;
    std::uint16_t peer_port = 0;

    std::uint8_t code() const { return size > 0 ? data[0] : 0; }
    std::uint8_t at(std::size_t i) const { return data[i]; }
};

class device_model {
public:
    virtual ~device_model() = default;

    /// Runs the handler of the request's code; an empty request or a code
    /// without handler gives no reply. Returns false when nothing handled it.
    bool dispatch(const request& rq, reply_list& out) const
    {
        if (rq.size == 0 || !handlers_[rq.code()])
            return false;
        handlers_[rq.code()](rq, out);
        return true;
    }

protected:
    using handler = std::function<void(const request&, reply_list&)>;
    void on(std::uint8_t code, handler h) { handlers_[code] = std::move(h); }

private:
    std::array<handler, 256> handlers_;
};

} // namespace orvex::sim
