#include "state_store.h"

#include "sensor_model.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace orvex::sim {

namespace fs = std::filesystem;

namespace {

fs::path file_for(const std::string& dir, const sensor_model& m, const char* suffix)
{
    return fs::path(dir) / ("sensor-" + m.config().serial + suffix);
}

bool read_whole(const fs::path& p, std::string& out)
{
    std::error_code ec;
    if (!fs::exists(p, ec))
        return false;
    std::ifstream in(p, std::ios::binary);
    if (!in)
        throw std::invalid_argument("state file " + p.string() + " cannot be read");
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

std::string write_atomic(const fs::path& p, const std::string& bytes)
{
    const fs::path tmp = p.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out)
            return "k7sim: cannot write state file " + tmp.string();
    }
    std::error_code ec;
    fs::rename(tmp, p, ec);
    if (ec)
        return "k7sim: cannot replace state file " + p.string() + ": " + ec.message();
    return {};
}

} // namespace

void prepare_state_dir(const std::string& dir)
{
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir))
        throw std::invalid_argument("state folder \"" + dir + "\" cannot be created" +
                                    (ec ? ": " + ec.message() : std::string()));
}

void load_device_state(const std::string& dir, sensor_model& m)
{
    const auto flash_path = file_for(dir, m, ".flash");
    const auto settings_path = file_for(dir, m, ".settings");
    std::string flash, settings;
    const bool has_flash = read_whole(flash_path, flash);
    const bool has_settings = read_whole(settings_path, settings);
    std::array<std::uint8_t, settings_size> stored{};
    if (has_settings) {
        if (settings.size() != settings_size)
            throw std::invalid_argument("state file " + settings_path.string() + " is damaged: " +
                                        std::to_string(settings.size()) + " bytes instead of 256");
        std::copy(settings.begin(), settings.end(), stored.begin());
    }
    // A board's flash copy of its parameter area, for devices with a board.
    const auto board_path = file_for(dir, m, ".board");
    std::string board;
    if (m.config().board != 0 && read_whole(board_path, board)) {
        if (board.size() != 256)
            throw std::invalid_argument("state file " + board_path.string() + " is damaged: " +
                                        std::to_string(board.size()) + " bytes instead of 256");
        std::array<std::uint8_t, 256> area{};
        std::copy(board.begin(), board.end(), area.begin());
        m.set_board_flash(area);
    }
    try {
        m.load_state(has_flash ? &flash : nullptr, has_settings ? &stored : nullptr);
    } catch (const std::runtime_error& e) {
        throw std::invalid_argument("state file " + flash_path.string() + " is damaged: " + e.what());
    }
}

std::vector<std::string> save_device_state(const std::string& dir, const sensor_model& m)
{
    std::vector<std::string> errors;
    auto keep = [&](const std::string& e) {
        if (!e.empty())
            errors.push_back(e);
    };
    keep(write_atomic(file_for(dir, m, ".flash"), m.save_flash()));
    const auto s = m.stored_settings();
    keep(write_atomic(file_for(dir, m, ".settings"), std::string(s.begin(), s.end())));
    if (m.config().board != 0) {
        const auto b = m.board_flash();
        keep(write_atomic(file_for(dir, m, ".board"), std::string(b.begin(), b.end())));
    }
    return errors;
}

} // namespace orvex::sim
