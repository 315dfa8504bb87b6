// Whatever arrives, the simulator keeps running and answering.
#include "sim_fixture.h"

#include <chrono>
#include <random>

namespace orvex::test {
namespace {

using namespace std::chrono_literals;

TEST(K7simRobustness, GarbageNeverStopsTheDevice)
{
    const auto a = loopback_address(2);
    auto sim = start_sim({a});
    raw_client c;
    const auto ident = sim->flash_read(0, 0x7F0000, 256);

    for (const auto& to : {a, search_address()}) {
        c.send(to, {});
        for (int code = 0; code < 256; ++code) {
            c.send(to, {std::uint8_t(code)});
            c.send(to, bytes(9000, std::uint8_t(code)));
            c.send(to, {std::uint8_t(code), 0xFF});
        }
        c.collect(100ms);
    }
    // Random bodies behind the codes the device understands, with random
    // lengths, so that every handler meets short, long and odd operands.
    const std::uint8_t known[] = {0xF3, 0xF4, 0x80, 0x81, 0x83, 0x84, 0x86, 0x01, 0x02, 0xF9, 0xFD,
                                  0x27, 0x12, 0x13, 0x8A, 0x8B, 0x8C, 0x8D, 0x50, 0x51, 0x55, 0x56,
                                  0x72, 0x7A, 0x7B, 0x70, 0x71, 0x7C, 0x7D, 0xD0, 0xD1, 0xD2, 0xEB};
    std::mt19937 rng(7);
    for (int i = 0; i < 1500; ++i) {
        bytes junk(1 + rng() % 600);
        for (auto& b : junk)
            b = std::uint8_t(rng());
        junk[0] = known[rng() % sizeof known];
        if (junk[0] == 0x55 && junk.size() >= 5) { // plausible SPI lengths
            junk[1] = 0;
            junk[2] = std::uint8_t(rng() % 8);
            junk[3] = std::uint8_t(rng() % 3);
        }
        c.send(a, junk);
        if (i % 50 == 0)
            c.collect(20ms);
    }
    c.collect(200ms);

    auto r = c.ask(a, {0xF4});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->size(), 257u);
    EXPECT_TRUE(c.ask(search_address(), {0xF3}));
    EXPECT_EQ(sim->sensor_address(0), a);
    // Never in flash-work mode, so the flash cannot have changed.
    EXPECT_EQ(sim->flash_read(0, 0x7F0000, 256), ident);
}

TEST(K7simRobustness, RandomSettingsAndMeasuringRequestsNeverStopTheDevice)
{
    const auto a = loopback_address(3);
    auto sim = start_sim({a});
    // Streams started by the junk below go to this peer, which never reads:
    // the kernel drops what does not fit, the device must not care.
    raw_client junk_peer;
    junk_peer.send(a, mode_request(3)); // page writes and erases take effect too
    const std::uint8_t codes[] = {0x81, 0x20, 0x22, 0x23, 0x25, 0x21, 0x29, 0x2C,
                                  0x26, 0x2A, 0x2E, 0x27, 0x52, 0x53, 0x51, 0x55};
    std::mt19937 rng(11);
    for (int i = 0; i < 600; ++i) {
        const std::uint8_t code = codes[rng() % sizeof codes];
        bytes d(code == 0x81 ? 258 : code == 0x52 ? 260 : 1 + rng() % 12);
        for (auto& b : d)
            b = std::uint8_t(rng());
        d[0] = code;
        if (code == 0x81) { // a well-formed write of random settings
            d[1] = 0x00;
            d[2] = 0xFF;
        }
        junk_peer.send(a, d);
        if (i % 40 == 0)
            std::this_thread::sleep_for(5ms);
    }
    // The burst may have filled the device's socket queue, and UDP drops what
    // does not fit: ask again until the device has worked through it.
    raw_client c;
    auto answered = [&](const bytes& request) {
        for (int attempt = 0; attempt < 10; ++attempt)
            if (auto r = c.ask(a, request, 500ms))
                return r;
        return std::optional<bytes>();
    };
    EXPECT_TRUE(answered({0x23, 0x00}));
    EXPECT_TRUE(answered({0x25, 0x00}));
    EXPECT_TRUE(c.silent(a, mode_request(0))); // no reply to the mode switch

    // A flood of line-data requests is not queued without bound: most of it
    // is dropped while the device is busy, and it still answers.
    // Sent in small bursts, so that the socket queue itself drops nothing.
    for (int i = 0; i < 3000; ++i) {
        c.send(a, {0x2E, 0x02, 0x00, 0x00, 0x00, 0x04});
        if (i % 50 == 49)
            std::this_thread::sleep_for(1ms);
    }
    std::size_t line_data = 0;
    for (const auto& d : c.collect(300ms))
        line_data += d.size() == 1028 ? 1 : 0;
    EXPECT_GT(line_data, 0u);
    EXPECT_LT(line_data, 1000u); // a few hundred at most, not the 12 000 asked for

    auto r = answered({0xF4});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->size(), 257u);
    r = answered({0x22});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->size(), 4104u);
}

TEST(K7simOptionsCheck, BadSimulatorOptionsAreRefused)
{
    const auto a = loopback_address(2);
    auto make = [&](std::vector<std::string> sensors, std::string bind = "0.0.0.0") {
        sim::simulator_options o;
        o.sensors = std::move(sensors);
        o.search_bind = std::move(bind);
        sim::simulator s(o);
    };
    EXPECT_THROW(make({}), std::invalid_argument);
    EXPECT_THROW(make({"192.168.1.10"}), std::invalid_argument);
    EXPECT_THROW(make({a, a + ",serial=00099"}), std::invalid_argument); // same address
    EXPECT_THROW(make({a + ",serial=00001", loopback_address(3) + ",serial=00001"}), std::invalid_argument);
    EXPECT_THROW(make({a}, "192.168.1.1"), std::invalid_argument);
    EXPECT_THROW(make({a}, "nonsense"), std::invalid_argument);
    EXPECT_NO_THROW(make({a}, loopback_address(254)));
}

} // namespace
} // namespace orvex::test
