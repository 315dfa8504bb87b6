// The search thread against a raw peer that plays several devices at once:
// which replies count, duplicates, order, and errors inside the thread.
#include "link/sensor_search.h"
#include "raw_peer.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

using namespace orvex::k7;
using boost::asio::ip::address_v4;
using orvex::test::bytes_t;
using orvex::test::raw_peer;

namespace {

bytes_t reply(std::uint8_t code, std::uint8_t last_octet, const char* serial, std::size_t length = 257)
{
    bytes_t r(length, 0);
    r[0] = code;
    std::uint8_t* p = r.data() + 1; // payload
    p[6] = 10;
    p[7] = 0;
    p[8] = 0;
    p[9] = last_octet;
    std::memcpy(p + 16, "49m", 3);
    std::memcpy(p + 21, "S2D", 3);
    std::memcpy(p + 32, "K7D!", 4);
    std::memcpy(p + 136, serial, 5);
    if (length >= 1 + 158)
        std::memcpy(p + 154, "K7D!", 4);
    return r;
}

template <class F>
bool eventually(F done)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < until && !done())
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return done();
}

std::vector<address_v4> loopback_only()
{
    return {address_v4::loopback()};
}

} // namespace

TEST(SensorSearch, KeepsOnlyWholeRepliesOfThisRoundOnce)
{
    // The peer answers every request with a mix: the good reply of this
    // round's code twice, one 256 bytes long, one 258 bytes long (cut, counts),
    // one with the other code, and a second device with a lower address.
    raw_peer peer(orvex::test::loopback_address(2), 0, [](const bytes_t& req) {
        const std::uint8_t code = req.at(0);
        const std::uint8_t other = code == 0xF3 ? 0xF4 : 0xF3;
        return std::vector<bytes_t>{
            reply(code, 30, "SER30"),
            reply(code, 30, "SER30"),
            reply(code, 40, "SER40", 256),
            reply(code, 5, "SER05", 258),
            reply(other, 50, "SER50"),
            reply(code, 100, "SER10"),
            bytes_t{},
        };
    });
    sensor_search search(loopback_only, peer.port());
    search.start(peer.address());
    ASSERT_TRUE(eventually([&] { return search.rounds() >= 2; }));
    search.stop();

    const auto found = search.found();
    ASSERT_EQ(found.size(), 3u);
    // Sorted by address text as characters: "10.0.0.100" < "10.0.0.30" < "10.0.0.5".
    EXPECT_EQ(found[0].address_text, "10.0.0.100");
    EXPECT_EQ(found[1].address_text, "10.0.0.30");
    EXPECT_EQ(found[2].address_text, "10.0.0.5");
    EXPECT_EQ(found[2].serial, "SER05");
    EXPECT_EQ(found[1].computer_address_text, "127.0.0.1");
    EXPECT_EQ(search.count(), 3u);

    // Rounds alternate the codes, starting with 0xF3.
    const auto got = peer.received();
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[0].bytes, bytes_t{0xF3});
    EXPECT_EQ(got[1].bytes, bytes_t{0xF4});

    // A new start clears the list.
    peer.set_responder({});
    search.start(peer.address());
    EXPECT_EQ(search.count(), 0u);
    search.stop();
}

TEST(SensorSearch, ErrorsInsideTheThreadSkipTheRoundOnly)
{
    raw_peer peer(orvex::test::loopback_address(2), 0,
                  [](const bytes_t& req) { return std::vector<bytes_t>{reply(req.at(0), 7, "SER07")}; });
    std::atomic<int> calls{0};
    sensor_search search(
        [&] {
            if (calls++ == 0)
                throw std::runtime_error("interfaces unavailable");
            return loopback_only();
        },
        peer.port());
    search.start(peer.address());
    ASSERT_TRUE(eventually([&] { return search.count() >= 1; }));
    EXPECT_TRUE(search.running());
    EXPECT_GE(search.error_count(), 1u);
    EXPECT_EQ(search.last_error(), "interfaces unavailable");
    EXPECT_EQ(peer.received().at(0).bytes, bytes_t{0xF4}) << "the failed round sent nothing";

    // Stopping is prompt even in the middle of a round.
    const auto t0 = std::chrono::steady_clock::now();
    search.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
    EXPECT_FALSE(search.running());
    EXPECT_EQ(search.socket_addresses(), loopback_only()) << "sockets stay for an address change";
}
