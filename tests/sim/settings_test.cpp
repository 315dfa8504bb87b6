// Settings in working memory and flash (0x80, 0x81, 0x83, 0x84) and the state
// folder that keeps flash and stored settings across runs.
#include "sim_fixture.h"

#include <filesystem>

namespace orvex::test {
namespace {

bytes pattern(std::size_t n, std::uint8_t seed)
{
    bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = std::uint8_t(seed + i * 7);
    return b;
}

bytes write_memory_request(const bytes& payload255)
{
    return joined({0x81, 0x00, 0xFF}, payload255);
}

bytes write_flash_request(const bytes& payload256)
{
    return joined({0x84}, payload256);
}

TEST(K7simSettings, MemoryAndFlashCopiesRoundTrip)
{
    const auto a = loopback_address(2);
    auto sim = start_sim({a});
    raw_client c;

    // Fresh device: memory equals the stored copy; the reply carries 255 bytes.
    auto r = c.ask(a, {0x80, 0x00, 0xFF});
    ASSERT_TRUE(r);
    ASSERT_EQ(r->size(), 256u);
    EXPECT_EQ((*r)[0], 0x80);
    const auto mem = sim->settings_memory(0);
    ASSERT_EQ(mem.size(), 256u);
    EXPECT_TRUE(std::equal(r->begin() + 1, r->end(), mem.begin()));
    EXPECT_EQ(mem, sim->settings_flash(0));
    EXPECT_EQ(mem[6], 127); // the IP field holds the device address

    const auto m = pattern(255, 3);
    r = c.ask(a, write_memory_request(m));
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, bytes{0x81});
    r = c.ask(a, {0x80, 0x00, 0xFF});
    ASSERT_TRUE(r);
    EXPECT_TRUE(std::equal(r->begin() + 1, r->end(), m.begin()));
    EXPECT_NE(sim->settings_flash(0), sim->settings_memory(0)); // the stored copy is untouched

    const auto f = pattern(256, 100);
    r = c.ask(a, write_flash_request(f));
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, bytes{0x84});
    r = c.ask(a, {0x83});
    ASSERT_TRUE(r);
    ASSERT_EQ(r->size(), 257u);
    EXPECT_EQ((*r)[0], 0x83);
    EXPECT_EQ(bytes(r->begin() + 1, r->end()), f);
    EXPECT_EQ(sim->settings_flash(0), f);
    EXPECT_TRUE(std::equal(m.begin(), m.end(), sim->settings_memory(0).begin()));

    // Short or malformed writes are ignored and change nothing.
    EXPECT_TRUE(c.silent(a, {0x81, 0x00, 0xFF, 1, 2, 3}));
    EXPECT_TRUE(c.silent(a, bytes(200, 0x84)));
    EXPECT_TRUE(c.silent(a, {0x80, 0x01, 0x02}));
    EXPECT_EQ(sim->settings_flash(0), f);
    EXPECT_TRUE(std::equal(m.begin(), m.end(), sim->settings_memory(0).begin()));
}

TEST(K7simState, FolderKeepsFlashAndStoredSettingsAcrossRuns)
{
    TempDir dir;
    const auto a = loopback_address(2);
    sim::simulator_options o;
    o.state_dir = (dir / "state").string();
    const auto stored = pattern(256, 9);
    const auto page = pattern(256, 77);
    {
        auto sim = start_sim({a + ",serial=00777"}, o);
        raw_client c;
        ASSERT_TRUE(c.ask(a, write_flash_request(stored)));
        ASSERT_TRUE(c.ask(a, write_memory_request(pattern(255, 1))));
        c.send(a, mode_request(3));
        ASSERT_TRUE(c.ask(a, erase_request(0x800000)));
        ASSERT_TRUE(c.ask(a, write_page_request(0x812300, page)));
        sim->stop();
        sim->stop(); // idempotent
    }
    // Stored sparsely: the identification sector and one table sector, not 16 MiB.
    const auto flash_file = dir / "state" / "sensor-00777.flash";
    ASSERT_TRUE(std::filesystem::exists(flash_file));
    EXPECT_LT(std::filesystem::file_size(flash_file), 200u * 1024u);
    EXPECT_EQ(std::filesystem::file_size(dir / "state" / "sensor-00777.settings"), 256u);

    {
        auto sim = start_sim({a + ",serial=00777"}, o);
        EXPECT_EQ(sim->flash_read(0, 0x812300, 256), page);
        EXPECT_EQ(sim->settings_flash(0), stored);
        EXPECT_EQ(sim->settings_memory(0), stored); // memory starts from the stored copy
        EXPECT_EQ(sim->operating_mode(0), 0);
        raw_client c;
        auto r = c.ask(a, {0x80, 0x00, 0xFF});
        ASSERT_TRUE(r);
        EXPECT_TRUE(std::equal(r->begin() + 1, r->end(), stored.begin()));
        r = c.ask(a, {0xF4});
        ASSERT_TRUE(r);
        EXPECT_EQ(std::string(r->begin() + 137, r->begin() + 142), "00777");
    }

    // A damaged state file is reported and left as it was.
    const std::string damaged = "K7SIM-FLASH 1\n\x60\x60" + std::string(100, 'x');
    write_file(flash_file, damaged);
    sim::simulator_options bad = o;
    bad.sensors = {a + ",serial=00777"};
    try {
        sim::simulator s(bad);
        FAIL() << "a damaged flash image was accepted";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("sensor-00777.flash"), std::string::npos) << e.what();
    }
    EXPECT_EQ(read_file(flash_file), damaged);
    write_file(dir / "state" / "sensor-00777.settings", "short");
    write_file(flash_file, "");
    EXPECT_THROW(sim::simulator s(bad), std::invalid_argument);
}

TEST(K7simState, BoardKeepsItsParameterFlashAcrossRuns)
{
    TempDir dir;
    const auto a = loopback_address(2);
    sim::simulator_options o;
    o.state_dir = (dir / "state").string();
    bytes request = pattern(256, 5);
    request.insert(request.begin(), 0x8D);
    {
        auto sim = start_sim({a + ",serial=00778,board=81"}, o);
        raw_client c;
        ASSERT_TRUE(c.ask(a, request));
        sim->stop();
    }
    EXPECT_EQ(std::filesystem::file_size(dir / "state" / "sensor-00778.board"), 256u);
    auto sim = start_sim({a + ",serial=00778,board=81"}, o);
    raw_client c;
    const auto r = c.ask(a, {0x8C});
    ASSERT_TRUE(r);
    EXPECT_EQ(bytes(r->begin() + 1, r->end()), pattern(256, 5));
}

} // namespace
} // namespace orvex::test
