#include "crawler/crawler_device.h"
#include "crawler/crawler_task.h"
#include "link/byte_order.h"
#include "raw_peer.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

using namespace orvex::crawler;
using orvex::test::bytes_t;
using orvex::test::raw_peer;
using clk = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// A line datagram: 0x2F, frame, line, 1024 line bytes, 256 filler bytes.
bytes_t line_datagram(unsigned frame, unsigned line)
{
    bytes_t d(1284, 0xEE);
    d[0] = 0x2F;
    d[1] = std::uint8_t(frame);
    orvex::bytes::put_be16(&d[2], std::uint16_t(line));
    for (unsigned i = 0; i < 1024; ++i)
        d[4 + i] = std::uint8_t(line * 3 + i);
    return d;
}

std::vector<unsigned> requested_lines(const bytes_t& rq)
{
    std::vector<unsigned> v;
    for (std::size_t i = 3; i + 1 < rq.size(); i += 2)
        v.push_back(orvex::bytes::get_be16(&rq[i]));
    return v;
}

bool line_ok(const std::vector<std::uint8_t>& buf, unsigned line)
{
    for (unsigned i = 0; i < 1024; ++i)
        if (buf[line * 1024 + i] != std::uint8_t(line * 3 + i))
            return false;
    return true;
}

// Datagrams the peer received, without the worker's state requests (0xA4),
// once there are at least n of them.
std::vector<bytes_t> commands(raw_peer& peer, std::size_t n)
{
    std::vector<bytes_t> v;
    const auto end = clk::now() + std::chrono::seconds(5);
    do {
        v.clear();
        for (const auto& d : peer.received())
            if (!d.bytes.empty() && d.bytes[0] != 0xA4)
                v.push_back(d.bytes);
        if (v.size() >= n)
            break;
        std::this_thread::sleep_for(milliseconds(1));
    } while (clk::now() < end);
    return v;
}

} // namespace

TEST(CrawlerFrameRead, PacingOrderRepeatsAndDeadline)
{
    raw_peer peer(orvex::test::loopback_address(2));
    orvex::k7::udp_link link;
    link.open(peer.address(), peer.port());
    std::vector<std::uint8_t> buffer(frame_buffer_bytes, 0);
    CrawlerTaskReadFrame task(link, buffer.data());
    task.set_frame(7);
    task.start();
    const auto t0 = clk::now();
    // Nothing goes out before 50 line requests are allowed (3 per millisecond).
    task.step_at(t0);
    task.step_at(t0 + milliseconds(16));
    ASSERT_TRUE(task.running());
    task.step_at(t0 + milliseconds(40)); // allowance 120
    auto got = peer.wait_for(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].bytes[0], 0x2F);
    EXPECT_EQ(got[0].bytes[1], 7);
    EXPECT_EQ(got[0].bytes[2], 0);
    auto lines = requested_lines(got[0].bytes);
    ASSERT_EQ(lines.size(), 120u);
    EXPECT_EQ(lines.front(), 0u);
    EXPECT_EQ(lines.back(), 119u);

    // Lines 5 and then 4: line 4's filler must not land on line 5.
    const auto to = got[0].sender;
    peer.send_to(to, line_datagram(7, 5));
    peer.send_to(to, line_datagram(7, 4));
    peer.send_to(to, bytes_t(1283, 0)); // wrong length: ignored
    std::this_thread::sleep_for(milliseconds(20));
    task.step_at(t0 + milliseconds(41)); // allowance 3 with 904 due: no request
    EXPECT_EQ(task.lines_received(), 2u);
    EXPECT_TRUE(line_ok(buffer, 4));
    EXPECT_TRUE(line_ok(buffer, 5));
    EXPECT_EQ(peer.received().size(), 1u);

    // 500 ms after their request the missing lines are due again, in line order.
    task.step_at(t0 + milliseconds(539));
    EXPECT_EQ(requested_lines(peer.wait_for(2).back().bytes).front(), 120u); // 499 ms: not yet due
    task.step_at(t0 + milliseconds(540));
    got = peer.wait_for(3);
    ASSERT_EQ(got.size(), 3u);
    lines = requested_lines(got[2].bytes);
    ASSERT_EQ(lines.size(), 120u);
    EXPECT_EQ(lines[3], 3u);
    EXPECT_EQ(lines[4], 6u);
    EXPECT_EQ(task.repeated_requests(), 118u); // 0..119 without 4 and 5
    EXPECT_EQ(task.requests_sent(), 360u);

    task.step_at(t0 + std::chrono::seconds(10));
    EXPECT_FALSE(task.running());
    EXPECT_FALSE(task.success());
}

// Defect: a late answer for the previous frame (a re-request answered after
// that frame ended) overwrote the same line of the frame being read.
TEST(CrawlerFrameRead, LateLineOfAnotherFrameIsNotStored)
{
    raw_peer peer(orvex::test::loopback_address(5));
    orvex::k7::udp_link link;
    link.open(peer.address(), peer.port());
    std::vector<std::uint8_t> buffer(frame_buffer_bytes, 0);
    CrawlerTaskReadFrame task(link, buffer.data());
    task.set_frame(7);
    task.start();
    const auto t0 = clk::now();
    task.step_at(t0);
    task.step_at(t0 + milliseconds(40));
    const auto to = peer.wait_for(1).at(0).sender;
    bytes_t late = line_datagram(6, 4);
    std::fill(late.begin() + 4, late.end(), 0x55);
    peer.send_to(to, late);
    peer.send_to(to, line_datagram(7, 5));
    std::this_thread::sleep_for(milliseconds(20));
    task.step_at(t0 + milliseconds(41));
    EXPECT_EQ(task.lines_received(), 1u);
    EXPECT_EQ(buffer[4 * 1024], 0);
    EXPECT_EQ(buffer[4 * 1024 + 1023], 0);
    EXPECT_TRUE(line_ok(buffer, 5));
}

// Two frames in flight on one link: the caller hands out the datagrams by
// frame, and the younger frame requests only from what the older one leaves
// of the common allowance.
TEST(CrawlerFrameRead, FramesInFlightShareTheAllowance)
{
    raw_peer peer(orvex::test::loopback_address(6));
    orvex::k7::udp_link link;
    link.open(peer.address(), peer.port());
    std::vector<std::uint8_t> buf_a(frame_bytes, 0), buf_b(frame_bytes, 0);
    CrawlerTaskReadFrame a(link, buf_a.data()), b(link, buf_b.data());
    LineAllowance allowance;
    a.share_link(&allowance);
    b.share_link(&allowance);
    a.set_frame(1);
    b.set_frame(2);
    const auto t0 = clk::now();
    allowance.restart(t0);
    a.start();
    b.start();
    a.step_at(t0 + milliseconds(40)); // the whole allowance of 120
    b.step_at(t0 + milliseconds(40));
    b.step_at(t0 + milliseconds(56)); // 48 more: still below a request's least batch
    b.step_at(t0 + milliseconds(57));
    const auto got = peer.wait_for(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].bytes[1], 1);
    EXPECT_EQ(requested_lines(got[0].bytes).size(), 120u);
    EXPECT_EQ(got[1].bytes[1], 2);
    EXPECT_EQ(requested_lines(got[1].bytes).size(), 51u);

    const bytes_t d = line_datagram(2, 9);
    EXPECT_FALSE(a.take_line(d.data(), d.size()));
    EXPECT_TRUE(b.take_line(d.data(), d.size()));
    EXPECT_EQ(a.lines_received(), 0u);
    EXPECT_TRUE(line_ok(buf_b, 9));
    // The link is the caller's: a shared task leaves its datagrams queued.
    peer.send_to(got[0].sender, line_datagram(1, 3));
    std::this_thread::sleep_for(milliseconds(20));
    a.step_at(t0 + milliseconds(58));
    EXPECT_EQ(a.lines_received(), 0u);
    std::uint8_t raw[2048];
    EXPECT_EQ(link.receive(raw, sizeof raw), 1284u);
}

TEST(CrawlerFrameRead, CompletesAgainstAnsweringPeer)
{
    raw_peer peer(orvex::test::loopback_address(3), 0, [](const bytes_t& rq) {
        std::vector<bytes_t> out;
        for (unsigned line : requested_lines(rq))
            out.push_back(line_datagram(rq[1], line));
        return out;
    });
    orvex::k7::udp_link link;
    link.open(peer.address(), peer.port());
    link.set_receive_buffer(crawler_link_buffer);
    std::vector<std::uint8_t> buffer(frame_buffer_bytes, 0);
    CrawlerTaskReadFrame task(link, buffer.data());
    task.start();
    const auto end = clk::now() + std::chrono::seconds(20);
    while ((task.running() || task.start_requested()) && clk::now() < end) {
        task.step();
        std::this_thread::sleep_for(milliseconds(2));
    }
    ASSERT_TRUE(task.success());
    EXPECT_TRUE(line_ok(buffer, 0));
    EXPECT_TRUE(line_ok(buffer, 1023));
}

TEST(CrawlerDeviceCommands, DelayedStartLivePollAndMotorsOnce)
{
    // A port of its own: 11681 may be held by a parallel test's simulator.
    raw_peer peer(orvex::test::loopback_address(4), 0, [](const bytes_t& rq) -> std::vector<bytes_t> {
        if (rq.empty())
            return {};
        if (rq[0] == 0xA6 || rq[0] == 0xA8)
            return {bytes_t{rq[0]}};
        if (rq[0] == 0xA9 && rq[1] != 9) { // flag 9: the crawler is silent
            bytes_t d(57, 0);
            d[0] = 0xA9;
            d[1] = 0x10;
            std::memcpy(&d[6], "2500050000", 10);
            orvex::bytes::put_be32(&d[49], 100);
            return {d};
        }
        return {};
    });
    CrawlerDevice dev(1);
    dev.connect(peer.address(), peer.port());
    ASSERT_TRUE(dev.delayed_start(5));
    const auto end = clk::now() + std::chrono::seconds(5);
    while (dev.state() != measure_state::measuring && clk::now() < end)
        std::this_thread::sleep_for(milliseconds(1));
    ASSERT_EQ(dev.state(), measure_state::measuring);
    EXPECT_EQ(dev.status(), "Начало измерений");
    // A second start while the measurement runs is refused without traffic.
    EXPECT_FALSE(dev.delayed_start(5));
    EXPECT_TRUE(dev.reset_encoders());
    auto got = commands(peer, 2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], (bytes_t{0xA6, 5}));
    EXPECT_EQ(got[1], bytes_t{0xA8});

    // One-shot motor command: sent once with the widths, then without.
    dev.set_motors_once(1, 1500, 1, 1510);
    auto now = clk::now();
    EXPECT_FALSE(dev.live_poll(0, now).answered); // phase 0 sends
    got = commands(peer, 3);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[2], (bytes_t{0xA9, 0, 1, 0x05, 0xDC, 1, 0x05, 0xE6}));
    CrawlerDevice::poll_result r;
    for (int i = 0; i < 2000 && !r.answered; ++i) {
        std::this_thread::sleep_for(milliseconds(1));
        r = dev.live_poll(0, now);
    }
    ASSERT_TRUE(r.record);
    EXPECT_EQ(dev.live_raw().sensor[0], 25000);
    EXPECT_DOUBLE_EQ(dev.live_phys().distance[1], 5.0);
    EXPECT_DOUBLE_EQ(dev.live_phys().enc_1, 10.0);
    dev.live_poll(9, now);
    got = commands(peer, 4);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[3], (bytes_t{0xA9, 9, 0, 0, 0, 0, 0, 0}));
    // No reply for more than 200 ms: not answered, and the next call sends again.
    EXPECT_FALSE(dev.live_poll(9, now + milliseconds(201)).answered);
    dev.live_poll(9, now + milliseconds(202));
    EXPECT_EQ(commands(peer, 5).size(), 5u);
}
