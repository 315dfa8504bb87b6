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
    read("root", root_);
    return true;
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
    bool ok = false;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (out) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            out.flush();
            ok = static_cast<bool>(out);
        }
    }
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(temp, target, ec);
        ok = !ec;
    }
    if (!ok && std::filesystem::is_regular_file(temp, ec))
        std::filesystem::remove(temp, ec);
    if (ok)
        write_count_.fetch_add(1);
    last_write_ok_.store(ok);
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
