// What the firmware page computes without widgets: job progress, the
// sensor's serial as a number, the outline range check.
#include "flash/firmware_page_values.h"

#include <gtest/gtest.h>

using namespace orvex::k7;

TEST(JobProgress, CountsStepsStartedAndEndsAtFullOnlyOnSuccess)
{
    job_progress p(3);
    EXPECT_EQ(p.percent(), 0);
    EXPECT_EQ(p.advance({false, false, "1"}), 0);
    EXPECT_EQ(p.advance({false, false, "2"}), 33);
    EXPECT_EQ(p.advance({false, false, "3"}), 66);
    EXPECT_FALSE(p.finished());
    EXPECT_EQ(p.advance({true, true, "ok"}), 100);
    EXPECT_TRUE(p.finished());

    job_progress failed(4);
    failed.advance({false, false, ""});
    failed.advance({false, false, ""});
    EXPECT_EQ(failed.advance({true, false, "error"}), 25);
    // More reports than steps (or no steps at all) never go beyond the bar.
    job_progress odd(1);
    for (int i = 0; i < 5; ++i)
        odd.advance({false, false, ""});
    EXPECT_EQ(odd.percent(), 100);
    EXPECT_EQ(job_progress(0).advance({false, false, ""}), 0);
}

TEST(SerialNumber, StrictDecimalWithZeroPadding)
{
    EXPECT_EQ(serial_number(std::string("00042", 5)), 42);
    EXPECT_EQ(serial_number(std::string("123\0\0", 5)), 123);
    EXPECT_EQ(serial_number("99999"), 99999);
    EXPECT_FALSE(serial_number("AB12C"));
    EXPECT_FALSE(serial_number(std::string("\0\0\0\0\0", 5)));
    EXPECT_FALSE(serial_number(std::string("1\0"
                                           "2\0\0",
                                           5))); // a zero inside the digits
    EXPECT_FALSE(serial_number(" 42"));
    EXPECT_FALSE(serial_number("-4"));
    EXPECT_FALSE(serial_number("123456"));
}

TEST(IdentOutline, ValuesMustFitTheirWords)
{
    ident_fields f; // 0, 100, -50, 50, -50, 50 with 8 bits
    EXPECT_EQ(ident_outline_problem(f), "");
    f.x_end = 255.996; // 65534.98 truncates to 65534
    EXPECT_EQ(ident_outline_problem(f), "");
    f.x_end = 256;
    EXPECT_NE(ident_outline_problem(f).find("X конец"), std::string::npos);
    f.x_end = 100;
    f.x_start = -0.5; // X words are unsigned
    EXPECT_NE(ident_outline_problem(f), "");
    f.x_start = -0.001; // truncates to 0
    EXPECT_EQ(ident_outline_problem(f), "");
    f.y_start_bottom = -128; // -32768 fits
    f.y_end_top = 127.99;    // 32765 fits
    EXPECT_EQ(ident_outline_problem(f), "");
    f.y_end_top = 128;
    EXPECT_NE(ident_outline_problem(f).find("Y конец верх"), std::string::npos);
    f.y_end_top = 8191;
    f.frac_bits = 2; // 32764
    EXPECT_EQ(ident_outline_problem(f), "");
    f.frac_bits = 17;
    EXPECT_NE(ident_outline_problem(f), "");
}
