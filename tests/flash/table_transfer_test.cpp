// The calibration-table operations against the simulated sensor: write the
// tables and read them back within one fixed-point step, write the range
// block and decode it, and the refusals that leave the flash alone.
#include "flash_fixture.h"

#include "flash/table_transfers.h"
#include "link/connect_steps.h"
#include "link/flash_commands.h"
#include "profiles/calibration_range.h"
#include "profiles/calibration_tables.h"

#include <cmath>
#include <sstream>

using namespace orvex::k7;

namespace orvex::test {
namespace {

class TableTransfer : public SimSensor {
protected:
    void SetUp() override { start(",type=E1D"); } // the point sensor: a 32 KiB image
};

std::vector<std::vector<double>> parse_rows(const std::string& text)
{
    std::vector<std::vector<double>> rows(1);
    std::istringstream in(text);
    std::string tok;
    while (in >> tok) {
        if (tok == "eol")
            rows.emplace_back();
        else
            rows.back().push_back(std::stod(tok));
    }
    rows.pop_back();
    return rows;
}

// rows x cols text with value(r, c) and the "eol" markers.
template <class F>
std::string table_text(int rows, int cols, F value)
{
    std::ostringstream out;
    out.precision(10);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c)
            out << value(r, c) << ' ';
        out << "eol\n";
    }
    return out.str();
}

TEST_F(TableTransfer, WrittenTablesReadBackWithinOneStep)
{
    TempDir dir;
    auto xv = [](int r, int c) { return c % 97 == 5 ? 65535.0 : 20.0 + c * 0.0137 + r * 0.25; };
    auto yv = [](int r, int c) { return -40.0 + c * 0.061 - r * 1.3; };
    write_file(dir / "TableX.txt", table_text(4, 1280, xv));
    write_file(dir / "TableY.txt", table_text(4, 1280, yv));
    report_log reports;
    ASSERT_EQ(start_table_write(flash(), dir.path(), 8, type_e1d, reports.callback()), "");
    run_jobs();
    ASSERT_TRUE(reports.last().success) << reports.last().text;
    EXPECT_TRUE(back_in_measuring_mode());

    report_log back;
    ASSERT_EQ(start_table_readback(engine(), dir.path(), 8, type_e1d, back.callback()), "");
    run_jobs();
    ASSERT_TRUE(back.last().success) << back.last().text;
    EXPECT_EQ(back.last().text, "Чтение таблиц завершено успешно");
    EXPECT_EQ(back.all[back.all.size() - 2].text, "Чтение линии 1023 из 1024");
    const auto rx = parse_rows(read_file(dir / "R_TableX.txt"));
    const auto ry = parse_rows(read_file(dir / "R_TableY.txt"));
    ASSERT_EQ(rx.size(), 1024u);
    ASSERT_EQ(ry.size(), 1024u);
    const double step = 1.0 / 256;
    for (int r = 0; r < 4; ++r) {
        ASSERT_EQ(rx[r].size(), 1280u);
        for (int c = 0; c < 1280; ++c) {
            if (xv(r, c) == 65535.0) {
                ASSERT_EQ(rx[r][c], 65535.0);
                ASSERT_EQ(ry[r][c], 65535.0);
                continue;
            }
            ASSERT_NEAR(rx[r][c], xv(r, c), step) << r << "," << c;
            ASSERT_NEAR(ry[r][c], yv(r, c), step) << r << "," << c;
        }
    }
    EXPECT_EQ(rx[4][0], 65535.0); // rows beyond the point sensor's four are erased
}

TEST_F(TableTransfer, BadTablesAndEmptyRangesNeverReachTheFlash)
{
    TempDir dir;
    clear_log();
    EXPECT_EQ(start_table_write(flash(), dir.path(), 8, type_e1d, {}), "Не удалось открыть файлы таблиц");
    write_file(dir / "TableX.txt", table_text(4, 1280, [](int, int) { return 1.0; }));
    write_file(dir / "TableY.txt", table_text(3, 1280, [](int, int) { return 1.0; }));
    EXPECT_EQ(start_table_write(flash(), dir.path(), 8, type_e1d, {}), "Не найден маркер конца строки");

    CalibrationRange range;
    EXPECT_EQ(start_range_write(flash(), range, dir.path(), 8, {}), "Не найден маркер конца строки.");
    write_file(dir / "TableX.txt", table_text(1024, 1280, [](int, int) { return 65535.0; }));
    write_file(dir / "TableY.txt", table_text(1024, 1280, [](int, int) { return 65535.0; }));
    EXPECT_NE(start_range_write(flash(), range, dir.path(), 8, {}).find("нет ни одной точки"),
              std::string::npos);

    // Values that do not fit their 16-bit word at N = 8 (X 0..255.996, Y
    // -128..127.996) are refused with file, row, column and value instead of
    // wrapping: X = 300 would come back as 44 mm.
    const auto refusal = [&](double x, double y, const char* where) {
        write_file(dir / "TableX.txt",
                   table_text(4, 1280, [&](int r, int c) { return r == 2 && c == 7 ? x : 1.0; }));
        write_file(dir / "TableY.txt",
                   table_text(4, 1280, [&](int r, int c) { return r == 2 && c == 7 ? y : 1.0; }));
        const std::string m = start_table_write(flash(), dir.path(), 8, type_e1d, {});
        EXPECT_NE(m.find(where), std::string::npos) << m;
        EXPECT_NE(m.find("строка 3, столбец 8"), std::string::npos) << m;
        return m;
    };
    EXPECT_NE(refusal(300.0, 1.0, "TableX.txt").find("значение 300 (допустимо от 0 до 255.992"),
              std::string::npos);
    EXPECT_NE(refusal(-1.0, 1.0, "TableX.txt").find("значение -1 "), std::string::npos);
    EXPECT_NE(refusal(1.0, 200.0, "TableY.txt").find("от -128 до 127.996"), std::string::npos);
    // The range block refuses the same Y (its rows are the full 1024).
    write_file(dir / "TableX.txt", table_text(1024, 1280, [](int, int) { return 10.0; }));
    write_file(dir / "TableY.txt",
               table_text(1024, 1280, [](int r, int c) { return r == 9 && c == 3 ? -200.0 : 1.0; }));
    EXPECT_EQ(
        start_range_write(flash(), range, dir.path(), 8, {}),
        "Значение вне диапазона в файле TableY.txt: строка 10, столбец 4, значение -200 (допустимо от -128 "
        "до 127.996 при 8 дробных битах).");

    EXPECT_EQ(count_since_mark(0x53), 0u);
    EXPECT_EQ(count_since_mark(0x52), 0u);
    EXPECT_FALSE(engine().busy());
}

TEST_F(TableTransfer, RangeBlockWrittenAndDecodedAtTheNextConnection)
{
    TempDir dir;
    // Values in columns 100..1099 of rows 200..799, X growing with the column.
    auto inside = [](int r, int c) { return r >= 200 && r < 800 && c >= 100 && c < 1100; };
    write_file(dir / "TableX.txt",
               table_text(1024, 1280, [&](int r, int c) { return inside(r, c) ? c * 0.1 : 65535.0; }));
    write_file(dir / "TableY.txt", table_text(1024, 1280, [&](int r, int c) {
                   return inside(r, c) ? (r - 500) * 0.05 : 65535.0;
               }));
    CalibrationRange range;
    report_log reports;
    ASSERT_EQ(start_range_write(flash(), range, dir.path(), 8, reports.callback()), "");
    run_jobs();
    ASSERT_TRUE(reports.last().success) << reports.last().text;
    EXPECT_EQ(sim_->flash_read(0, 0x700000 + 1280, 256), byte_vector(256, 0xFF));

    decoded_range decoded;
    const auto block = read_range_block(flash());
    ASSERT_TRUE(block.has_value());
    ASSERT_TRUE(decode_range_block(block->data(), block->size(), decoded));
    EXPECT_EQ(decoded.frac_bits, 8);
    EXPECT_NEAR(decoded.x_start, 10.0, 1.0 / 256);
    EXPECT_NEAR(decoded.x_end, 109.9, 1.0 / 256);
    EXPECT_NEAR(decoded.y_bottom, -15.0, 1.0 / 256);
    EXPECT_NEAR(decoded.y_top, 14.95, 1.0 / 256);
    EXPECT_EQ(decoded.first_row, 200);
    EXPECT_EQ(decoded.last_row, 799);

    // A sensor whose range was never written reads all 0xFF: ignored.
    sim_->flash_write_raw(0, 0x700000, byte_vector(1280, 0xFF));
    const auto blank = read_range_block(flash());
    ASSERT_TRUE(blank.has_value());
    EXPECT_FALSE(decode_range_block(blank->data(), blank->size(), decoded));
    EXPECT_TRUE(decoded.known);
    EXPECT_EQ(decoded.first_row, 200);
}

} // namespace
} // namespace orvex::test
