// Description (0xF3/0xF4), the search socket and the address change 0xF6.
#include "sim_fixture.h"

#include <boost/asio/ip/address_v4.hpp>

#include <chrono>
#include <cstring>
#include <map>
#include <thread>

namespace orvex::test {
namespace {

using namespace std::chrono_literals;

std::uint32_t ip(const std::string& a)
{
    return boost::asio::ip::make_address_v4(a).to_uint();
}

std::uint32_t be32(const bytes& d, std::size_t off)
{
    return (std::uint32_t(d[off]) << 24) | (std::uint32_t(d[off + 1]) << 16) |
           (std::uint32_t(d[off + 2]) << 8) | d[off + 3];
}

int be16s(const bytes& d, std::size_t off)
{
    return static_cast<std::int16_t>((d[off] << 8) | d[off + 1]);
}

std::string text(const bytes& d, std::size_t off, std::size_t n)
{
    return std::string(d.begin() + static_cast<std::ptrdiff_t>(off),
                       d.begin() + static_cast<std::ptrdiff_t>(off + n));
}

TEST(K7simDescription, LayoutFollowsTheOptions)
{
    const auto a2 = loopback_address(2), a3 = loopback_address(3);
    auto sim = start_sim({a2 + ",serial=00042,fw=48k,type=E1D,family=python,board=50,kind=Z,ident=Probe head,"
                               "shift=8,outline=1.5:120:-50:50:-80.25:80",
                          a3});
    raw_client c;

    auto r = c.ask(a2, {0xF4});
    ASSERT_TRUE(r);
    ASSERT_EQ(r->size(), 257u);
    EXPECT_EQ((*r)[0], 0xF4);
    const std::size_t p = 1; // payload offset in the reply
    EXPECT_EQ(be32(*r, p + 6), ip(a2));
    EXPECT_EQ((*r)[p + 10], 2); // python
    EXPECT_EQ((*r)[p + 12], 'Z');
    EXPECT_EQ((*r)[p + 13], 0x50);
    EXPECT_EQ(text(*r, p + 16, 3), "48k");
    EXPECT_EQ(text(*r, p + 21, 3), "E1D");
    EXPECT_EQ(text(*r, p + 32, 4), "K7D!");
    EXPECT_EQ(text(*r, p + 154, 4), "K7D!");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&(*r)[p + 36])), "Probe head");
    EXPECT_EQ(text(*r, p + 136, 5), "00042");
    EXPECT_EQ((*r)[p + 141], 8);
    EXPECT_EQ(be16s(*r, p + 142), 384); // 1.5 * 256
    EXPECT_EQ((*r)[p + 144], 120);      // 120 * 256 = 0x7800
    EXPECT_EQ((*r)[p + 145], 0);
    EXPECT_EQ(be16s(*r, p + 146), -12800); // -50 * 256, stored 0xCE00
    EXPECT_EQ((*r)[p + 146], 0xCE);
    EXPECT_EQ(be16s(*r, p + 148), 12800);
    EXPECT_EQ(be16s(*r, p + 150), -20544); // -80.25 * 256
    EXPECT_EQ(be16s(*r, p + 152), 20480);

    // The second form carries the same payload with its own echo.
    auto r3 = c.ask(a2, {0xF3});
    ASSERT_TRUE(r3);
    EXPECT_EQ((*r3)[0], 0xF3);
    EXPECT_TRUE(std::equal(r3->begin() + 1, r3->end(), r->begin() + 1));

    // Defaults: 49m, S2D, vita, kind 'A', board 0, shift 5, outline 0..100 mm.
    auto d = c.ask(a3, {0xF4});
    ASSERT_TRUE(d);
    EXPECT_EQ(be32(*d, p + 6), ip(a3));
    EXPECT_EQ((*d)[p + 10], 1);
    EXPECT_EQ((*d)[p + 12], 'A');
    EXPECT_EQ((*d)[p + 13], 0);
    EXPECT_EQ(text(*d, p + 16, 3), "49m");
    EXPECT_EQ(text(*d, p + 21, 3), "S2D");
    EXPECT_EQ((*d)[p + 141], 5);
    EXPECT_EQ(be16s(*d, p + 144), 3200);
    EXPECT_EQ(sim->ready_lines().at(0), "k7sim: sensor 00042 at " + a2 + ":11681");
}

// Replies to a search request, by the address inside the payload.
std::map<std::uint32_t, int> replies_by_address(raw_client& c, std::uint8_t code)
{
    std::map<std::uint32_t, int> seen;
    for (const auto& d : c.collect(500ms))
        if (d.size() == 257 && d[0] == code)
            ++seen[be32(d, 7)];
    return seen;
}

TEST(K7simSearch, AnswersBothFormsForEveryDevice)
{
    const auto a2 = loopback_address(2), a3 = loopback_address(3), a4 = loopback_address(4);
    auto sim = start_sim({a2, a3, a4});
    raw_client c;
    for (std::uint8_t code : {std::uint8_t(0xF3), std::uint8_t(0xF4)}) {
        c.drain();
        c.send(search_address(), {code});
        const auto seen = replies_by_address(c, code);
        EXPECT_EQ(seen.size(), 3u);
        for (const auto& a : {a2, a3, a4})
            EXPECT_EQ(seen.count(ip(a)) ? seen.at(ip(a)) : 0, 1) << a;
    }
    // Anything else on the search socket is ignored.
    EXPECT_TRUE(c.silent(search_address(), {0x80, 0x00, 0xFF}));
    EXPECT_TRUE(c.silent(search_address(), {}));
}

TEST(K7simSearch, WildcardSocketHearsTheLoopbackBroadcast)
{
    // Other test processes may run simulators too: count only our own block.
    const auto a2 = loopback_address(2), a3 = loopback_address(3);
    sim::simulator_options o;
    o.search_bind = "0.0.0.0";
    o.sensors = {a2, a3};
    sim::simulator sim(o);
    sim.start();
    raw_client c;
    c.send("127.255.255.255", {0xF4});
    const auto seen = replies_by_address(c, 0xF4);
    EXPECT_EQ(seen.count(ip(a2)) ? seen.at(ip(a2)) : 0, 1);
    EXPECT_EQ(seen.count(ip(a3)) ? seen.at(ip(a3)) : 0, 1);
}

bytes move_request(const std::string& serial, const std::string& to)
{
    bytes tail(serial.begin(), serial.end());
    const auto a = ip(to);
    for (int s = 24; s >= 0; s -= 8)
        tail.push_back(std::uint8_t(a >> s));
    return joined({0xF6}, tail);
}

bool wait_for_address(const sim::simulator& sim, std::size_t i, const std::string& a)
{
    for (int k = 0; k < 200 && sim.sensor_address(i) != a; ++k)
        std::this_thread::sleep_for(10ms);
    return sim.sensor_address(i) == a;
}

TEST(K7simAddressChange, DeviceWithTheSerialMoves)
{
    const auto a2 = loopback_address(2), a3 = loopback_address(3), a9 = loopback_address(9);
    auto sim = start_sim({a2 + ",serial=11111", a3 + ",serial=22222"});
    raw_client c;

    // Refused: outside loopback, onto another device, unknown serial. Nothing moves.
    c.send(search_address(), move_request("22222", "192.168.1.50"));
    c.send(search_address(), move_request("22222", a2));
    c.send(search_address(), move_request("99999", a9));
    c.send(search_address(), move_request("2222", a9)); // one byte short
    ASSERT_TRUE(c.ask(search_address(), {0xF4}));       // same socket: the requests above are handled by now
    EXPECT_EQ(sim->sensor_address(0), a2);
    EXPECT_EQ(sim->sensor_address(1), a3);

    c.send(search_address(), move_request("22222", a9));
    ASSERT_TRUE(wait_for_address(*sim, 1, a9));
    EXPECT_EQ(sim->sensor_address(0), a2);
    auto r = c.ask(a9, {0xF4});
    ASSERT_TRUE(r);
    EXPECT_EQ(be32(*r, 7), ip(a9));
    // Nothing of ours listens at the old address any more. (A simulator of a
    // parallel test process whose search socket is bound to the wildcard may
    // answer there with its own devices, never with this one.)
    const auto stale = c.ask(a3, {0xF4});
    EXPECT_TRUE(!stale || (be32(*stale, 7) != ip(a3) && be32(*stale, 7) != ip(a9)));
    EXPECT_EQ(sim->ready_lines().at(1), "k7sim: sensor 22222 at " + a9 + ":11681");

    // Sent to a device's own address only that device listens; it then
    // answers settings requests on the new address.
    c.send(a2, move_request("22222", loopback_address(10)));
    ASSERT_TRUE(c.ask(a2, {0xF4}));
    EXPECT_EQ(sim->sensor_address(1), a9);
    c.send(a2, move_request("11111", a3));
    ASSERT_TRUE(wait_for_address(*sim, 0, a3));
    r = c.ask(a3, {0x80, 0x00, 0xFF});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->size(), 256u);
}

} // namespace
} // namespace orvex::test
