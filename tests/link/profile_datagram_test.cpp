// Profile datagram decoding: modes, invalid marks, window sizes, header bytes.
#include "link/byte_order.h"
#include "link/profile_datagram.h"
#include "settings/qz3p_settings.h"

#include <gtest/gtest.h>
#include <vector>

using namespace orvex::k7;
using orvex::bytes::put_be16;
using orvex::bytes::put_be32;

namespace {

std::vector<std::uint8_t> datagram(bool intensities)
{
    return std::vector<std::uint8_t>(intensities ? profile_datagram_size_intensities : profile_datagram_size,
                                     0);
}

void put_slot(std::vector<std::uint8_t>& d, bool intensities, std::size_t i, std::uint16_t a, std::uint16_t b)
{
    const std::size_t at = (intensities ? 40 : 8) + 4 * i;
    put_be16(&d[at], a);
    put_be16(&d[at + 2], b);
}

} // namespace

TEST(ProfileDecode, TwoCoordinateModeScalesByTheShiftAndMarksInvalidPoints)
{
    auto d = datagram(false);
    put_be32(&d[0], 77);
    put_be32(&d[4], 0xDEADBEEF);
    d[8] = 0x01; // slot 0: 0x0100, 0xFFE0 -> x = 8, y = -1 with p = 5
    d[9] = 0x00;
    d[10] = 0xFF;
    d[11] = 0xE0;
    put_slot(d, false, 1, 0xFEFF, 64);
    put_slot(d, false, 2, 0xFF00, 64);
    put_slot(d, false, 3, 0xFFFF, 0x8000);
    decoded_profile p;
    decode_profile(d.data(), false, 4, true, 32.0, p);
    EXPECT_EQ(p.header.word1, 77u);
    EXPECT_EQ(p.header.word2, 0xDEADBEEFu);
    EXPECT_EQ(p.header.n, 4);
    EXPECT_TRUE(p.header.two_coordinates);
    // Without intensities the header bytes are the first eight point slots.
    EXPECT_EQ(p.header.bytes[0], 0x01);
    EXPECT_EQ(p.header.bytes[3], 0xE0);
    EXPECT_DOUBLE_EQ(p.points[0].x, 8.0);
    EXPECT_DOUBLE_EQ(p.points[0].y, -1.0);
    EXPECT_DOUBLE_EQ(p.points[1].x, 0xFEFF / 32.0);
    EXPECT_DOUBLE_EQ(p.points[1].y, 2.0);
    EXPECT_DOUBLE_EQ(p.points[2].x, -1.0);
    EXPECT_DOUBLE_EQ(p.points[3].x, -1.0);
    EXPECT_DOUBLE_EQ(p.points[3].y, -32768 / 32.0);

    decode_profile(d.data(), false, 1, true, 256.0, p); // p = 8
    EXPECT_DOUBLE_EQ(p.points[0].x, 1.0);
}

TEST(ProfileDecode, SingleCoordinateModeUsesRowIndexAndRejectsSmallValues)
{
    auto d = datagram(false);
    put_slot(d, false, 0, 63, 1234);
    put_slot(d, false, 1, 64, 1234);
    put_slot(d, false, 2, 0xFF00, 0);
    put_slot(d, false, 3, 32 * 640, 0);
    decoded_profile p;
    decode_profile(d.data(), false, 4, false, 256.0, p);
    EXPECT_DOUBLE_EQ(p.points[0].x, -1.0);
    EXPECT_DOUBLE_EQ(p.points[0].y, 0.0); // the row, valid or not
    EXPECT_DOUBLE_EQ(p.points[1].x, 2.0);
    EXPECT_DOUBLE_EQ(p.points[1].y, 1.0);
    EXPECT_DOUBLE_EQ(p.points[2].x, -1.0);
    EXPECT_DOUBLE_EQ(p.points[2].y, 2.0);
    EXPECT_DOUBLE_EQ(p.points[3].x, 640.0); // the divisor is 32 whatever the shift
}

TEST(ProfileDecode, WindowDecidesHowManySlotsAreTouched)
{
    auto d = datagram(true);
    for (std::size_t i = 0; i < profile_slots; ++i) {
        put_slot(d, true, i, static_cast<std::uint16_t>(64 + i), 0);
        d[4136 + i] = static_cast<std::uint8_t>(i);
    }
    for (std::size_t i = 0; i < 32; ++i)
        d[8 + i] = static_cast<std::uint8_t>(0xA0 + i);
    decoded_profile p;
    for (auto& pt : p.points)
        pt = {123.0, 456.0};
    decode_profile(d.data(), true, 10, false, 32.0, p);
    EXPECT_DOUBLE_EQ(p.points[9].x, (64 + 9) / 32.0);
    EXPECT_DOUBLE_EQ(p.points[10].x, 123.0); // beyond the window: untouched
    EXPECT_EQ(p.intensities[9], 9);
    EXPECT_EQ(p.intensities[10], 0);
    EXPECT_EQ(p.header.bytes[31], 0xA0 + 31);

    decode_profile(d.data(), true, 1024, false, 32.0, p);
    EXPECT_DOUBLE_EQ(p.points[1023].x, (64 + 1023) / 32.0);
    EXPECT_EQ(p.intensities[1023], 1023 & 0xFF);
}

TEST(ProfileDecode, WindowLargerThanTheDatagramIsCutToItsSlots)
{
    // An end row below the start wraps around in 16 bits; decoding must stay
    // inside the datagram whatever the settings say.
    qz3p_settings s;
    s.window_y_start = 100;
    s.window_y_end = 50;
    EXPECT_EQ(profile_point_count(s), static_cast<std::uint16_t>(50 - 100 + 1));
    s.window_y_start = 0;
    s.window_y_end = 511;
    EXPECT_EQ(profile_point_count(s), 512);

    auto d = datagram(false);
    decoded_profile p;
    decode_profile(d.data(), false, 65487, true, 32.0, p);
    EXPECT_EQ(p.header.n, 65487);
    EXPECT_DOUBLE_EQ(p.points[1023].x, 0.0);
}

TEST(ProfileCounter, GapsForwardAreLostProfilesStepsBackAreNot)
{
    EXPECT_EQ(profiles_missing(10, 11), 0u);
    EXPECT_EQ(profiles_missing(10, 14), 3u);
    EXPECT_EQ(profiles_missing(0xFFFFFFFEu, 1), 2u) << "the counter wraps";
    EXPECT_EQ(profiles_missing(10, 10), 0u) << "a repeated datagram";
    EXPECT_EQ(profiles_missing(1000, 3), 0u) << "a restarted sensor is not four billion losses";
}

TEST(ProfileCounter, LossesCountOnlyWhileWord1IsACounter)
{
    profile_numbering n;
    for (std::uint32_t w : {5u, 6u, 7u, 7u, 8u, 12u, 13u, 14u, 15u, 16u, 17u, 18u, 19u, 20u, 21u, 22u})
        n.add(w);
    EXPECT_TRUE(n.numbered());
    EXPECT_EQ(n.received(), 16u);
    EXPECT_EQ(n.lost(), 3u);
    EXPECT_EQ(n.repeated(), 1u);

    // A constant word, a time stamp and noise are no counters: no figure at
    // all, however large their steps.
    for (const auto& words : {std::vector<std::uint32_t>(40, 0u), std::vector<std::uint32_t>{}}) {
        profile_numbering c;
        for (std::uint32_t w : words)
            c.add(w);
        EXPECT_FALSE(c.numbered());
        EXPECT_EQ(c.lost(), 0u);
    }
    profile_numbering stamp;
    for (std::uint32_t k = 0; k < 40; ++k)
        stamp.add(1000 * k + (k % 3));
    EXPECT_TRUE(stamp.judged());
    EXPECT_FALSE(stamp.numbered());
    profile_numbering few;
    few.add(1);
    few.add(2);
    EXPECT_FALSE(few.judged());
}
