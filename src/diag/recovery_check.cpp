#include "diag/recovery_check.h"

#include "link/flash_commands.h"

#include <algorithm>
#include <fstream>

namespace orvex::diag {

bool read_recovery_reference(const std::filesystem::path& file, std::vector<std::uint8_t>& out)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    out.assign(recovery_compare_bytes, 0);
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    out.resize(static_cast<std::size_t>(in.gcount()));
    return true;
}

bool read_recovery_flash(k7::flash_commands& flash, std::array<std::uint8_t, recovery_compare_bytes>& out)
{
    constexpr std::size_t page = 256;
    for (std::size_t i = 0; i < recovery_compare_bytes / page; ++i) {
        k7::flash_commands::page data{};
        if (!flash.read_page(recovery_flash_address + static_cast<std::uint32_t>(i * page), data))
            return false;
        std::copy_n(data.begin(), page, out.begin() + i * page);
    }
    return true;
}

bool recovery_matches(const std::vector<std::uint8_t>& reference,
                      const std::array<std::uint8_t, recovery_compare_bytes>& flash)
{
    return reference.size() == recovery_compare_bytes &&
           std::equal(reference.begin(), reference.end(), flash.begin());
}

} // namespace orvex::diag
