#include "flash/flash_programming.h"

#include "link/flash_commands.h"

#include <algorithm>
#include <fstream>

namespace orvex::k7 {

namespace {

constexpr int first_page_tries = 3;
constexpr std::chrono::milliseconds first_page_pause{300};

const char* const engine_busy_text = "Флеш занята другой операцией";

// Sends measuring mode once: when asked (the final report), or at the latest
// when the last copy of the job's callback goes, so a job that is dropped,
// ends by an exception or is refused never leaves the sensor in flash-work mode.
class measuring_mode_restorer {
public:
    explicit measuring_mode_restorer(flash_commands& flash) : flash_(flash) {}
    measuring_mode_restorer(const measuring_mode_restorer&) = delete;
    measuring_mode_restorer& operator=(const measuring_mode_restorer&) = delete;
    ~measuring_mode_restorer()
    {
        try {
            restore();
        } catch (...) {
        }
    }
    void restore()
    {
        if (restored_)
            return;
        restored_ = true;
        flash_.set_operating_mode(flash_commands::mode_measuring);
    }

private:
    flash_commands& flash_;
    bool restored_ = false;
};

} // namespace

bool start_programming(flash_commands& flash, std::uint32_t address, const std::uint8_t* data,
                       std::size_t size, flash_callback callback, write_finisher finish)
{
    flash.set_operating_mode(flash_commands::mode_flash_work);
    auto mode = std::make_shared<measuring_mode_restorer>(flash);
    auto report = [mode, cb = std::move(callback), fin = std::move(finish)](const flash_status& s) {
        if (!s.finished) {
            if (cb)
                cb(s);
            return;
        }
        const flash_status final_status = fin ? fin(s) : s;
        mode->restore();
        if (cb)
            cb(final_status);
    };
    if (flash.jobs().start_flash_write(address, data, size, std::move(report)))
        return true;
    mode->restore();
    return false;
}

std::string firmware_size_problem(std::size_t size, unsigned sector)
{
    if (sector >= flash_engine::sector_count)
        return "Сектор " + std::to_string(sector) + " вне флеш (0..255)";
    if (size == 0)
        return "Файл прошивки пуст";
    const std::size_t room = std::size_t{flash_engine::sector_count - sector} * flash_engine::sector_size;
    if (size > room)
        return "Файл прошивки (" + std::to_string(size) + " байт) не помещается во флеш с сектора " +
               std::to_string(sector) + " (" + std::to_string(room) + " байт)";
    return {};
}

bool load_firmware_file(const std::filesystem::path& file, unsigned sector, std::vector<std::uint8_t>& image,
                        std::string& error)
{
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in) {
        error = "Не удалось открыть файл.";
        return false;
    }
    const std::streamoff length = in.tellg();
    if (length < 0) {
        error = "Не удалось открыть файл.";
        return false;
    }
    // Checked before reading, so a huge file is never loaded.
    error = firmware_size_problem(static_cast<std::size_t>(length), sector);
    if (!error.empty())
        return false;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length), 0xFF);
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), length)) {
        error = "Не удалось открыть файл.";
        return false;
    }
    image = std::move(bytes);
    return true;
}

std::string start_firmware_write(flash_commands& flash, unsigned sector, std::vector<std::uint8_t> image,
                                 flash_callback callback, pause_function pause)
{
    std::string problem = firmware_size_problem(image.size(), sector);
    if (!problem.empty())
        return problem;
    if (flash.jobs().busy())
        return engine_busy_text;
    const auto base = static_cast<std::uint32_t>(sector * flash_engine::sector_size);
    const std::size_t deferred = image.size() > flash_engine::page_size ? flash_engine::page_size : 0;

    write_finisher finish;
    if (deferred != 0) {
        flash_commands::page first;
        std::copy(image.begin(), image.begin() + flash_engine::page_size, first.begin());
        if (!pause)
            pause = [&flash](std::chrono::milliseconds ms) { flash.jobs().pause_job(ms); };
        finish = [&flash, base, first, pause](const flash_status& s) -> flash_status {
            if (!s.success)
                return s;
            for (int attempt = 0; attempt < first_page_tries; ++attempt) {
                if (flash.write_page(base, first))
                    return s;
                pause(first_page_pause);
            }
            return {true, false, "Ошибка при записи первой страницы прошивки"};
        };
    }
    // The engine copies the data, so the image may go when the job has started.
    if (!start_programming(flash, base + static_cast<std::uint32_t>(deferred), image.data() + deferred,
                           image.size() - deferred, std::move(callback), std::move(finish)))
        return engine_busy_text;
    return {};
}

std::string start_flash_dump(flash_engine& engine, std::uint32_t address, std::size_t size,
                             const std::filesystem::path& file, flash_callback callback)
{
    if (engine.busy())
        return engine_busy_text;
    if (size == 0 || (address & 0xFF) != 0)
        return "Неверный адрес или размер чтения";
    auto out = std::make_shared<std::ofstream>(file, std::ios::binary | std::ios::trunc);
    if (!*out)
        return "Не удалось открыть файл для записи";
    auto buffer = std::make_shared<std::vector<std::uint8_t>>(size);
    auto report = [out, buffer, cb = std::move(callback)](const flash_status& s) {
        flash_status r = s;
        if (s.finished && s.success) {
            out->write(reinterpret_cast<const char*>(buffer->data()),
                       static_cast<std::streamsize>(buffer->size()));
            out->close();
            if (!*out)
                r = {true, false, "Не удалось записать файл"};
        } else if (s.finished) {
            out->close();
        }
        if (cb)
            cb(r);
    };
    if (!engine.start_flash_read(address, buffer->data(), size, std::move(report)))
        return engine_busy_text;
    return {};
}

} // namespace orvex::k7
