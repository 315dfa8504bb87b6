// The measured scene: geometry of the targets, and profiles, frames, line data
// and streams on the wire, checked with hand-built requests against each other
// and against the settings in working memory.
#include "measuring_head.h"
#include "options.h"
#include "scene.h"
#include "sim_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace orvex::test;
using orvex::sim::optics;
using orvex::sim::scene;
using orvex::sim::scene_config;
using orvex::sim::scene_kind;

namespace {

std::uint16_t be16(const bytes& d, std::size_t at)
{
    return std::uint16_t((d[at] << 8) | d[at + 1]);
}

std::uint32_t be32(const bytes& d, std::size_t at)
{
    return (std::uint32_t(be16(d, at)) << 16) | be16(d, at + 2);
}

// Reads the working-memory settings, lets `change` edit the 256-byte payload
// and writes it back.
template <class F>
void edit_settings(raw_client& c, const std::string& addr, F change)
{
    auto r = c.ask(addr, {0x80, 0x00, 0xFF});
    ASSERT_TRUE(r && r->size() == 256);
    bytes payload(r->begin() + 1, r->end());
    payload.push_back(0);
    change(payload);
    bytes w{0x81, 0x00, 0xFF};
    w.insert(w.end(), payload.begin(), payload.begin() + 255);
    auto ack = c.ask(addr, w);
    ASSERT_TRUE(ack && ack->size() == 1 && (*ack)[0] == 0x81);
}

void set_rows(bytes& p, unsigned first, unsigned last)
{
    p[54] = std::uint8_t(first >> 8);
    p[55] = std::uint8_t(first);
    p[56] = std::uint8_t(last >> 8);
    p[57] = std::uint8_t(last);
}

// A raw peer with a large receive buffer, so that a busy test machine does
// not drop frame lines or streamed profiles between two reads.
class stream_client {
public:
    using udp = boost::asio::ip::udp;
    stream_client() : socket_(io_, udp::endpoint(boost::asio::ip::make_address_v4("127.0.0.1"), 0))
    {
        socket_.set_option(boost::asio::socket_base::receive_buffer_size(8 << 20));
    }
    void send(const std::string& address, const bytes& d)
    {
        socket_.send_to(boost::asio::buffer(d),
                        udp::endpoint(boost::asio::ip::make_address_v4(address), 11681));
    }
    // Every datagram that arrives within `span`, or until `quiet` passes without one.
    std::vector<bytes> receive_for(std::chrono::milliseconds span,
                                   std::chrono::milliseconds quiet = std::chrono::hours(1))
    {
        std::vector<bytes> got;
        bytes buf(70000);
        const auto end = std::chrono::steady_clock::now() + span;
        auto last = std::chrono::steady_clock::now();
        socket_.non_blocking(true);
        for (;;) {
            const auto now = std::chrono::steady_clock::now();
            if (now >= end || now - last >= quiet)
                return got;
            boost::system::error_code ec;
            const std::size_t n = socket_.receive(boost::asio::buffer(buf), 0, ec);
            if (ec) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                continue;
            }
            got.emplace_back(buf.begin(), buf.begin() + std::ptrdiff_t(n));
            last = now;
        }
    }
    std::vector<bytes> collect(std::chrono::milliseconds quiet)
    {
        return receive_for(std::chrono::seconds(20), quiet);
    }
    void drain() { receive_for(std::chrono::seconds(2), std::chrono::milliseconds(30)); }

private:
    boost::asio::io_context io_;
    udp::socket socket_;
};

optics default_optics()
{
    return optics{};
}

} // namespace

TEST(Scene, TargetsTraceWhereTheOpticsSay)
{
    const optics o = default_optics();
    // The column mapping is monotonic and its own inverse.
    for (double u : {0.0, 0.25, 0.5, 0.9, 1.0})
        EXPECT_NEAR(o.fraction_at_column(o.column_at_fraction(u)), u, 1e-12);
    EXPECT_LT(o.column_at_fraction(0.2), o.column_at_fraction(0.3));
    EXPECT_DOUBLE_EQ(o.column_at_fraction(0.0), orvex::sim::column_margin);

    // A plane at 40 mm: the same column in every row, that of u = 0.4.
    scene plane(scene_config{scene_kind::plane, 40.0}, o);
    const auto lines = plane.trace();
    for (int r : {0, 100, 511, 1023})
        EXPECT_NEAR(lines[std::size_t(r)], o.column_at_fraction(0.4), 1e-6) << r;

    // Moving the target away moves the line towards higher columns; beyond
    // the range it disappears.
    plane.set_offset(20.0, 0.0);
    EXPECT_NEAR(plane.trace()[300], o.column_at_fraction(0.6), 1e-6);
    plane.set_offset(70.0, 0.0);
    EXPECT_TRUE(std::isnan(plane.trace()[300]));

    // The corner's apex is the nearest point and lies at the row that looks
    // at y = 0 (the middle row); dy moves it.
    scene corner(scene_config{scene_kind::corner, 30.0}, o);
    // (The corner's flanks leave the range at the outermost rows: NaN.)
    const auto nearest_row = [](const orvex::sim::line_positions& p) {
        std::ptrdiff_t best = -1;
        for (std::size_t r = 0; r < p.size(); ++r)
            if (!std::isnan(p[r]) && (best < 0 || p[r] < p[std::size_t(best)]))
                best = std::ptrdiff_t(r);
        return best;
    };
    const auto apex = nearest_row(corner.trace());
    EXPECT_NEAR(double(apex), 511.5, 2.0);
    corner.set_offset(0.0, 20.0);
    EXPECT_GT(nearest_row(corner.trace()), apex + 100);

    // The comb leaves rows without line (its gaps); the teeth do not.
    scene comb(scene_config{scene_kind::comb, 50.0, 10.0}, o);
    const auto k = comb.trace();
    const auto empty = std::count_if(k.begin(), k.end(), [](double v) { return std::isnan(v); });
    EXPECT_GT(empty, 300);
    EXPECT_LT(empty, 724);
    scene teeth(scene_config{scene_kind::teeth, 50.0, 10.0, 5.0}, o);
    const auto t = teeth.trace();
    EXPECT_EQ(std::count_if(t.begin(), t.end(), [](double v) { return std::isnan(v); }), 0);
    const auto [lo, hi] = std::minmax_element(t.begin(), t.end());
    EXPECT_GT(*hi - *lo, 20.0); // 5 mm of depth is tens of columns
}

TEST(Scene, SensorKeysAndOptions)
{
    using orvex::sim::parse_sensor_text;
    const auto c = parse_sensor_text("127.0.0.2,scene=teeth,distance=42.5,pitch=4,height=2,tilt=10");
    EXPECT_EQ(c.scene.kind, scene_kind::teeth);
    EXPECT_DOUBLE_EQ(c.scene.distance, 42.5);
    EXPECT_DOUBLE_EQ(c.scene.pitch, 4.0);
    EXPECT_DOUBLE_EQ(c.scene.height, 2.0);
    EXPECT_DOUBLE_EQ(c.scene.tilt, 10.0);
    EXPECT_LT(parse_sensor_text("127.0.0.2").scene.distance, 0.0); // middle of the range
    for (const char* bad : {"127.0.0.2,scene=cube", "127.0.0.2,distance=-1", "127.0.0.2,pitch=0",
                            "127.0.0.2,tilt=90", "127.0.0.2,height=x"})
        EXPECT_THROW(parse_sensor_text(bad), std::invalid_argument) << bad;

    auto cl = orvex::sim::parse_command_line(
        {"--sensor", "127.0.0.2", "--profile-rate", "30000", "--frame-rate", "25"});
    EXPECT_TRUE(cl.error.empty());
    EXPECT_DOUBLE_EQ(cl.options.profile_rate, 30000.0);
    EXPECT_DOUBLE_EQ(cl.options.frame_rate, 25.0);
    EXPECT_FALSE(
        orvex::sim::parse_command_line({"--sensor", "127.0.0.2", "--profile-rate", "-5"}).error.empty());
    EXPECT_FALSE(
        orvex::sim::parse_command_line({"--sensor", "127.0.0.2", "--frame-rate", "0"}).error.empty());
}

TEST(SimProfiles, PolledProfilesFollowSettingsTablesAndCounter)
{
    const std::string addr = loopback_address(2);
    auto sim = start_sim({addr + ",scene=plane,distance=40,shift=5"});
    raw_client c;
    const double column = default_optics().column_at_fraction(0.4);

    // 0x20 measures (echo), 0x22 reads; header word 1 counts the measurements.
    auto echo = c.ask(addr, {0x20});
    ASSERT_TRUE(echo && *echo == bytes{0x20});
    auto p1 = c.ask(addr, {0x22});
    ASSERT_TRUE(p1 && p1->size() == 4104);
    c.ask(addr, {0x20});
    auto p2 = c.ask(addr, {0x22, 0x10});
    ASSERT_TRUE(p2 && p2->size() == 5160);
    EXPECT_EQ(be32(*p2, 0), be32(*p1, 0) + 1);
    EXPECT_EQ(be32(*p2, 0), sim->profile_counter(0));
    // Millimetres with p = 5: x = 40 mm everywhere, y grows with the row.
    EXPECT_NEAR(be16(*p1, 8) / 32.0, 40.0, 0.05);
    EXPECT_NEAR(be16(*p1, 8 + 4 * 1023) / 32.0, 40.0, 0.05);
    EXPECT_LT(std::int16_t(be16(*p1, 10)), 0);
    EXPECT_GT(std::int16_t(be16(*p1, 10 + 4 * 1023)), 0);
    // With intensities the points start at 40 and a valid point is bright.
    EXPECT_EQ(be16(*p2, 40), be16(*p1, 8));
    EXPECT_GT((*p2)[4136 + 500], 100);

    // Calibration bypass, a 10-row window from row 100, columns 0..799: the
    // line position in 1/32 pixel, slots past the window "no point".
    edit_settings(c, addr, [](bytes& p) {
        p[80] = 1;
        set_rows(p, 100, 109);
        p[52] = 0;
        p[53] = 99;
    });
    c.ask(addr, {0x20});
    auto b = c.ask(addr, {0x22});
    ASSERT_TRUE(b && b->size() == 4104);
    EXPECT_NEAR(be16(*b, 8) / 32.0, column, 1.0 / 32);
    EXPECT_NEAR(be16(*b, 8 + 4 * 9) / 32.0, column, 1.0 / 32);
    EXPECT_GE(be16(*b, 8 + 4 * 10), 0xFF00);
    // A column window that excludes the line, and a laser switched off, give no points.
    edit_settings(c, addr, [](bytes& p) { p[53] = 39; }); // columns 0..319
    c.ask(addr, {0x20});
    b = c.ask(addr, {0x22});
    ASSERT_TRUE(b);
    EXPECT_GE(be16(*b, 8), 0xFF00);
    edit_settings(c, addr, [](bytes& p) {
        p[53] = 159;
        p[32] = 0;
    });
    c.ask(addr, {0x20});
    b = c.ask(addr, {0x22});
    ASSERT_TRUE(b);
    EXPECT_GE(be16(*b, 8 + 4 * 5), 0xFF00);

    // Tables in flash: row 100 holds X = 10 + column/100 mm and Y = -3 mm
    // (p = 5) around the line; row 101 holds values but none near the line;
    // the other rows stay erased and use the built-in optics.
    edit_settings(c, addr, [](bytes& p) {
        p[32] = 1;
        p[80] = 0;
    });
    bytes row(8192, 0xFF);
    for (int col = 0; col < 1280; ++col) {
        const int xw = int(std::lround((10.0 + col / 100.0) * 32));
        row[4 * col] = std::uint8_t(xw >> 8);
        row[4 * col + 1] = std::uint8_t(xw);
        row[4 * col + 2] = 0xFF;
        row[4 * col + 3] = 0xA0; // -96 = -3 mm
    }
    sim->flash_write_raw(0, 0x800000 + 100 * 8192, row);
    bytes far_row(8192, 0xFF);
    far_row[0] = far_row[1] = far_row[2] = far_row[3] = 0;
    sim->flash_write_raw(0, 0x800000 + 101 * 8192, far_row);
    c.ask(addr, {0x20});
    b = c.ask(addr, {0x22});
    ASSERT_TRUE(b);
    EXPECT_NEAR(be16(*b, 8) / 32.0, 10.0 + column / 100.0, 0.05);
    EXPECT_EQ(std::int16_t(be16(*b, 10)), -96);
    EXPECT_GE(be16(*b, 12), 0xFF00);              // row 101: outside the calibrated range
    EXPECT_NEAR(be16(*b, 16) / 32.0, 40.0, 0.05); // row 102: built-in optics
}

TEST(SimFrames, FramesAndLineDataShowTheScene)
{
    const std::string addr = loopback_address(3);
    auto sim = start_sim({addr + ",scene=corner,distance=30"});
    raw_client c;
    const auto lines = sim->line_positions(0);
    edit_settings(c, addr, [](bytes& p) {
        set_rows(p, 200, 711); // 512 rows
        p[52] = 10;            // columns 80..1199
        p[53] = 149;
    });

    // Numbered lines: 1284 bytes, bytes 2..3 the line number (2048 added on
    // the last line); the pixels hold the window's 1120 columns from the first
    // byte on, so the ridge's brightest pixel lies 80 before the traced column.
    stream_client f;
    f.send(addr, {0x29});
    auto got = f.collect(std::chrono::milliseconds(300));
    ASSERT_EQ(got.size(), 512u);
    for (std::size_t k = 0; k < got.size(); ++k) {
        const auto& d = got[k];
        ASSERT_EQ(d.size(), 1284u);
        EXPECT_EQ(be16(d, 2), k == 511 ? 2048 + 511 : k);
        const auto peak = std::max_element(d.begin() + 4, d.end()) - (d.begin() + 4);
        EXPECT_NEAR(double(peak) + 80, lines[200 + k], 1.0) << k;
        EXPECT_GT(d[4], 0);                               // sensor column 80: dark, not blank
        EXPECT_EQ(d[4 + 1120], 0);                        // after the window's columns
        const std::size_t dark = peak > 560 ? 100 : 1000; // far from the ridge
        EXPECT_GT(d[4 + dark], 0);                        // the dark, noisy background
        EXPECT_LT(d[4 + dark], 40);
    }

    // Plain lines for 0x21, then the line data of the same rows.
    f.send(addr, {0x21});
    got = f.collect(std::chrono::milliseconds(300));
    ASSERT_EQ(got.size(), 512u);
    EXPECT_EQ(got[0].size(), 1280u);
    f.send(addr, {0x2E, 0x02, 0x00, 0x00, 0x00, 0x04});
    got = f.collect(std::chrono::milliseconds(300));
    ASSERT_EQ(got.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k) {
        ASSERT_EQ(got[k].size(), 1028u);
        for (std::size_t j = 0; j < 256; j += 51) {
            const std::size_t line = 256 * k + j;
            const double v = be16(got[k], 4 + 4 * j) / 32.0;
            if (line < 512) {
                EXPECT_NEAR(v, lines[200 + line], 1.0 / 32) << line;
            } else {
                EXPECT_EQ(v, 0.0) << line;
            }
        }
    }

    // Background frames: zero after 0x27 with 0, the dark scene (no ridge)
    // after 0x27 with another value.
    ASSERT_TRUE(c.ask(addr, {0x27, 0x00, 0x00}));
    f.send(addr, {0x2A, 0x01});
    got = f.collect(std::chrono::milliseconds(300));
    ASSERT_EQ(got.size(), 512u);
    EXPECT_EQ(*std::max_element(got[100].begin() + 4, got[100].end()), 0);
    ASSERT_TRUE(c.ask(addr, {0x27, 0x00, 0x05}));
    f.send(addr, {0x26});
    got = f.collect(std::chrono::milliseconds(300));
    ASSERT_EQ(got.size(), 512u);
    EXPECT_EQ(got[100].size(), 1280u);
    EXPECT_GT(got[100][500], 0);
    EXPECT_LT(*std::max_element(got[100].begin(), got[100].end()), 40);
}

TEST(SimStreams, ProfileAndImageStreamsGoWhereTheyWereAsked)
{
    const std::string addr = loopback_address(4);
    orvex::sim::simulator_options o;
    o.profile_rate = 2000;
    o.frame_rate = 20;
    auto sim = start_sim({addr + ",fw=39z", loopback_address(5)}, o);
    raw_client c;
    edit_settings(c, addr, [](bytes& p) { set_rows(p, 0, 63); });

    // 2000 profiles per second with intensities, numbered without gaps.
    stream_client s;
    s.send(addr, {0x23, 0x11});
    auto got = s.receive_for(std::chrono::milliseconds(500));
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0], bytes{0x23});
    got.erase(got.begin());
    EXPECT_GT(got.size(), 500u);
    EXPECT_LT(got.size(), 1500u);
    for (std::size_t i = 0; i < got.size(); ++i) {
        ASSERT_EQ(got[i].size(), 5160u);
        if (i > 0) {
            EXPECT_EQ(be32(got[i], 0), be32(got[i - 1], 0) + 1);
        }
    }
    // The other device's requests are answered while this one streams.
    raw_client other;
    EXPECT_TRUE(other.ask(loopback_address(5), {0xF4}, std::chrono::milliseconds(300)));
    // Off stops the stream.
    raw_client off;
    EXPECT_TRUE(off.ask(addr, {0x23, 0x00}));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    s.drain();
    EXPECT_TRUE(s.receive_for(std::chrono::milliseconds(200)).empty());

    // The image stream: firmware 39z sends plain lines, whole frames of the
    // window's 64 rows, about 20 per second.
    s.send(addr, {0x25, 0x01});
    got = s.receive_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(off.ask(addr, {0x25, 0x00}));
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0], bytes{0x25});
    EXPECT_GE(got.size(), 1 + 64u * 3);
    for (std::size_t i = 1; i < got.size(); ++i)
        EXPECT_EQ(got[i].size(), 1280u);
}

TEST(SimStreams, AnImpossiblePeriodRunsAtTheShortestCycle)
{
    // The shortest cycle: the window's read-out (or the first exposure when
    // that is longer), the second exposure with dual exposure on, and 100 us;
    // a shorter period, 1 ("not fixed") or 0 gives way to it, a longer one is
    // kept. A cycle delay that does not fit inside the period adds a cycle.
    struct timing {
        unsigned period, exposure1, exposure2;
        bool dual;
        unsigned delay, last_row, last_column_byte;
    };
    auto period = [](const timing& t) {
        bytes p(256, 0);
        p[37] = std::uint8_t(t.period >> 16);
        p[38] = std::uint8_t(t.period >> 8);
        p[39] = std::uint8_t(t.period);
        p[40] = std::uint8_t(t.exposure1 >> 8);
        p[41] = std::uint8_t(t.exposure1);
        p[42] = std::uint8_t(t.exposure2 >> 8);
        p[43] = std::uint8_t(t.exposure2);
        p[51] = t.dual ? 1 : 0;
        p[53] = std::uint8_t(t.last_column_byte);
        set_rows(p, 0, t.last_row);
        p[59] = std::uint8_t(t.delay >> 8);
        p[60] = std::uint8_t(t.delay);
        return orvex::sim::effective_period_us(p.data());
    };
    // Whole 1280 x 1024 window: 1024 x 324 + 648 cycles, 5319 us of read-out.
    EXPECT_DOUBLE_EQ(period({1, 0, 0, false, 0, 1023, 159}), 5419.0);
    EXPECT_DOUBLE_EQ(period({10000, 8000, 500, true, 0, 1023, 159}), 10000.0);
    EXPECT_DOUBLE_EQ(period({5, 8000, 500, true, 0, 1023, 159}), 8600.0);
    EXPECT_DOUBLE_EQ(period({5, 8000, 500, false, 0, 1023, 159}), 8100.0); // second exposure off
    // 64 rows: 343 us of read-out, shorter than a 500 us exposure.
    EXPECT_DOUBLE_EQ(period({0, 500, 0, false, 0, 63, 159}), 600.0);
    EXPECT_DOUBLE_EQ(period({5, 500, 0, false, 599, 63, 159}), 600.0);
    EXPECT_DOUBLE_EQ(period({5, 500, 0, false, 600, 63, 159}), 1200.0);
    // 80 columns, 10 rows: at least 86 cycles per row, 1508 cycles, 25 us.
    EXPECT_DOUBLE_EQ(period({1, 0, 0, false, 0, 9, 9}), 125.0);
    EXPECT_DOUBLE_EQ(period({0xFFFFFF, 500, 0, false, 0, 1023, 159}), 16777215.0);

    // On the wire: header word 2 of streamed profiles steps by the cycle the
    // head really runs at, while the settings keep the period as written.
    const std::string addr = loopback_address(7);
    auto sim = start_sim({addr});
    raw_client c;
    edit_settings(c, addr, [](bytes& p) {
        p[37] = p[38] = 0;
        p[39] = 5; // 5 us: far below the 600 us cycle of a 500 us exposure
        p[40] = 0x01;
        p[41] = 0xF4;
        p[51] = 0;
        p[59] = p[60] = 0;
        set_rows(p, 0, 63);
    });
    // Consecutive profiles lie one cycle apart; a stalled sender may skip
    // cycles (never measured, so the counter does not skip), but none comes
    // sooner than a cycle after the one before.
    auto steps = [](const std::vector<bytes>& got, double expected) {
        std::size_t profiles = 0, exact = 0;
        for (std::size_t i = 1; i < got.size(); ++i) {
            if (got[i].size() != 4104 || got[i - 1].size() != 4104)
                continue;
            ++profiles;
            EXPECT_EQ(be32(got[i], 0), be32(got[i - 1], 0) + 1);
            const double step = double(be32(got[i], 4)) - double(be32(got[i - 1], 4));
            EXPECT_GE(step, expected - 2.0) << i;
            exact += std::abs(step - expected) <= 2.0 ? 1 : 0;
        }
        EXPECT_GE(exact * 10, profiles * 9);
        return profiles;
    };
    stream_client s;
    s.send(addr, {0x23, 0x01});
    auto got = s.receive_for(std::chrono::milliseconds(300));
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0], bytes{0x23});
    const std::size_t fast = steps(got, 600.0);
    EXPECT_GT(fast, 200u); // about 500 in 300 ms
    EXPECT_LT(fast, 800u);
    const auto kept = sim->settings_memory(0);
    EXPECT_EQ(kept[39], 5);

    // A cycle delay written while streaming slows the stream at once: a
    // 1500 us delay does not fit into the 600 us cycle and adds one to itself.
    edit_settings(c, addr, [](bytes& p) {
        p[59] = 0x05;
        p[60] = 0xDC;
    });
    s.receive_for(std::chrono::milliseconds(100)); // whatever was measured before
    got = s.receive_for(std::chrono::milliseconds(300));
    const std::size_t slow = steps(got, 2100.0);
    EXPECT_GT(slow, 60u); // about 140 in 300 ms
    EXPECT_LT(slow, 300u);
    EXPECT_TRUE(c.ask(addr, {0x23, 0x00}));
}

TEST(SimProfiles, OddRequestsAndWindowsAreHandledSafely)
{
    const std::string addr = loopback_address(6);
    auto sim = start_sim({addr});
    raw_client c;
    // Too short to carry their fields: ignored, no stream starts.
    // Mode bytes with undefined bits are not stream switches.
    for (const bytes& d : {bytes{0x23}, bytes{0x25}, bytes{0x2E, 0x02, 0x00}, bytes{0x27, 0x01},
                           bytes{0x23, 0xFF}, bytes{0x23, 0x03}, bytes{0x25, 0x02}})
        EXPECT_TRUE(c.silent(addr, d)) << int(d[0]);
    // Line data asked far beyond the four blocks: nothing, no hang.
    EXPECT_TRUE(c.silent(addr, {0x2E, 0x02, 0xFF, 0xFF, 0xFF, 0xFF}));
    // A window whose last row lies before its first wraps in 16 bits (as the
    // program computes it) to more than 1024 rows, and rows past the image
    // end: every slot is filled, rows past 1023 give no point.
    edit_settings(c, addr, [](bytes& p) { set_rows(p, 1000, 20); });
    c.ask(addr, {0x20});
    auto b = c.ask(addr, {0x22});
    ASSERT_TRUE(b && b->size() == 4104);
    EXPECT_LT(be16(*b, 8), 0xFF00);          // row 1000
    EXPECT_GE(be16(*b, 8 + 4 * 30), 0xFF00); // row 1030
    stream_client f;
    f.send(addr, {0x21});
    const auto lines = f.collect(std::chrono::milliseconds(300));
    ASSERT_EQ(lines.size(), 1024u);
    EXPECT_EQ(*std::max_element(lines[100].begin(), lines[100].end()), 0); // row 1100: black
    // Still answering.
    EXPECT_TRUE(c.ask(addr, {0xF4}));
}
