// The acquisition cycle against a scripted device: frame requests by firmware
// version, line counting, numbered lines, line data, time-outs, profiles.
#include "link/acquisition_engine.h"
#include "link/byte_order.h"
#include "link/rate_clock.h"
#include "link/sensor_device.h"
#include "raw_peer.h"
#include "support/test_support.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using namespace orvex::k7;
using namespace std::chrono_literals;
using orvex::test::bytes_t;
using orvex::test::raw_peer;

namespace {

// A device that answers connect, profile and image requests from a script.
// The peer's thread answers while the test body changes the script, so both
// go through the mutex (the socket between them is no ordering a race
// detector sees).
struct scripted_device {
    std::mutex mutex;
    template <class F>
    void change(F f)
    {
        std::lock_guard<std::mutex> lock(mutex);
        f(*this);
    }

    std::string version = "40a";
    std::uint16_t rows = 10; // window y end - window y start + 1
    bool answer_frames = true;
    std::vector<bytes_t> numbered_script; // numbered lines to send instead of a full frame
    // Changed while the peer thread answers, hence atomic.
    std::atomic<int> line_data_datagrams{4}; // line-data datagrams sent per 0x2E
    std::atomic<int> profiles_unanswered{0}; // 0x22 requests left without a reply
    // Each reply is preceded by one datagram of another length (a profile
    // with intensities, a numbered line, a plain line).
    std::atomic<bool> wrong_lengths{false};

    std::vector<bytes_t> respond(const bytes_t& req)
    {
        std::lock_guard<std::mutex> lock(mutex);
        const std::uint8_t code = req.at(0);
        switch (code) {
        case 0xF4: {
            bytes_t r(257, 0);
            r[0] = 0xF4;
            for (std::size_t i = 0; i < 3 && i < version.size(); ++i)
                r[1 + 16 + i] = static_cast<std::uint8_t>(version[i]);
            std::memcpy(&r[1 + 21], "S2D", 3);
            return {r};
        }
        case 0x80: {
            bytes_t r(256, 0);
            r[0] = 0x80;
            orvex::bytes::put_be16(&r[1 + 54], 100);
            orvex::bytes::put_be16(&r[1 + 56], static_cast<std::uint16_t>(100 + rows - 1));
            return {r};
        }
        case 0x20:
            return {{0x20}};
        case 0x22: {
            if (profiles_unanswered > 0) {
                --profiles_unanswered;
                return {};
            }
            bytes_t r(profile_datagram_size, 0);
            orvex::bytes::put_be32(&r[0], ++profiles);
            orvex::bytes::put_be16(&r[8], 32 * 10); // x = 10 mm with p = 5
            if (wrong_lengths)
                return {bytes_t(profile_datagram_size_intensities, 0xEE), r};
            return {r};
        }
        case 0x21:
        case 0x29:
        case 0x2C:
        case 0x26:
        case 0x2A: {
            if (!answer_frames)
                return {};
            if (!numbered_script.empty())
                return numbered_script;
            const bool plain = code == 0x21 || code == 0x26;
            std::vector<bytes_t> lines;
            if (wrong_lengths)
                lines.push_back(bytes_t(plain ? 1284 : 1280, 0xEE));
            for (std::uint16_t k = 0; k < rows; ++k) {
                bytes_t line(plain ? 1280 : 1284, static_cast<std::uint8_t>(k));
                if (!plain)
                    orvex::bytes::put_be16(&line[2], k);
                lines.push_back(line);
            }
            return lines;
        }
        case 0x2E: {
            std::vector<bytes_t> out;
            if (wrong_lengths)
                out.push_back(bytes_t(1280, 0xEE));
            for (int k = 0; k < line_data_datagrams; ++k) {
                bytes_t d(1028, 0);
                for (int j = 0; j < 256; ++j)
                    orvex::bytes::put_be16(&d[4 + 4 * j], static_cast<std::uint16_t>(32 * (256 * k + j)));
                out.push_back(d);
            }
            return out;
        }
        default:
            return {};
        }
    }
    std::uint32_t profiles = 0;
};

struct engine_fixture : ::testing::Test {
    scripted_device script;
    raw_peer peer{orvex::test::loopback_address(40), 0,
                  [this](const bytes_t& r) { return script.respond(r); }};
    sensor_device device;
    int frames_handled = 0;
    int profiles_handled = 0;

    acquisition_engine& connect()
    {
        EXPECT_TRUE(device.connect(peer.address(), peer.port()));
        acquisition_engine& e = device.engine();
        e.set_image_handler([this] { ++frames_handled; });
        e.set_profile_handler([this] { ++profiles_handled; });
        return e;
    }

    // Steps like the main timer until `done` or the limit.
    template <class Done>
    void run(acquisition_engine& e, Done done, std::chrono::milliseconds limit = 3000ms)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < end) {
            e.step();
            std::this_thread::sleep_for(1ms);
        }
    }

    std::vector<std::uint8_t> request_codes()
    {
        std::vector<std::uint8_t> codes;
        for (const auto& d : peer.received())
            codes.push_back(d.bytes.at(0));
        return codes;
    }
    bool requested(std::uint8_t code)
    {
        const auto codes = request_codes();
        return std::find(codes.begin(), codes.end(), code) != codes.end();
    }
};

} // namespace

TEST_F(engine_fixture, PlainFrameOfTheWindowCompletesAfterItsLines)
{
    script.change([](scripted_device& s) { s.rows = 512; });
    acquisition_engine& e = connect();
    e.set_image_request(true, false);
    run(e, [&] { return frames_handled > 0; });
    EXPECT_EQ(frames_handled, 1);
    EXPECT_TRUE(e.frame_complete());
    EXPECT_EQ(e.line_count(), 512u);
    EXPECT_EQ(e.expected_lines(), 512u);
    EXPECT_EQ(e.frame()[1280 * 511], 511 & 0xFF);
    EXPECT_TRUE(requested(0x21));
    EXPECT_FALSE(requested(0x29));
    EXPECT_FALSE(requested(0x2C));
}

TEST_F(engine_fixture, NumberedLinesSkipMisnumberedOnesAndFoldAbove2048)
{
    script.change([](scripted_device& s) {
        s.version = "41a";
        s.rows = 10;
        for (std::uint16_t k = 0; k < 10; ++k) {
            bytes_t line(1284, static_cast<std::uint8_t>(k + 1));
            orvex::bytes::put_be16(&line[2], k == 5 ? 2048 + 5 : k);
            s.numbered_script.push_back(line);
            if (k == 3) { // a stray repeat of line 1 that must not count
                bytes_t stray(1284, 0xEE);
                orvex::bytes::put_be16(&stray[2], 1);
                s.numbered_script.push_back(stray);
            }
        }
    });
    acquisition_engine& e = connect();
    e.set_image_request(true, false);
    run(e, [&] { return frames_handled > 0; });
    EXPECT_TRUE(requested(0x29));
    EXPECT_TRUE(e.frame_complete());
    EXPECT_EQ(e.line_count(), 10u);
    EXPECT_EQ(e.frame()[1280 * 5], 6);
    EXPECT_EQ(e.frame()[1280 * 4], 5); // not overwritten by the stray line
}

// Defect: a lost line made the engine wait for that number in the next frame
// and report the rows of two frames as one complete frame.
TEST_F(engine_fixture, NumberedLineZeroRestartsAFrameThatLostALine)
{
    script.change([](scripted_device& s) {
        s.version = "41a";
        s.rows = 10;
        for (std::uint8_t fill : {0xA0, 0xB0})
            for (std::uint16_t k = 0; k < 10; ++k) {
                if (fill == 0xA0 && k == 3)
                    continue; // lost
                bytes_t line(1284, fill);
                orvex::bytes::put_be16(&line[2], k);
                s.numbered_script.push_back(line);
            }
    });
    acquisition_engine& e = connect();
    e.set_image_request(true, false);
    run(e, [&] { return frames_handled > 0; });
    ASSERT_TRUE(e.frame_complete());
    for (unsigned row = 0; row < 10; ++row)
        EXPECT_EQ(e.frame()[1280 * row], 0xB0) << row;
}

TEST_F(engine_fixture, FrameRequestFollowsFirmwareAndProfilePolling)
{
    script.change([](scripted_device& s) { s.version = "49m"; });
    acquisition_engine& e = connect();
    e.set_image_request(true, false);
    run(e, [&] { return frames_handled > 0; });
    EXPECT_TRUE(requested(0x2C)); // fast request: 49m and no profile polling

    peer.clear();
    e.set_profile_poll(true);
    const int before = frames_handled;
    run(e, [&] { return frames_handled > before && profiles_handled > 0; });
    EXPECT_TRUE(requested(0x29));
    EXPECT_FALSE(requested(0x2C));
    // After a frame the cycle reads the profile without starting a new measurement.
    EXPECT_FALSE(requested(0x20));
}

TEST_F(engine_fixture, BackgroundFrameIsPlainBeforeFirmware41AndNumberedFrom41)
{
    script.change([](scripted_device& s) { s.rows = 20; });
    acquisition_engine& e = connect();
    e.set_profile_poll(false);
    e.set_image_request(false, true);
    run(e, [&] { return frames_handled > 0; });
    e.set_image_request(false, false);
    EXPECT_TRUE(requested(0x26));
    EXPECT_FALSE(requested(0x2A));
    EXPECT_TRUE(e.frame_complete());
    EXPECT_EQ(e.line_count(), 20u);

    run(e, [&] { return e.current_state() == acquisition_engine::state::idle; });
    script.change([](scripted_device& s) { s.version = "41a"; });
    ASSERT_TRUE(device.connect(peer.address(), peer.port()));
    peer.clear();
    frames_handled = 0;
    e.set_image_request(false, true);
    run(e, [&] { return frames_handled > 0; });
    e.set_image_request(false, false);
    const auto got = peer.received();
    const auto it = std::find_if(got.begin(), got.end(), [](const auto& d) { return d.bytes.at(0) == 0x2A; });
    ASSERT_NE(it, got.end());
    EXPECT_EQ(it->bytes, (bytes_t{0x2A, 1}));
    EXPECT_FALSE(requested(0x26));
    EXPECT_TRUE(e.frame_complete());
}

TEST_F(engine_fixture, LineDataMissingADatagramIsNotReportedComplete)
{
    script.change([](scripted_device& s) { s.version = "48d"; });
    acquisition_engine& e = connect();
    e.set_result_points(true);
    e.set_image_request(true, false);
    run(e, [&] { return frames_handled > 0; });
    ASSERT_TRUE(e.line_data_complete());

    // The next frame's line data loses its last datagram: the handler must not
    // see the mix of this frame's first three and the previous frame's fourth
    // as complete.
    script.change([](scripted_device& s) { s.line_data_datagrams = 3; });
    bool complete_in_handler = true;
    e.set_image_handler([&] {
        ++frames_handled;
        complete_in_handler = e.line_data_complete();
    });
    const int before = frames_handled;
    run(e, [&] { return frames_handled > before; });
    e.set_image_request(false, false);
    ASSERT_GT(frames_handled, before);
    EXPECT_FALSE(complete_in_handler);
    EXPECT_FALSE(e.line_data_complete());
}

TEST_F(engine_fixture, LineDataOnlyFrom48d)
{
    script.change([](scripted_device& s) { s.version = "48c"; });
    acquisition_engine& e = connect();
    e.set_result_points(true);
    e.set_image_request(true, false);
    run(e, [&] { return frames_handled > 0; });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(requested(0x2E));
    EXPECT_FALSE(e.line_data_complete());
}

TEST_F(engine_fixture, LineDataFollowsTheFrameFrom48d)
{
    script.change([](scripted_device& s) { s.version = "48d"; });
    acquisition_engine& e = connect();
    e.set_result_points(true);
    e.set_image_request(true, false);
    run(e, [&] { return e.line_data_complete(); });
    EXPECT_TRUE(requested(0x2E));
    EXPECT_TRUE(e.line_data_complete());
    EXPECT_DOUBLE_EQ(e.line_data()[0], 0.0);
    EXPECT_DOUBLE_EQ(e.line_data()[700], 700.0);
    EXPECT_EQ(frames_handled, 1); // handled once, after the line data
}

TEST_F(engine_fixture, UnansweredFrameFinishesAfterOneSecondIncomplete)
{
    script.change([](scripted_device& s) { s.answer_frames = false; });
    acquisition_engine& e = connect();
    e.set_image_request(true, false);
    const auto start = std::chrono::steady_clock::now();
    run(e, [&] { return frames_handled > 0; });
    EXPECT_GE(std::chrono::steady_clock::now() - start, 990ms);
    EXPECT_EQ(frames_handled, 1);
    EXPECT_FALSE(e.frame_complete());
}

TEST_F(engine_fixture, PolledProfilesAreDecodedAndCounted)
{
    acquisition_engine& e = connect();
    e.set_profile_poll(true);
    run(e, [&] { return profiles_handled >= 3; });
    EXPECT_GE(profiles_handled, 3);
    EXPECT_EQ(e.profile().header.n, 10);
    EXPECT_DOUBLE_EQ(e.profile().points[0].x, 10.0);
    EXPECT_GT(e.profile().header.word1, 0u);
    EXPECT_GT(e.request_time_ns(), 0);
    // At most one profile per 50 ms: start, wait, read.
    const auto codes = request_codes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0x20), std::count(codes.begin(), codes.end(), 0x22));
}

TEST_F(engine_fixture, FailedProfileReadIsRetriedWithoutANewStart)
{
    script.change([](scripted_device& s) { s.profiles_unanswered = 2; });
    acquisition_engine& e = connect();
    e.set_profile_poll(true);
    run(e, [&] { return profiles_handled > 0; });
    e.set_profile_poll(false);
    ASSERT_EQ(profiles_handled, 1);
    const auto codes = request_codes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0x20), 1);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0x22), 3);
}

// Datagrams longer than the mode expects were cut and taken: a 5160-byte
// profile as a 4104-byte one, a numbered line as a plain one. They are
// counted and dropped instead.
TEST_F(engine_fixture, DatagramsOfAnotherLengthAreCountedAndDropped)
{
    script.wrong_lengths = true;
    acquisition_engine& e = connect();
    e.set_profile_poll(true);
    run(e, [&] { return profiles_handled >= 2; });
    e.set_profile_poll(false);
    run(e, [&] { return e.current_state() == acquisition_engine::state::idle; });
    ASSERT_GE(profiles_handled, 2);
    std::uint32_t sent = 0;
    script.change([&](scripted_device& d) { sent = d.profiles; });
    EXPECT_EQ(e.profile().header.word1, sent);
    EXPECT_DOUBLE_EQ(e.profile().points[0].x, 10.0);
    EXPECT_EQ(e.wrong_length(), std::uint64_t(profiles_handled));

    const auto before = e.wrong_length();
    e.set_image_request(true, false);
    run(e, [&] { return frames_handled > 0; });
    e.set_image_request(false, false);
    ASSERT_TRUE(e.frame_complete());
    EXPECT_EQ(e.frame()[0], 0);
    EXPECT_EQ(e.frame()[9 * 1280], 9);
    EXPECT_EQ(e.wrong_length(), before + 1);
}

TEST_F(engine_fixture, LineDataOfAnotherLengthIsCountedAndDropped)
{
    script.change([](scripted_device& d) { d.version = "48d"; });
    script.wrong_lengths = true;
    acquisition_engine& e = connect();
    e.set_result_points(true);
    e.set_image_request(true, false);
    run(e, [&] { return e.line_data_complete(); });
    e.set_image_request(false, false);
    ASSERT_TRUE(e.line_data_complete());
    EXPECT_DOUBLE_EQ(e.line_data()[0], 0.0);
    EXPECT_DOUBLE_EQ(e.line_data()[1023], 1023.0);
    EXPECT_EQ(e.wrong_length(), 2u); // a plain line among the numbered ones, a line in the line data
}

TEST(RateClock, UpdatesOncePerWindowAndReadsMinusOneOnlyWithoutTime)
{
    const auto t0 = rate_clock::clock::now();
    rate_clock c(t0);
    c.count(10);
    EXPECT_DOUBLE_EQ(c.read(t0 + 500ms), 0.0); // window not over: last rate
    c.count(10);
    EXPECT_DOUBLE_EQ(c.read(t0 + 2000ms), 10.0); // 20 events in 2 s
    c.count(5);
    EXPECT_DOUBLE_EQ(c.read(t0 + 2500ms), 10.0);
    EXPECT_DOUBLE_EQ(c.read(t0 + 3000ms), 5.0);

    rate_clock zero(t0);
    zero.set_window(0ms);
    zero.count(3);
    EXPECT_DOUBLE_EQ(zero.read(t0), -1.0);
}
