// Firmware write with the deferred first page, the flash read into a file,
// and the identification record, against the simulated sensor.
#include "flash_fixture.h"

#include "flash/flash_programming.h"
#include "flash/ident_record.h"
#include "link/flash_commands.h"

using namespace orvex::k7;

namespace orvex::test {
namespace {

using Firmware = SimSensor;

TEST_F(Firmware, OnePageImageHasNothingDeferredAndLongerImagesWriteTheFirstPageLast)
{
    const auto one = pattern(256);
    clear_log();
    report_log reports;
    ASSERT_EQ(start_firmware_write(flash(), default_firmware_sector, one, reports.callback()), "");
    run_jobs();
    EXPECT_TRUE(reports.last().success);
    EXPECT_EQ(page_writes(), (std::vector<std::uint32_t>{0x090000}));
    EXPECT_EQ(sim_->flash_read(0, 0x090000, 256), one);
    EXPECT_TRUE(back_in_measuring_mode());
    EXPECT_TRUE(eventually([&] { return sim_->operating_mode(0) == 0; }));

    // 300 bytes: a job of 44 bytes at +256, then the first page on its own.
    const auto image = pattern(300, 4);
    clear_log();
    ASSERT_EQ(start_firmware_write(flash(), default_firmware_sector, image, reports.callback()), "");
    run_jobs();
    EXPECT_TRUE(reports.last().success);
    EXPECT_EQ(reports.last().text, "Запись успешно завершена.");
    EXPECT_EQ(page_writes(), (std::vector<std::uint32_t>{0x090100, 0x090000}));
    auto expected = image;
    expected.resize(512, 0xFF);
    EXPECT_EQ(sim_->flash_read(0, 0x090000, 512), expected);
    EXPECT_TRUE(back_in_measuring_mode());
    const auto l = log();
    EXPECT_EQ(l.front()[0], 0x86);
    EXPECT_EQ(l.front()[5], 3);
}

TEST_F(Firmware, InterruptedWriteLeavesTheFirstPageErasedAndRestoresMeasuringMode)
{
    sim_->flash_write_raw(0, 0x090000, byte_vector(256, 0x11));
    const auto image = pattern(16 * 256, 6);
    clear_log();
    report_log reports;
    ASSERT_EQ(start_firmware_write(flash(), default_firmware_sector, image, reports.callback()), "");
    // The device goes silent half-way: three more answers, then nothing.
    sim_->set_answer_budget(0, 3);
    run_jobs();
    ASSERT_EQ(reports.finals(), 1u);
    EXPECT_FALSE(reports.last().success);
    EXPECT_EQ(reports.last().text, "Ошибка при проверке страницы 3");
    EXPECT_EQ(sim_->flash_read(0, 0x090000, 256), byte_vector(256, 0xFF));
    // Sent although the device no longer answers (it still logs requests).
    EXPECT_TRUE(back_in_measuring_mode());
    const auto writes = page_writes();
    EXPECT_EQ(std::count(writes.begin(), writes.end(), 0x090000u), 0);
}

// Closing the program during a firmware write used to leave the sensor in
// flash-work mode (the job was never resumed and measuring mode never sent).
TEST_F(Firmware, DroppedOrFailingJobStillRestoresMeasuringMode)
{
    sim_->flash_write_raw(0, 0x090000, byte_vector(256, 0x11));
    const auto image = pattern(16 * 256, 8);
    report_log reports;
    ASSERT_EQ(start_firmware_write(flash(), default_firmware_sector, image, reports.callback()), "");
    ASSERT_TRUE(engine().resume_flash_jobs());
    engine().drop_all();
    EXPECT_TRUE(back_in_measuring_mode());
    EXPECT_EQ(reports.finals(), 0u);
    EXPECT_EQ(sim_->flash_read(0, 0x090000, 256), byte_vector(256, 0xFF)) << "the first page stays erased";

    // An exception in a callback ends the job, also with measuring mode.
    int n = 0;
    ASSERT_EQ(start_firmware_write(flash(), default_firmware_sector, image,
                                   [&](const flash_status&) {
                                       if (++n == 4)
                                           throw std::runtime_error("stop");
                                   }),
              "");
    EXPECT_THROW(run_jobs(), std::runtime_error);
    EXPECT_FALSE(engine().busy());
    EXPECT_TRUE(back_in_measuring_mode());
}

TEST_F(Firmware, FirstPageThatCannotBeWrittenIsReportedAsFailure)
{
    // Three pages: a job of two, then the first. The device stops answering
    // right after the job's last check, so all three tries of the first page fail.
    const auto image = pattern(3 * 256, 7);
    std::vector<std::chrono::milliseconds> pauses;
    report_log reports;
    auto callback = [&](const flash_status& s) {
        reports.all.push_back(s);
        if (s.text == "Запись страницы 2 из 2 (50%)")
            sim_->set_answer_budget(0, 2); // page 2: write and check
    };
    clear_log();
    ASSERT_EQ(start_firmware_write(flash(), default_firmware_sector, image, callback,
                                   [&](std::chrono::milliseconds ms) { pauses.push_back(ms); }),
              "");
    run_jobs();
    ASSERT_EQ(reports.finals(), 1u);
    EXPECT_FALSE(reports.last().success);
    EXPECT_EQ(reports.last().text, "Ошибка при записи первой страницы прошивки");
    EXPECT_EQ(pauses, std::vector<std::chrono::milliseconds>(3, std::chrono::milliseconds(300)));
    const auto writes = page_writes();
    EXPECT_EQ(std::count(writes.begin(), writes.end(), 0x090000u), 3);
    EXPECT_TRUE(back_in_measuring_mode());
}

TEST_F(Firmware, BadImagesAreRefusedBeforeAnythingIsErased)
{
    TempDir dir;
    std::vector<std::uint8_t> image;
    std::string error;
    EXPECT_FALSE(load_firmware_file(dir / "missing.bin", 9, image, error));
    EXPECT_EQ(error, "Не удалось открыть файл.");
    write_file(dir / "empty.bin", "");
    EXPECT_FALSE(load_firmware_file(dir / "empty.bin", 9, image, error));
    EXPECT_EQ(error, "Файл прошивки пуст");
    write_file(dir / "big.bin", std::string(2 * 65536 + 1, 'x'));
    EXPECT_FALSE(load_firmware_file(dir / "big.bin", 254, image, error));
    EXPECT_NE(error.find("не помещается"), std::string::npos);
    EXPECT_TRUE(load_firmware_file(dir / "big.bin", 253, image, error));
    EXPECT_EQ(image.size(), 2u * 65536 + 1);

    clear_log();
    report_log reports;
    EXPECT_NE(start_firmware_write(flash(), 254, image, reports.callback()), "");
    EXPECT_NE(start_firmware_write(flash(), 256, pattern(10), reports.callback()), "");
    EXPECT_NE(start_firmware_write(flash(), 9, {}, reports.callback()), "");
    EXPECT_TRUE(reports.all.empty());
    EXPECT_EQ(count_since_mark(0x53), 0u);
    EXPECT_EQ(count_since_mark(0x52), 0u);
}

TEST_F(Firmware, FlashDumpWritesTheWholeSizeOrAnEmptyFile)
{
    TempDir dir;
    const auto data = pattern(65536, 8);
    sim_->flash_write_raw(0, 0x090000, data);
    report_log reports;
    const auto file = dir / flash_dump_file_name;
    ASSERT_EQ(start_flash_dump(engine(), 9 * 65536, 65536, file, reports.callback()), "");
    run_jobs();
    EXPECT_TRUE(reports.last().success);
    EXPECT_EQ(reports.all.size(), 257u); // 256 page reads and the final report
    EXPECT_EQ(read_file(file), std::string(data.begin(), data.end()));

    clear_log();
    EXPECT_EQ(start_flash_dump(engine(), 0, 256, dir / "no" / "such" / "dir" / "f.bin", reports.callback()),
              "Не удалось открыть файл для записи");
    EXPECT_TRUE(log().empty());

    // A failed read truncates the file and leaves it empty.
    sim_->set_answer_budget(0, 0);
    ASSERT_EQ(start_flash_dump(engine(), 9 * 65536, 65536, file, reports.callback()), "");
    run_jobs();
    EXPECT_FALSE(reports.last().success);
    EXPECT_EQ(reports.last().text, "Ошибка при чтении страницы 0");
    EXPECT_TRUE(read_file(file).empty());
}

TEST(IdentRecord, EncodesTextSerialAndTruncatedOutline)
{
    ident_fields f;
    f.text = "ABC";
    f.serial = "42";
    f.frac_bits = 8;
    f.x_start = 1.5;
    f.x_end = 100.999;
    f.y_start_bottom = -50;
    f.y_start_top = 50;
    f.y_end_bottom = -0.999;
    f.y_end_top = 8191;
    const auto r = encode_ident_record(f);
    EXPECT_EQ(std::string(r.begin(), r.begin() + 4), "K7D!");
    EXPECT_EQ(std::string(r.begin() + 4, r.begin() + 7), "ABC");
    EXPECT_TRUE(std::all_of(r.begin() + 7, r.begin() + 104, [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(std::string(r.begin() + 104, r.begin() + 109), std::string("42\0\0\0", 5));
    EXPECT_EQ(r[109], 8);
    EXPECT_EQ(r[110], 0x01);
    EXPECT_EQ(r[111], 0x80);
    EXPECT_EQ((r[112] << 8 | r[113]), 25855); // 100.999 * 256 = 25855.7, truncated
    EXPECT_EQ(r[114], 0xCE);                  // -50 * 256 = -12800 = 0xCE00
    EXPECT_EQ(r[115], 0x00);
    EXPECT_EQ((r[118] << 8 | r[119]), 0xFF01); // -255.7 truncates toward zero to -255
    EXPECT_EQ((r[120] << 8 | r[121]), 0xFF00); // 8191 * 256 keeps its low 16 bits
    EXPECT_EQ(std::string(r.begin() + 122, r.begin() + 126), "K7D!");
    EXPECT_TRUE(std::all_of(r.begin() + 126, r.end(), [](std::uint8_t b) { return b == 0xFF; }));

    // Long texts are cut: 99 characters and a zero, 5 serial characters.
    f.text = std::string(150, 'x');
    f.serial = "1234567";
    const auto cut = encode_ident_record(f);
    EXPECT_EQ(cut[102], 'x');
    EXPECT_EQ(cut[103], 0);
    EXPECT_EQ(std::string(cut.begin() + 104, cut.begin() + 109), "12345");
    f.frac_bits = 17;
    EXPECT_THROW(encode_ident_record(f), std::invalid_argument);
}

TEST_F(Firmware, WrittenIdentificationShowsInTheNextDescription)
{
    ident_fields f;
    f.text = "Test head 7";
    f.serial = "31337";
    f.frac_bits = 6;
    f.x_start = 12.5;
    f.x_end = 240.25;
    f.y_start_bottom = -30;
    f.y_start_top = 40.5;
    f.y_end_bottom = -60;
    f.y_end_top = 70;
    const auto result = write_ident_record(flash(), encode_ident_record(f));
    EXPECT_TRUE(result.erased);
    EXPECT_TRUE(result.written);
    device_.disconnect();
    ASSERT_TRUE(device_.connect(loopback_address(2)));
    const auto& info = device_.commands().info();
    ASSERT_TRUE(info.ident_valid);
    EXPECT_EQ(info.ident_text, "Test head 7");
    EXPECT_EQ(info.serial, "31337");
    EXPECT_EQ(info.shift, 6);
    EXPECT_DOUBLE_EQ(info.x1, 12.5);
    EXPECT_DOUBLE_EQ(info.x2, 240.25);
    EXPECT_DOUBLE_EQ(info.y1_low, -30);
    EXPECT_DOUBLE_EQ(info.y1_high, 40.5);
    EXPECT_DOUBLE_EQ(info.y2_low, -60);
    EXPECT_DOUBLE_EQ(info.y2_high, 70);
    EXPECT_EQ(sim_->operating_mode(0), 0);
}

} // namespace
} // namespace orvex::test
