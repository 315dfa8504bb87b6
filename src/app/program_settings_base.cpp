#include "app/program_settings_base.h"

#include <algorithm>
#include <boost/property_tree/xml_parser.hpp>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace orvex::utils {
namespace {

std::filesystem::path to_path(const std::string& utf8)
{
    // u8path turns UTF-8 into the platform's wide form on Windows.
    return std::filesystem::u8path(utf8);
}

void sleep_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

ProgramSettingsBase::~ProgramSettingsBase()
{
    // A detached writer still refers to this object; let it finish.
    if (save_busy_.load()) {
        save_flush_.store(true);
        wait_idle();
    }
}

bool ProgramSettingsBase::load(const std::string& utf8_path)
{
    const std::string path = utf8_path.empty() ? file_name_ : utf8_path;
    std::ifstream in(to_path(path), std::ios::binary);
    if (!in)
        return false;
    ptree parsed;
    try {
        boost::property_tree::read_xml(in, parsed);
    } catch (const boost::property_tree::xml_parser_error&) {
        return false;
    }
    // The parser lets text without any element through; such a file is not
    // a settings file either.
    const bool has_element = std::any_of(parsed.begin(), parsed.end(),
                                         [](const auto& child) { return child.first != "<xmlcomment>"; });
    if (!has_element)
        return false;
    root_ = std::move(parsed);
    std::vector<std::string> unreadable;
    unreadable_ = &unreadable;
    read("root", root_);
    unreadable_ = nullptr;
    for (std::string& key : unreadable)
        if (key.rfind("root.", 0) == 0)
            key.erase(0, 5);
    unreadable_keys_ = std::move(unreadable);
    return true;
}

std::string ProgramSettingsBase::set_aside_damaged_file(const std::string& utf8_path) const
{
    const std::filesystem::path file = to_path(utf8_path.empty() ? file_name_ : utf8_path);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return std::string();
    for (int n = 1; n < 1000; ++n) {
        std::filesystem::path bad = file;
        bad += n == 1 ? ".bad" : ".bad." + std::to_string(n);
        if (std::filesystem::exists(bad, ec) || ec)
            continue;
        std::filesystem::rename(file, bad, ec);
        return ec ? std::string() : bad.u8string();
    }
    return std::string();
}

std::string ProgramSettingsBase::render()
{
    root_.clear();
    write("root", root_);
    std::ostringstream out;
    boost::property_tree::write_xml(
        out, root_, boost::property_tree::xml_writer_make_settings<std::string>(' ', 4, "utf-8"));
    return out.str();
}

bool ProgramSettingsBase::write_file(const std::string& utf8_path, const std::string& text)
{
    const std::filesystem::path target = to_path(utf8_path);
    std::filesystem::path temp = target;
    temp += ".tmp";
    namespace fs = std::filesystem;
    std::error_code ec;
    const auto old_status = fs::status(target, ec);
    const bool replacing = !ec && fs::is_regular_file(old_status);
    constexpr auto write_bits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    // A read-only file is meant to stay as it is: renaming over it would
    // succeed in a writable folder (and always for an administrator).
    bool ok = !(replacing && (old_status.permissions() & write_bits) == fs::perms::none);
    if (ok) {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (out) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            out.flush();
            ok = static_cast<bool>(out);
        }
    }
    if (ok && replacing)
        fs::permissions(temp, old_status.permissions(), ec); // best effort
    if (ok) {
        fs::rename(temp, target, ec);
        ok = !ec;
    }
    if (!ok && fs::is_regular_file(temp, ec))
        fs::remove(temp, ec);
    if (ok)
        write_count_.fetch_add(1);
    last_write_ok_.store(ok);
    if (!ok) {
        std::function<void(const std::string&)> report;
        {
            std::lock_guard<std::mutex> lock(pending_mutex_);
            report = write_failed_;
        }
        if (report)
            report(utf8_path);
    }
    return ok;
}

void ProgramSettingsBase::wait_idle() const
{
    while (save_busy_.load())
        sleep_ms(1);
}

bool ProgramSettingsBase::save(const std::string& utf8_path, bool wait)
{
    const std::string path = utf8_path.empty() ? file_name_ : utf8_path;
    std::string text = render();
    bool handed_over = false;
    {
        std::lock_guard<std::mutex> lock(pending_mutex_);
        if (save_busy_.load()) {
            // A writer is scheduled or running: it writes this text next, so a
            // burst of requests costs one write and nothing requested is lost.
            pending_text_ = std::move(text);
            pending_new_ = true;
            if (!wait)
                return true;
            save_flush_.store(true);
            handed_over = true;
        } else if (!wait) {
            pending_text_ = std::move(text);
            pending_new_ = true;
            save_busy_.store(true);
            std::thread(&ProgramSettingsBase::writer_thread, this, path).detach();
            return true;
        }
    }
    if (handed_over) {
        wait_idle();
        return last_write_ok_.load();
    }
    return write_file(path, text);
}

void ProgramSettingsBase::writer_thread(std::string path)
{
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(background_delay_ms) &&
           !save_flush_.load())
        sleep_ms(10);
    for (;;) {
        std::string text;
        {
            std::lock_guard<std::mutex> lock(pending_mutex_);
            if (!pending_new_) {
                save_busy_.store(false);
                save_writing_.store(false);
                return;
            }
            text.swap(pending_text_);
            pending_new_ = false;
            save_writing_.store(true);
        }
        write_file(path, text);
    }
}

} // namespace orvex::utils
