// Flash operations built on the engine: a write in flash-work mode, the
// firmware write with its deferred first page, and a flash read into a file.
//
// The sensor takes erases and page writes only in its flash-work mode (0x86
// mode 3); every write here switches it there before the job and back to
// measuring mode (mode 0) after the final report, whatever the outcome. Each
// start function either starts a job (the caller then resumes the device's
// flash jobs until none remains) or refuses with a text and sends nothing
// that erases or writes.
#pragma once

#include "flash/flash_engine.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvex::k7 {

class flash_commands;

/// Runs on the final report of a write before measuring mode is restored and
/// returns the report the caller gets (it may turn success into failure).
using write_finisher = std::function<flash_status(const flash_status&)>;

/// Flash-work mode, then start_flash_write. On the final report: `finish`
/// (when given), measuring mode, then the caller's callback. When the engine
/// refuses, measuring mode is restored at once and false returned. A job that
/// ends without a final report (dropped with flash_engine::drop_all, or ended
/// by an exception in the job or a callback) restores measuring mode as it goes.
bool start_programming(flash_commands& flash, std::uint32_t address, const std::uint8_t* data,
                       std::size_t size, flash_callback callback, write_finisher finish = {});

/// Default sector of the firmware image (unit 64 KiB).
constexpr unsigned default_firmware_sector = 9;

/// Why a firmware image of `size` bytes cannot go to `sector`: empty, sector
/// beyond 255, or larger than the flash from that sector on. Empty text: fine.
std::string firmware_size_problem(std::size_t size, unsigned sector);

/// Reads a whole firmware file. False with a message ("Не удалось открыть
/// файл." when it cannot be opened or read, or firmware_size_problem()).
bool load_firmware_file(const std::filesystem::path& file, unsigned sector, std::vector<std::uint8_t>& image,
                        std::string& error);

/// Waits between the tries of the deferred first page (300 ms each); by
/// default the job yields for that time (flash_engine::pause_job), so the
/// caller's timer keeps running.
using pause_function = std::function<void(std::chrono::milliseconds)>;

/// Writes a firmware image at sector * 64 KiB. An image longer than one page
/// is written from its second page on by a job; only when every one of those
/// pages was written and verified is the first page written, as a single page
/// (up to three tries, a pause of 300 ms after each failed one), so an
/// interrupted programming leaves the first page erased and the sensor does
/// not start a half-written image. The final report fails when the first page
/// could not be written. Returns an empty text when the job started, else
/// the reason (nothing erased then).
std::string start_firmware_write(flash_commands& flash, unsigned sector, std::vector<std::uint8_t> image,
                                 flash_callback callback, pause_function pause = {});

/// File name of a flash read-back.
constexpr const char* flash_dump_file_name = "flash_out.bin";

/// Reads `size` bytes from `address` into `file`. The file is created (or
/// truncated) before the job starts, so a failed read leaves it empty; its
/// contents are written when the read has succeeded ("Не удалось записать
/// файл" as the final report when that fails). Returns an empty text when the
/// job started, else the reason: "Не удалось открыть файл для записи", or the
/// engine's refusal.
std::string start_flash_dump(flash_engine& engine, std::uint32_t address, std::size_t size,
                             const std::filesystem::path& file, flash_callback callback);

} // namespace orvex::k7
