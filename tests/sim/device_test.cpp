// Registers, power, error state, latch, the debug record, the small commands,
// the silence switches and fault injection.
#include "sim_fixture.h"

#include <chrono>
#include <map>

namespace orvex::test {
namespace {

using namespace std::chrono_literals;

TEST(K7simDevice, RegistersPowerAndErrorState)
{
    const auto a = loopback_address(2);
    auto sim = start_sim({a});
    raw_client c;

    EXPECT_EQ(c.ask(a, {0x7A, 0x01, 0xFF, 0xBE, 0xEF}), bytes{0x7A}); // register 511
    EXPECT_EQ(c.ask(a, {0x7B, 0x01, 0xFF}), (bytes{0x7B, 0xBE, 0xEF}));
    EXPECT_EQ(sim->register_value(0, 511), 0xBEEF);
    EXPECT_TRUE(c.silent(a, {0x7B, 0x02, 0x00})); // 512 does not exist
    EXPECT_TRUE(c.silent(a, {0x7A, 0x02, 0x00, 0x00, 0x01}));
    EXPECT_TRUE(c.silent(a, {0x7B, 0x01}));

    // Unpowered image sensor: reads give 0; powering up restores its defaults.
    EXPECT_EQ(c.ask(a, {0x70}), bytes{0x70});
    EXPECT_FALSE(sim->image_sensor_powered(0));
    EXPECT_EQ(c.ask(a, {0x7B, 0x01, 0xFF}), (bytes{0x7B, 0x00, 0x00}));
    auto on = c.ask(a, {0x71});
    ASSERT_TRUE(on);
    EXPECT_EQ(on->size(), 2u);
    EXPECT_EQ((*on)[0], 0x71);
    EXPECT_TRUE(sim->image_sensor_powered(0));
    EXPECT_EQ(c.ask(a, {0x7B, 0x01, 0xFF}), (bytes{0x7B, 0x00, 0x00}));
    EXPECT_EQ(c.ask(a, {0x7B, 0x00, 0xC2}), (bytes{0x7B, 0x00, 0x20})); // integration control bit 5

    auto err = c.ask(a, {0x7D});
    ASSERT_TRUE(err);
    bytes clear(17, 0);
    clear[0] = 0x7D;
    EXPECT_EQ(*err, clear);
    sim->set_error_state(0, {0x81, 3, 7});
    err = c.ask(a, {0x7D});
    ASSERT_TRUE(err);
    EXPECT_EQ((*err)[1], 0x81);
    EXPECT_EQ((*err)[2], 3);
    EXPECT_EQ((*err)[3], 7);
    EXPECT_EQ(c.ask(a, {0x7C}), bytes{0x7C});
    err = c.ask(a, {0x7D});
    ASSERT_TRUE(err);
    EXPECT_EQ((*err)[1], 0);
}

TEST(K7simDevice, LatchCycle)
{
    const auto a = loopback_address(2);
    auto sim = start_sim({a});
    raw_client c;

    EXPECT_EQ(c.ask(a, {0xD0}), (bytes{0xD0, 0x20})); // nothing latched yet
    EXPECT_TRUE(c.silent(a, {0xD1}));                 // the latch command is not answered
    auto s = c.ask(a, {0xD0});
    ASSERT_TRUE(s);
    EXPECT_NE((*s)[1] & 0x60, 0); // first poll: busy
    EXPECT_EQ(c.ask(a, {0xD0}), (bytes{0xD0, 0x00}));

    c.drain();
    c.send(a, {0xD2, 0x10, 0x00});
    const auto chunks = c.collect(300ms);
    ASSERT_EQ(chunks.size(), 4u);
    std::map<int, int> levels;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        ASSERT_EQ(chunks[i].size(), 4097u);
        EXPECT_EQ(chunks[i][0], 0xD2);
        EXPECT_EQ(chunks[i][1], i == 3 ? 1 : 0);
        for (std::size_t k = 2; k < 1026; ++k)
            ++levels[chunks[i][k]];
    }
    EXPECT_GT(levels.size(), 50u); // a curve, not a constant
}

TEST(K7simDevice, DebugRecordAndSmallCommands)
{
    const auto a = loopback_address(2);
    auto sim = start_sim({a});
    raw_client c;

    // Descriptor: the first 64-character line declares the record and its fields.
    auto d = c.ask(a, {0x01});
    ASSERT_TRUE(d);
    ASSERT_EQ(d->size(), 257u);
    const std::string line(d->begin() + 1, d->begin() + 65);
    ASSERT_EQ(line.rfind("@", 0), 0u);
    const auto hash = line.find('#'), pct = line.find('%');
    const int n = std::stoi(line.substr(hash + 1, pct - hash - 1));
    EXPECT_GT(n, 0);
    EXPECT_EQ(line.find("%frames#31:0"), pct);
    for (std::size_t at = pct; at != std::string::npos; at = line.find('%', at + 1)) {
        const auto end = line.find('%', at + 1);
        const auto tok = line.substr(at, end == std::string::npos ? std::string::npos : end - at);
        EXPECT_NE(tok.find('#'), std::string::npos) << tok;
        EXPECT_NE(tok.find(':'), std::string::npos) << tok;
    }
    // Read once: n bytes, big-endian; the frame field counts the reads.
    auto once1 = c.ask(a, {0x02}), once2 = c.ask(a, {0x02});
    ASSERT_TRUE(once1 && once2);
    ASSERT_EQ(once1->size(), std::size_t(n) + 1);
    EXPECT_EQ(once1->back() + 1, once2->back());

    EXPECT_EQ(c.ask(a, {0xF9}), bytes{0xF9});
    EXPECT_EQ(c.ask(a, {0xFD, 0x00, 0x00, 0x01, 0x00}), bytes{0xFD});
    EXPECT_TRUE(c.silent(a, {0xFD, 0x00}));
    EXPECT_EQ(c.ask(a, {0x27, 0x01, 0x02}), bytes{0x27});
    EXPECT_TRUE(c.silent(a, {0xEB}));
    EXPECT_EQ(c.ask(a, {0x13, 0x5A}), bytes{0x13});
    EXPECT_EQ(c.ask(a, {0x12}), (bytes{0x12, 0x5A}));

    // Extension pass-through: reply lengths follow from the requests.
    bytes block{0x8D};
    for (int i = 0; i < 256; ++i)
        block.push_back(std::uint8_t(255 - i));
    EXPECT_EQ(c.ask(a, block), bytes{0x8D});
    auto blk = c.ask(a, {0x8C});
    ASSERT_TRUE(blk);
    bytes expected = block;
    expected[0] = 0x8C;
    EXPECT_EQ(*blk, expected);
    EXPECT_EQ(c.ask(a, {0x8B, 4, 3, 7, 8, 9}), bytes{0x8B});
    EXPECT_EQ(c.ask(a, {0x8A, 4, 5}), (bytes{0x8A, 7, 8, 9, 0, 0}));
    EXPECT_EQ(c.ask(a, {0x8A, 5, 2}), (bytes{0x8A, 0, 0}));
    EXPECT_TRUE(c.silent(a, {0x8B, 4, 3, 7})); // fewer bytes than announced
}

TEST(K7simDevice, SilenceSwitchesAndRequestLog)
{
    const auto a = loopback_address(2);
    auto sim = start_sim({a});
    raw_client c;

    sim->set_answering(0, false);
    EXPECT_TRUE(c.silent(a, {0xF4}));
    EXPECT_TRUE(c.silent(search_address(), {0xF4}));
    sim->set_answering(0, true);
    EXPECT_TRUE(c.ask(a, {0xF4}));

    sim->set_answer_budget(0, 2);
    EXPECT_TRUE(c.ask(a, {0x50}));
    EXPECT_TRUE(c.ask(a, {0x50}));
    EXPECT_TRUE(c.silent(a, {0x50}));
    sim->set_answer_budget(0, -1);
    EXPECT_TRUE(c.ask(a, {0x50}));

    const auto log = sim->request_log(0);
    ASSERT_GE(log.size(), 7u);
    EXPECT_EQ(log.front(), bytes{0xF4});
    EXPECT_EQ(log.back(), bytes{0x50});
}

TEST(K7simFaults, LossDuplicationAndDelay)
{
    const auto a = loopback_address(2);
    {
        sim::simulator_options o;
        o.loss = 1.0;
        auto sim = start_sim({a}, o);
        raw_client c;
        EXPECT_TRUE(c.silent(a, {0xF4}, 500ms));
        EXPECT_TRUE(c.silent(search_address(), {0xF4}, 300ms));
        EXPECT_EQ(sim->request_log(0).size(), 2u); // heard, not answered
    }
    {
        sim::simulator_options o;
        o.dup = 1.0;
        auto sim = start_sim({a}, o);
        raw_client c;
        c.send(a, {0x50});
        const auto got = c.collect(300ms);
        ASSERT_EQ(got.size(), 2u);
        EXPECT_EQ(got[0], got[1]);
    }
    {
        sim::simulator_options o;
        o.delay_ms = 150;
        auto sim = start_sim({a}, o);
        raw_client c;
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_TRUE(c.ask(a, {0x50}, 5000ms));
        EXPECT_GE(std::chrono::steady_clock::now() - t0, 140ms);
    }
    sim::simulator_options bad;
    bad.sensors = {a};
    bad.loss = 1.5;
    EXPECT_THROW(sim::simulator{bad}, std::invalid_argument);
}

} // namespace
} // namespace orvex::test
