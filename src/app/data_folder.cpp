#include "app/data_folder.h"

#include <chrono>
#include <fstream>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace orvex::app {

bool folder_is_writable(const fs::path& dir)
{
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return false;
    // A name no user file has; the clock keeps two programs starting at once apart.
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path probe = dir / (".quorin-write-probe-" + std::to_string(stamp));
    bool written = false;
    {
        std::ofstream out(probe, std::ios::binary);
        written = static_cast<bool>(out);
    }
    fs::remove(probe, ec);
    return written;
}

data_folder_choice choose_data_folder(const fs::path& exe_dir, const fs::path& user_dir)
{
    if (folder_is_writable(exe_dir) || user_dir.empty())
        return {exe_dir, false};
    std::error_code ec;
    fs::create_directories(user_dir, ec);
    if (!folder_is_writable(user_dir))
        return {exe_dir, false};
    return {user_dir, true};
}

int copy_missing_files(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    if (!fs::is_directory(from, ec))
        return 0;
    fs::create_directories(to, ec);
    int copied = 0;
    for (const auto& entry : fs::directory_iterator(from, ec)) {
        if (!entry.is_regular_file(ec))
            continue;
        const fs::path target = to / entry.path().filename();
        if (fs::exists(target, ec))
            continue;
        if (fs::copy_file(entry.path(), target, ec))
            ++copied;
    }
    return copied;
}

fs::path shipped_path(const fs::path& exe_dir, const fs::path& name)
{
    std::error_code ec;
    if (fs::exists(exe_dir / name, ec))
        return exe_dir / name;
    const fs::path installed = exe_dir.parent_path() / "share" / "quorin" / name;
    if (fs::exists(installed, ec))
        return installed;
    return {};
}

} // namespace orvex::app
