#include "link/connect_steps.h"

#include <algorithm>

namespace orvex::k7 {

bool firmware_supported(const firmware_version& version, std::int32_t type)
{
    return type == type_rcv || version >= firmware_version{40, '-'};
}

bool wants_extended_access(const firmware_version& version, bool key_loaded)
{
    return key_loaded && version >= firmware_version{48, '-'};
}

bool request_extended_flash_access(flash_commands& flash, std::uint64_t key)
{
    return flash.extended_access(key) && flash.global_unlock();
}

std::optional<range_block> read_range_block(flash_commands& flash)
{
    range_block block{};
    flash_commands::page page{};
    for (std::size_t i = 0; i < 5; ++i) {
        if (!flash.read_page(range_block_address + static_cast<std::uint32_t>(i * page.size()), page))
            return std::nullopt;
        std::copy(page.begin(), page.end(), block.begin() + static_cast<std::ptrdiff_t>(i * page.size()));
    }
    return block;
}

} // namespace orvex::k7
