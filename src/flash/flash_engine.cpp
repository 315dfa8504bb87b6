#include "flash/flash_engine.h"

#include "link/flash_commands.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace orvex::k7 {

namespace {

// "Чтение страницы 3 из 10 (20%)": page counted from 1, percentage of the
// pages started before this one, integer division.
std::string progress_text(const char* verb, std::size_t i, std::size_t pages)
{
    return std::string(verb) + " страницы " + std::to_string(i + 1) + " из " + std::to_string(pages) + " (" +
           std::to_string(i * 100 / pages) + "%)";
}

// Up to flash_engine::transfer_tries calls of `transfer` until one succeeds.
template <class F>
bool with_retries(F transfer)
{
    for (int i = 0; i < flash_engine::transfer_tries; ++i)
        if (transfer())
            return true;
    return false;
}

} // namespace

std::size_t page_count(std::size_t size)
{
    return size == 0 ? 0 : (size - 1) / flash_engine::page_size + 1;
}

flash_engine::flash_engine(flash_commands& flash) : flash_(flash) {}

bool flash_engine::start(coroutine_task::body_type body)
{
    // Constructing the coroutine runs the body up to its first yield; a job
    // started from that first stretch's callback must see the engine busy.
    struct starting_flag {
        bool& f;
        bool& inside;
        bool was_inside;
        starting_flag(bool& flag, bool& in) : f(flag), inside(in), was_inside(in) { f = inside = true; }
        ~starting_flag()
        {
            f = false;
            inside = was_inside;
        }
    } flag(starting_, inside_);
    // The job's yield, for pause_job(); valid while the job exists.
    auto job = std::make_unique<coroutine_task>([this, body = std::move(body)](yield_type& yield) {
        yield_ = &yield;
        body(yield);
    });
    if (!job->done())
        jobs_.push_back(std::move(job));
    return true;
}

bool flash_engine::start_flash_read(std::uint32_t address, std::uint8_t* destination, std::size_t size,
                                    flash_callback callback)
{
    if (size == 0 || destination == nullptr || (address & 0xFF) != 0 || busy())
        return false;
    return start([this, address, destination, size, cb = std::move(callback)](yield_type& yield) {
        const std::size_t pages = page_count(size);
        flash_commands::page page{};
        for (std::size_t i = 0; i < pages; ++i) {
            if (cb)
                cb({false, false, progress_text("Чтение", i, pages)});
            const std::uint64_t at = std::uint64_t{address} + i * page_size;
            // Beyond the 24-bit space read_page refuses; the job then fails on that page.
            if (at > 0xFFFFFFFFu ||
                !with_retries([&] { return flash_.read_page(static_cast<std::uint32_t>(at), page); })) {
                if (cb)
                    cb({true, false, "Ошибка при чтении страницы " + std::to_string(i)});
                return;
            }
            const std::size_t offset = i * page_size;
            std::memcpy(destination + offset, page.data(), std::min(page_size, size - offset));
            if ((i + 1) % pages_per_resumption == 0 && i + 1 < pages)
                yield();
        }
        if (cb)
            cb({true, true, "Чтение успешно завершена."});
    });
}

bool flash_engine::start_flash_write(std::uint32_t address, const std::uint8_t* data, std::size_t size,
                                     flash_callback callback)
{
    if (size == 0 || data == nullptr || (address & 0xFF) != 0 || busy())
        return false;
    // Whole pages, the tail padded with the erased state.
    auto copy = std::make_shared<std::vector<std::uint8_t>>(page_count(size) * page_size, 0xFF);
    std::memcpy(copy->data(), data, size);
    return start([this, address, copy, cb = std::move(callback)](yield_type& yield) {
        const std::size_t pages = copy->size() / page_size;
        std::int64_t erased = -1;
        flash_commands::page page{};
        flash_commands::page check{};
        for (std::size_t i = 0; i < pages; ++i) {
            if (cb)
                cb({false, false, progress_text("Запись", i, pages)});
            const std::uint64_t at = std::uint64_t{address} + i * page_size;
            const auto sector = static_cast<std::int64_t>(at / sector_size);
            if (sector != erased) {
                if (sector >= static_cast<std::int64_t>(sector_count) ||
                    !with_retries([&] { return flash_.erase_sector(static_cast<std::uint32_t>(at)); })) {
                    if (cb)
                        cb({true, false, "Ошибка при стирании сектора " + std::to_string(sector)});
                    return;
                }
                erased = sector;
            }
            std::memcpy(page.data(), copy->data() + i * page_size, page_size);
            if (!with_retries([&] { return flash_.write_page(static_cast<std::uint32_t>(at), page); })) {
                if (cb)
                    cb({true, false, "Ошибка при записи страницы " + std::to_string(i)});
                return;
            }
            if (!with_retries([&] { return flash_.read_page(static_cast<std::uint32_t>(at), check); }) ||
                check != page) {
                if (cb)
                    cb({true, false, "Ошибка при проверке страницы " + std::to_string(i)});
                return;
            }
            if ((i + 1) % pages_per_resumption == 0 && i + 1 < pages)
                yield();
        }
        if (cb)
            cb({true, true, "Запись успешно завершена."});
    });
}

void flash_engine::pause_job(std::chrono::milliseconds pause)
{
    const auto until = std::chrono::steady_clock::now() + pause;
    if (!inside_ || yield_ == nullptr) {
        std::this_thread::sleep_for(pause);
        return;
    }
    yield_type& yield = *yield_;
    while (std::chrono::steady_clock::now() < until)
        yield();
}

bool flash_engine::resume_flash_jobs()
{
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        try {
            const bool was_inside = inside_;
            inside_ = true;
            struct restore {
                bool& flag;
                bool value;
                ~restore() { flag = value; }
            } on_exit{inside_, was_inside};
            (*it)->resume();
        } catch (...) {
            jobs_.erase(it);
            throw;
        }
        it = (*it)->done() ? jobs_.erase(it) : std::next(it);
    }
    return !jobs_.empty();
}

} // namespace orvex::k7
