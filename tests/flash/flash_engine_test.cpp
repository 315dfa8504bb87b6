// The page programming engine against the simulated sensor: page counts and
// padding, one erase per sector, read-back verification, the progress and
// final texts, two pages per resumption, and the refusal rules.
#include "flash_fixture.h"

#include "link/flash_commands.h"

using namespace orvex::k7;

namespace orvex::test {
namespace {

class FlashEngine : public SimSensor {
protected:
    void SetUp() override
    {
        SimSensor::SetUp();
        flash().set_operating_mode(flash_commands::mode_flash_work);
        // The mode datagram gets no reply: a test that clears the log before
        // the simulator has taken it would find it among its own requests.
        ASSERT_TRUE(mode_taken(flash_commands::mode_flash_work));
    }
};

TEST_F(FlashEngine, WritePadsTheLastPageErasesOncePerSectorAndReportsEveryPage)
{
    // 257 bytes: two pages, the second holding one data byte and 255 x 0xFF.
    const auto data = pattern(257);
    sim_->flash_write_raw(0, 0x090100, byte_vector(256, 0x00)); // must be erased first
    clear_log();
    report_log reports;
    ASSERT_TRUE(engine().start_flash_write(0x090000, data.data(), data.size(), reports.callback()));
    run_jobs();
    ASSERT_EQ(reports.finals(), 1u);
    EXPECT_TRUE(reports.last().success);
    EXPECT_EQ(reports.last().text, "Запись успешно завершена.");
    ASSERT_EQ(reports.all.size(), 3u);
    EXPECT_EQ(reports.all[0].text, "Запись страницы 1 из 2 (0%)");
    EXPECT_EQ(reports.all[1].text, "Запись страницы 2 из 2 (50%)");
    EXPECT_EQ(page_writes(), (std::vector<std::uint32_t>{0x090000, 0x090100}));
    EXPECT_EQ(count_since_mark(0x53), 1u);
    auto expected = data;
    expected.resize(512, 0xFF);
    EXPECT_EQ(sim_->flash_read(0, 0x090000, 512), expected);

    // Six pages across a sector boundary: two erases, each before the sector's first page.
    clear_log();
    const auto more = pattern(6 * 256, 9);
    ASSERT_TRUE(engine().start_flash_write(0x0AFD00, more.data(), more.size(), reports.callback()));
    run_jobs();
    EXPECT_TRUE(reports.last().success);
    std::vector<std::uint32_t> erased;
    for (auto& r : log())
        if (r[0] == 0x53)
            erased.push_back(r[1]);
    EXPECT_EQ(erased, (std::vector<std::uint32_t>{0x0A, 0x0B}));
    EXPECT_EQ(sim_->flash_read(0, 0x0AFD00, more.size()), more);
}

TEST_F(FlashEngine, WriteBeyondTheLastSectorFailsAfterTheLastPage)
{
    const auto data = pattern(512);
    report_log reports;
    ASSERT_TRUE(engine().start_flash_write(0xFFFF00, data.data(), data.size(), reports.callback()));
    run_jobs();
    ASSERT_EQ(reports.finals(), 1u);
    EXPECT_FALSE(reports.last().success);
    EXPECT_EQ(reports.last().text, "Ошибка при стирании сектора 256");
    EXPECT_EQ(sim_->flash_read(0, 0xFFFF00, 256), byte_vector(data.begin(), data.begin() + 256));
    EXPECT_FALSE(engine().busy());
}

TEST_F(FlashEngine, ReadDoesTwoPagesPerResumptionWithExactTexts)
{
    const auto data = pattern(10 * 256 - 100, 3);
    sim_->flash_write_raw(0, 0x120000, data);
    // The destination is exactly the size asked for: the last page is cut.
    byte_vector out(data.size(), 0);
    report_log reports;
    ASSERT_TRUE(engine().start_flash_read(0x120000, out.data(), out.size(), reports.callback()));
    EXPECT_EQ(reports.all.size(), 2u); // pages 1 and 2 done inside the start
    EXPECT_TRUE(engine().busy());
    EXPECT_TRUE(engine().resume_flash_jobs());
    EXPECT_EQ(reports.all.size(), 4u);
    run_jobs();
    ASSERT_EQ(reports.all.size(), 11u);
    EXPECT_EQ(reports.all.front().text, "Чтение страницы 1 из 10 (0%)");
    EXPECT_EQ(reports.all[9].text, "Чтение страницы 10 из 10 (90%)");
    EXPECT_TRUE(reports.last().finished);
    EXPECT_TRUE(reports.last().success);
    EXPECT_EQ(reports.last().text, "Чтение успешно завершена.");
    EXPECT_EQ(out, data);
    EXPECT_FALSE(engine().resume_flash_jobs());
}

TEST_F(FlashEngine, RefusalsSendNothingAndLeaveTheRunningJobAlone)
{
    byte_vector buf(4096);
    int calls = 0;
    auto counting = [&calls](const flash_status&) { ++calls; };
    clear_log();
    EXPECT_FALSE(engine().start_flash_read(0x100000, buf.data(), 0, counting));
    EXPECT_FALSE(engine().start_flash_read(0x100001, buf.data(), 256, counting));
    EXPECT_FALSE(engine().start_flash_write(0x100080, buf.data(), 256, counting));
    EXPECT_FALSE(engine().start_flash_write(0x100000, nullptr, 256, counting));
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(log().empty());

    const auto data = pattern(4096, 5);
    sim_->flash_write_raw(0, 0x100000, data);
    report_log first;
    ASSERT_TRUE(engine().start_flash_read(0x100000, buf.data(), buf.size(), first.callback()));
    byte_vector other(256);
    EXPECT_FALSE(engine().start_flash_read(0x200000, other.data(), 256, counting));
    EXPECT_FALSE(engine().start_flash_write(0x200000, other.data(), 256, counting));
    run_jobs();
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(first.finals(), 1u);
    EXPECT_TRUE(first.last().success);
    EXPECT_EQ(buf, data);

    // Nor from inside a job's own callback while it is being started.
    bool inner_refused = false;
    report_log second;
    ASSERT_TRUE(engine().start_flash_read(0x100000, buf.data(), buf.size(), [&](const flash_status& s) {
        second.all.push_back(s);
        if (second.all.size() == 1)
            inner_refused = !engine().start_flash_read(0x200000, other.data(), 256, counting);
    }));
    run_jobs();
    EXPECT_TRUE(inner_refused);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(second.last().success);
}

TEST_F(FlashEngine, VerificationMismatchEndsTheJobWithoutSuccess)
{
    const auto data = pattern(4 * 256);
    report_log reports;
    ASSERT_TRUE(engine().start_flash_write(0x130000, data.data(), data.size(), reports.callback()));
    // Pages 0 and 1 are done; the next read is the check of page 2.
    sim_->corrupt_next_page_read(0, 17);
    run_jobs();
    ASSERT_EQ(reports.finals(), 1u);
    EXPECT_FALSE(reports.last().success);
    EXPECT_EQ(reports.last().text, "Ошибка при проверке страницы 2");
    for (const auto& r : reports.all)
        EXPECT_FALSE(r.success);
    const auto writes = page_writes();
    EXPECT_EQ(std::count(writes.begin(), writes.end(), 0x130300u), 0);
    EXPECT_EQ(sim_->flash_read(0, 0x130300, 256), byte_vector(256, 0xFF));
}

TEST_F(FlashEngine, FailedReadAndCallbackExceptionEndTheJob)
{
    // An exception from a callback reaches the resumer and ends that job.
    byte_vector buf(8 * 256);
    int reports = 0;
    ASSERT_TRUE(engine().start_flash_read(0x000000, buf.data(), buf.size(), [&](const flash_status&) {
        if (++reports == 3)
            throw std::runtime_error("stop");
    }));
    EXPECT_THROW(engine().resume_flash_jobs(), std::runtime_error);
    EXPECT_FALSE(engine().busy());

    // A page that gets no answer ends the read with its zero-based index.
    report_log log;
    ASSERT_TRUE(engine().start_flash_read(0x000000, buf.data(), buf.size(), log.callback()));
    sim_->set_answer_budget(0, 1);
    clear_log();
    run_jobs();
    EXPECT_FALSE(log.last().success);
    EXPECT_EQ(log.last().text, "Ошибка при чтении страницы 3");
    EXPECT_EQ(log.finals(), 1u);
    EXPECT_EQ(count_since_mark(0x51), 1u + flash_engine::transfer_tries) << "page 2, then page 3 three times";
}

TEST_F(FlashEngine, PageWithoutAnswerIsTriedAgainAndPauseYieldsTheJob)
{
    const auto data = pattern(4 * 256, 3);
    sim_->flash_write_raw(0, 0x200000, data);
    byte_vector buf(data.size());
    report_log log;
    // Page 0 is answered, page 1's first try is not; the device answers
    // again during that try's time-out, so the second try gets the page.
    sim_->set_answer_budget(0, 1);
    std::thread wake([&] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        sim_->set_answer_budget(0, -1);
    });
    clear_log();
    ASSERT_TRUE(engine().start_flash_read(0x200000, buf.data(), buf.size(), log.callback()));
    run_jobs();
    wake.join();
    ASSERT_EQ(log.finals(), 1u);
    EXPECT_TRUE(log.last().success);
    EXPECT_EQ(buf, data);
    EXPECT_EQ(count_since_mark(0x51), 5u);

    // A pause inside a job lets the resumer run meanwhile instead of sleeping.
    int resumptions = 0;
    bool paused = false;
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(engine().start_flash_read(0x200000, buf.data(), 256, [&](const flash_status& s) {
        if (!s.finished && !paused) {
            paused = true;
            engine().pause_job(std::chrono::milliseconds(300));
        }
    }));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(250));
    while (engine().resume_flash_jobs())
        ++resumptions;
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(300));
    EXPECT_GT(resumptions, 1);
}

} // namespace
} // namespace orvex::test
