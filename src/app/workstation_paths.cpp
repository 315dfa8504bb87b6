#include "app/workstation_paths.h"

#include <cstdlib>
#include <fstream>

namespace orvex::platform {
namespace {

struct entry {
    const char* windows_path;
    const char* variable;
    const char* relative;
};

const entry& entry_of(workstation_file which)
{
    static const entry entries[] = {
        {"d:/misc/quorin/flash_key.txt", "ORVEX_FLASH_KEY_FILE", "d/misc/quorin/flash_key.txt"},
        {"D:/misc/quorin/recovery.bin", "ORVEX_RECOVERY_IMAGE", "d/misc/quorin/recovery.bin"},
        {"C:/projects/K7D/flash/fresh_flash.bin", "ORVEX_FRESH_FLASH_C",
         "c/projects/K7D/flash/fresh_flash.bin"},
        {"D:/projects/K7D/flash/fresh_flash.bin", "ORVEX_FRESH_FLASH_D",
         "d/projects/K7D/flash/fresh_flash.bin"},
    };
    return entries[static_cast<int>(which)];
}

[[maybe_unused]] std::filesystem::path workstation_dir()
{
    if (const char* dir = std::getenv("ORVEX_WORKSTATION_DIR"); dir && *dir)
        return std::filesystem::u8path(dir);
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::u8path(home) / ".local" / "share" / "quorin" / "workstation";
    return std::filesystem::path("workstation");
}

} // namespace

std::filesystem::path workstation_path(workstation_file which)
{
    const entry& e = entry_of(which);
#ifdef _WIN32
    return std::filesystem::u8path(e.windows_path);
#else
    if (const char* v = std::getenv(e.variable); v && *v)
        return std::filesystem::u8path(v);
    return workstation_dir() / std::filesystem::u8path(e.relative);
#endif
}

flash_access_key read_flash_access_key(const std::filesystem::path& file)
{
    flash_access_key key;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return key;
    unsigned char bytes[8];
    if (!in.read(reinterpret_cast<char*>(bytes), sizeof bytes))
        return key;
    for (unsigned char b : bytes)
        key.value = (key.value << 8) | b;
    key.present = true;
    return key;
}

} // namespace orvex::platform
