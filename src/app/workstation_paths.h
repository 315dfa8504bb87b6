// Fixed files of the engineer's workstation, and the extended-flash-access key.
//
// On Windows these are the absolute paths the workstations have always used.
// Elsewhere each comes from an environment variable, falling back to the same
// relative path below a workstation folder:
//
//   file                 variable              fallback below $ORVEX_WORKSTATION_DIR
//                                              (default ~/.local/share/quorin/workstation)
//   flash key            ORVEX_FLASH_KEY_FILE   d/misc/quorin/flash_key.txt
//   recovery image       ORVEX_RECOVERY_IMAGE   d/misc/quorin/recovery.bin
//   fresh flash (C:)     ORVEX_FRESH_FLASH_C    c/projects/K7D/flash/fresh_flash.bin
//   fresh flash (D:)     ORVEX_FRESH_FLASH_D    d/projects/K7D/flash/fresh_flash.bin
#pragma once

#include <cstdint>
#include <filesystem>

namespace orvex::platform {

enum class workstation_file { flash_key, recovery_image, fresh_flash_c, fresh_flash_d };

std::filesystem::path workstation_path(workstation_file which);

/// The extended-flash-access key. Its value is a secret: it is only ever sent
/// to a sensor, never printed, logged or stored.
struct flash_access_key {
    std::uint64_t value = 0;
    bool present = false;
};

/// Reads the key: the file's first 8 bytes, big-endian (first byte most
/// significant). A missing file or one shorter than 8 bytes means no key.
flash_access_key read_flash_access_key(const std::filesystem::path& file);

} // namespace orvex::platform
