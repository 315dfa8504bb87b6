// The calibration-table operations of the firmware page, as flash jobs:
// write the table image at 0x800000, read it back into R_TableX.txt /
// R_TableY.txt, and write the range block at 0x700000.
//
// Each start function checks and prepares everything first (files, parsing,
// analysis) and returns the user's message when something is wrong; only a
// complete image ever reaches the flash. An empty text means the job runs:
// the caller resumes the device's flash jobs until none remains and shows the
// reports (the last one says how it ended). Writes run in flash-work mode.
#pragma once

#include "flash/flash_engine.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace orvex::k7 {

class flash_commands;
class CalibrationRange;

/// Writes TableX.txt / TableY.txt of `dir` as one image for the device type
/// with `frac_bits` fractional bits. Refusals: "Флеш занята другой
/// операцией", "Не удалось открыть файлы таблиц", "Не найден маркер конца
/// строки", a bad number.
std::string start_table_write(flash_commands& flash, const std::filesystem::path& dir, int frac_bits,
                              std::int32_t device_type, flash_callback callback);

/// Reads the 1024 table rows back and writes R_TableX.txt / R_TableY.txt in
/// `dir` with the sensor's own fractional-bit count. Progress reports read
/// "Чтение линии k из 1024" (k the row just written, from 0); the final one
/// "Чтение таблиц завершено успешно", or the engine's failure, after which
/// the files keep the rows read completely. Refusals: engine busy, "Не
/// удалось открыть файл для записи".
std::string start_table_readback(flash_engine& engine, const std::filesystem::path& dir, int frac_bits,
                                 std::int32_t device_type, flash_callback callback);

/// Loads and analyses the tables of `dir` into `range` with `frac_bits`,
/// encodes the block and writes its first 1280 bytes at 0x700000. Refusals:
/// engine busy, the loading errors, and a table pair without any valid cell.
std::string start_range_write(flash_commands& flash, CalibrationRange& range,
                              const std::filesystem::path& dir, int frac_bits, flash_callback callback);

} // namespace orvex::k7
