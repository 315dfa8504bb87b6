#include "link/address_change.h"

#include "link/byte_order.h"

#include <algorithm>

namespace orvex::k7 {

std::optional<address_change_frame> address_change_datagram(const std::string& serial,
                                                            std::uint32_t new_address)
{
    if (serial.size() != 5)
        return std::nullopt;
    address_change_frame f{};
    f[0] = 0xF6;
    std::copy(serial.begin(), serial.end(), f.begin() + 1);
    bytes::put_be32(&f[6], new_address);
    return f;
}

std::uint32_t propose_address(std::uint32_t computer_address, const std::vector<std::uint32_t>& found)
{
    const bool down = (computer_address & 0x80) != 0;
    std::uint32_t candidate = computer_address;
    for (int step = 0; step < 100; ++step) {
        candidate = down ? candidate - 1 : candidate + 1;
        if (std::find(found.begin(), found.end(), candidate) == found.end())
            break;
    }
    return candidate;
}

} // namespace orvex::k7
