// Page tasks: start rules, one resumption per tick, ending and exceptions.
#include "app/page_tasks.h"

#include <gtest/gtest.h>
#include <stdexcept>

using orvex::page_tasks;

TEST(PageTasks, BodyRunsToFirstYieldAtStartThenOneStepPerResume)
{
    page_tasks tasks;
    int steps = 0;
    EXPECT_TRUE(tasks.start(7, [&](page_tasks::yield_type& yield) {
        for (int i = 0; i < 3; ++i) {
            ++steps;
            yield();
        }
    }));
    EXPECT_EQ(steps, 1);
    EXPECT_FALSE(tasks.start(7, [](page_tasks::yield_type&) {})); // same id still running
    EXPECT_TRUE(tasks.start(0, [](page_tasks::yield_type& y) { y(); }));
    EXPECT_TRUE(tasks.start(0, [](page_tasks::yield_type& y) { y(); })); // id 0 never refused
    EXPECT_EQ(tasks.size(), 3u);

    tasks.resume_all();
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(tasks.size(), 1u); // the two id-0 tasks ended
    tasks.resume_all();
    tasks.resume_all();
    EXPECT_EQ(steps, 3);
    EXPECT_FALSE(tasks.running(7));
    EXPECT_TRUE(tasks.start(7, [](page_tasks::yield_type&) {}));
    EXPECT_EQ(tasks.size(), 0u); // ended before its first yield: not kept
}

TEST(PageTasks, ExceptionEndsOnlyItsTaskAndReachesTheResumer)
{
    page_tasks tasks;
    int other = 0;
    tasks.start(1, [](page_tasks::yield_type& yield) {
        yield();
        throw std::runtime_error("register dump failed");
    });
    tasks.start(2, [&](page_tasks::yield_type& yield) {
        for (;;) {
            ++other;
            yield();
        }
    });
    EXPECT_THROW(tasks.resume_all(), std::runtime_error);
    EXPECT_FALSE(tasks.running(1));
    EXPECT_TRUE(tasks.running(2));
    tasks.resume_all();
    EXPECT_GE(other, 2);
    tasks.drop_all(); // unwinds the endless task
    EXPECT_EQ(tasks.size(), 0u);
}
