// write_file_atomically: writes a result file (X or Y table) through a
// temporary file beside it that is renamed over the old one, so a failed or
// interrupted write never leaves a half-written table where the next step
// (the flash write) would take it. Missing parent folders are created.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace orvex::calibr {

/// Calls `write(std::ostream&)` on the temporary file; returns an empty
/// string on success, else the message "Не удалось записать файл <path>".
template <class Writer>
std::string write_file_atomically(const std::filesystem::path& file, Writer&& write)
{
    std::error_code ec;
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path(), ec);
    const std::filesystem::path tmp = file.string() + ".tmp";
    const std::string failure = "Не удалось записать файл " + file.string();
    {
        std::ofstream out(tmp, std::ios::out | std::ios::trunc);
        if (out)
            write(out);
        out.flush();
        if (!out) {
            std::filesystem::remove(tmp, ec);
            return failure;
        }
    }
    std::filesystem::rename(tmp, file, ec);
    if (ec) {
        std::filesystem::remove(tmp, ec);
        return failure;
    }
    return {};
}

} // namespace orvex::calibr
