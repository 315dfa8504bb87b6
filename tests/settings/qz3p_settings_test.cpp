// The settings record's payload: field positions, the bits that do not
// travel, and a round trip of a record with every field set.
#include "settings/qz3p_settings.h"

#include <gtest/gtest.h>

using namespace orvex::k7;

namespace {

qz3p_settings fully_populated()
{
    qz3p_settings s;
    s.mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    s.ip = 0xC0A80193;
    s.laser_flags = 0x85;
    s.laser_brightness = 200;
    s.sync_mode = 5;
    s.period = 0x123456;
    s.exposure1 = 50000;
    s.reset_level = 9;
    s.exposure2 = 32767;
    s.dual_exposure = 1;
    s.black_level = qz3p_settings::make_black_level(-17, true);
    s.gain = 3;
    s.window_x_start = 2;
    s.window_x_end = 157;
    s.window_y_start = 10;
    s.window_y_end = 1013;
    s.reserved = 0x42;
    s.cycle_delay = 0xBEEF;
    s.restart_on_errors = 1;
    s.image_subtraction = 1;
    s.convolution_bypass = 1;
    s.peak_distance = {4, 16, 32};
    s.peak_threshold = {10, 128, 255};
    s.next_max_coefficient = 8;
    s.edges_enabled = 1;
    s.edges_threshold = 77;
    s.calibration_bypass = 1;
    s.detached_window = 31;
    s.detached_neighbours = 30;
    s.detached_distance = 0x0140;
    s.median_window = 7;
    for (int k = 0; k < 16; ++k)
        s.convolution[k] = static_cast<std::int16_t>(k % 2 ? -1000 * k : 2000 * k + 1);
    for (int k = 0; k < 8; ++k)
        s.further_words[k] = static_cast<std::uint16_t>(0xF000 + k);
    for (int k = 0; k < 32; ++k)
        s.ext_block[k] = static_cast<std::uint8_t>(0xA0 + k);
    return s;
}

} // namespace

TEST(SettingsPayload, FieldsTravelAtTheirPositions)
{
    qz3p_settings s;
    s.ip = (192u << 24) | (168u << 16) | (1u << 8) | 147u;
    s.period = 16777217; // one above 24 bits
    s.convolution[0] = 0x0102;
    s.convolution[15] = -2;
    s.black_level = qz3p_settings::make_black_level(-5, true);
    auto p = s.encode();
    EXPECT_EQ(p[6], 192);
    EXPECT_EQ(p[7], 168);
    EXPECT_EQ(p[8], 1);
    EXPECT_EQ(p[9], 147);
    EXPECT_EQ(p[37], 0);
    EXPECT_EQ(p[38], 0);
    EXPECT_EQ(p[39], 1) << "only the low 24 bits of the period travel";
    EXPECT_EQ(p[36], 0);
    EXPECT_EQ(qz3p_settings::decode(p.data(), p.size()).period, 1u);
    EXPECT_EQ(p[222], 0x01);
    EXPECT_EQ(p[223], 0x02) << "coefficient 0 travels last";
    EXPECT_EQ(p[192], 0xFF);
    EXPECT_EQ(p[193], 0xFE) << "coefficient 15 travels first";
    EXPECT_EQ(p[47], 0xC5);

    // Black level: sign bit 6, regulation bit 7, magnitude clamped to 63.
    EXPECT_EQ(qz3p_settings::make_black_level(5, false), 0x05);
    EXPECT_EQ(qz3p_settings::make_black_level(-100, false), 0x7F);
    qz3p_settings b;
    b.black_level = 0xC5;
    EXPECT_EQ(b.black_level_value(), -5);
    EXPECT_TRUE(b.black_level_regulation());

    // Reading takes only the low 4 bits of the reset level.
    p[44] = 0xF7;
    EXPECT_EQ(qz3p_settings::decode(p.data(), p.size()).reset_level, 7);

    // Unused positions are zero on the way out and ignored on the way in.
    const auto full = fully_populated().encode();
    for (std::size_t i : {10u, 31u, 35u, 36u, 45u, 46u,  49u,  50u,  61u,  63u,  67u,
                          79u, 90u, 95u, 97u, 99u, 104u, 111u, 128u, 159u, 224u, 255u})
        EXPECT_EQ(full[i], 0) << "position " << i;
    auto noisy = full;
    for (std::size_t i : {10u, 31u, 35u, 36u, 45u, 61u, 97u, 128u, 159u, 224u, 255u})
        noisy[i] = 0xFF;
    EXPECT_EQ(qz3p_settings::decode(noisy.data(), noisy.size()), qz3p_settings::decode(full.data(), 256));
}

TEST(SettingsPayload, FullyPopulatedRecordRoundTrips)
{
    const auto s = fully_populated();
    const auto p = s.encode();
    EXPECT_EQ(qz3p_settings::decode(p.data(), p.size()), s);

    // A memory read carries 255 payload bytes; nothing the record uses is in
    // the last one, so the record is the same.
    EXPECT_EQ(qz3p_settings::decode(p.data(), 255), s);
    // Short or missing input reads as zeros rather than past its end.
    EXPECT_EQ(qz3p_settings::decode(p.data(), 0), qz3p_settings{});
    EXPECT_EQ(qz3p_settings::decode(nullptr, 256), qz3p_settings{});
    const auto head = qz3p_settings::decode(p.data(), 10);
    EXPECT_EQ(head.ip, s.ip);
    EXPECT_EQ(head.laser_flags, 0);

    // Every byte position the record uses changes the decoded record.
    for (std::size_t i = 0; i < p.size(); ++i) {
        auto q = p;
        q[i] ^= 0x01;
        const bool used = qz3p_settings::decode(q.data(), q.size()) != s;
        const bool expected_used = i < 10 || (i >= 32 && i <= 34) || (i >= 37 && i <= 44) ||
                                   (i >= 47 && i <= 48) || (i >= 51 && i <= 60) || (i >= 64 && i <= 66) ||
                                   (i >= 80 && i <= 89) || i == 96 || (i >= 100 && i <= 103) ||
                                   (i >= 112 && i <= 127) || (i >= 160 && i <= 223);
        EXPECT_EQ(used, expected_used) << "position " << i;
    }
}
