#include "flash/table_transfers.h"

#include "flash/flash_programming.h"
#include "link/flash_commands.h"
#include "profiles/calibration_range.h"
#include "profiles/calibration_tables.h"

#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace orvex::k7 {

namespace {

const char* const busy_text = "Флеш занята другой операцией";

// State of one read-back, shared by the job's callback.
struct readback {
    std::vector<std::uint8_t> image;
    std::ofstream x_file, y_file;
    int cols = 1280;
    int frac_bits = 8;
    int rows_written = 0;
    std::size_t reports = 0;

    // Converts the rows whose pages have all been read.
    void write_rows(int rows_done, const flash_callback& cb)
    {
        std::string xs, ys;
        for (; rows_written < rows_done; ++rows_written) {
            xs.clear();
            ys.clear();
            append_readback_row(image.data() + static_cast<std::size_t>(rows_written) * table_row_bytes, cols,
                                frac_bits, xs, ys);
            x_file << xs;
            y_file << ys;
            if (cb)
                cb({false, false,
                    "Чтение линии " + std::to_string(rows_written) + " из " +
                        std::to_string(table_readback_rows)});
        }
    }
};

} // namespace

std::string start_table_write(flash_commands& flash, const std::filesystem::path& dir, int frac_bits,
                              std::int32_t device_type, flash_callback callback)
{
    if (flash.jobs().busy())
        return busy_text;
    if (frac_bits < 0 || frac_bits > 16)
        return "Число дробных бит должно быть от 0 до 16";
    std::string xt, yt;
    if (!read_table_file(dir / "TableX.txt", xt) || !read_table_file(dir / "TableY.txt", yt))
        return "Не удалось открыть файлы таблиц";
    std::vector<std::uint8_t> image;
    try {
        image = build_table_image(xt, yt, table_geometry_for(device_type), frac_bits);
    } catch (const table_error& e) {
        return e.what();
    }
    if (!start_programming(flash, table_address, image.data(), image.size(), std::move(callback)))
        return busy_text;
    return {};
}

std::string start_table_readback(flash_engine& engine, const std::filesystem::path& dir, int frac_bits,
                                 std::int32_t device_type, flash_callback callback)
{
    if (engine.busy())
        return busy_text;
    auto state = std::make_shared<readback>();
    state->x_file.open(dir / "R_TableX.txt", std::ios::binary | std::ios::trunc);
    state->y_file.open(dir / "R_TableY.txt", std::ios::binary | std::ios::trunc);
    if (!state->x_file || !state->y_file)
        return "Не удалось открыть файл для записи";
    state->cols = table_geometry_for(device_type).cols;
    state->frac_bits = frac_bits;
    state->image.assign(std::size_t{table_readback_rows} * table_row_bytes, 0xFF);
    constexpr std::size_t pages_per_row = table_row_bytes / flash_engine::page_size;

    auto report = [state, cb = std::move(callback)](const flash_status& s) {
        if (!s.finished) {
            // Each progress report comes before its page is read: the pages
            // before it are complete.
            const std::size_t pages_done = state->reports++;
            state->write_rows(static_cast<int>(pages_done / pages_per_row), cb);
            return;
        }
        const std::size_t pages_done = s.success ? state->image.size() / flash_engine::page_size
                                                 : (state->reports == 0 ? 0 : state->reports - 1);
        state->write_rows(static_cast<int>(pages_done / pages_per_row), cb);
        state->x_file.close();
        state->y_file.close();
        flash_status final_status = s;
        if (s.success)
            final_status.text = (state->x_file && state->y_file) ? "Чтение таблиц завершено успешно"
                                                                 : "Не удалось записать файл";
        final_status.success = s.success && state->x_file && state->y_file;
        if (cb)
            cb(final_status);
    };
    if (!engine.start_flash_read(table_address, state->image.data(), state->image.size(), std::move(report)))
        return busy_text;
    return {};
}

std::string start_range_write(flash_commands& flash, CalibrationRange& range,
                              const std::filesystem::path& dir, int frac_bits, flash_callback callback)
{
    if (flash.jobs().busy())
        return busy_text;
    try {
        range.load(dir, frac_bits);
        range.encode_block();
    } catch (const std::exception& e) {
        return e.what();
    }
    if (!start_programming(flash, range_block_flash_address, range.block().data(), range_block_bytes,
                           std::move(callback)))
        return busy_text;
    return {};
}

} // namespace orvex::k7
