// The program's link core against the simulator on loopback: search, connect,
// the firmware rule, address change and the flash model.
#include "link/connect_steps.h"
#include "link/link_error.h"
#include "link/sensor_device.h"
#include "link/sensor_search.h"
#include "simulator.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#ifdef _WIN32
#include <process.h>
#define ORVEX_TEST_GETPID _getpid
#else
#include <unistd.h>
#define ORVEX_TEST_GETPID getpid
#endif

using namespace orvex::k7;
using clock_type = std::chrono::steady_clock;

namespace {

// Serials unique to this process: every simulator of every parallel test
// process hears the search broadcast and the address change.
std::string serial(char tag)
{
    char s[8];
    std::snprintf(s, sizeof s, "%c%04X", tag, static_cast<unsigned>(ORVEX_TEST_GETPID()) & 0xFFFF);
    return s;
}

std::string sensor(int host, char tag, const std::string& extra = "fw=49m,type=S2D")
{
    return orvex::test::loopback_address(host) + ",serial=" + serial(tag) + "," + extra;
}

std::unique_ptr<orvex::sim::simulator> start_sim(std::vector<std::string> sensors)
{
    orvex::sim::simulator_options o;
    o.sensors = std::move(sensors);
    auto s = std::make_unique<orvex::sim::simulator>(o);
    s->start();
    return s;
}

// The found records of this process's devices.
std::vector<sensor_info> mine(const sensor_search& search)
{
    std::vector<sensor_info> out;
    for (const auto& f : search.found())
        if (f.address_text.rfind(orvex::test::loopback_block(), 0) == 0)
            out.push_back(f);
    return out;
}

// Waits (generously) until `done` holds; the search rounds take a second each.
template <class F>
bool eventually(F done, std::chrono::seconds limit = std::chrono::seconds(10))
{
    const auto until = clock_type::now() + limit;
    while (clock_type::now() < until) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

constexpr const char* loopback_broadcast = "127.255.255.255";

} // namespace

TEST(SimSearch, FindsEveryDeviceOnceAndSorted)
{
    auto sim = start_sim({sensor(4, 'C'), sensor(2, 'A'), sensor(3, 'B')});
    sensor_search search;
    search.start(loopback_broadcast);

    // All three answer the first round (0xF3) ...
    ASSERT_TRUE(eventually([&] { return mine(search).size() >= 3 || search.rounds() >= 1; }));
    EXPECT_EQ(mine(search).size(), 3u) << "found in round " << search.rounds();
    // ... and the second round (0xF4) adds nobody twice.
    ASSERT_TRUE(eventually([&] { return search.rounds() >= 2; }));
    search.stop();
    const auto found = mine(search);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].address_text, orvex::test::loopback_address(2));
    EXPECT_EQ(found[1].address_text, orvex::test::loopback_address(3));
    EXPECT_EQ(found[2].address_text, orvex::test::loopback_address(4));
    EXPECT_EQ(found[0].serial, serial('A'));
    EXPECT_EQ(found[0].computer_address_text, "127.0.0.1");
    EXPECT_EQ(found[0].version, (firmware_version{49, 'm'}));
    EXPECT_EQ(found[0].type, type_s2d);
    EXPECT_EQ(search.count(), search.found().size());
    EXPECT_EQ(search.error_count(), 0u) << search.last_error();
    EXPECT_FALSE(search.running());
}

TEST(SimConnect, ConnectReadsDescriptionAndSettingsAndDisconnects)
{
    auto sim = start_sim({sensor(2, 'A')});
    sensor_device dev;
    ASSERT_TRUE(dev.connect(sim->sensor_address(0)));
    EXPECT_TRUE(dev.is_connected());
    EXPECT_EQ(dev.commands().info().serial, serial('A'));
    EXPECT_EQ(dev.commands().info().address_text, orvex::test::loopback_address(2));
    const auto mem = sim->settings_memory(0);
    EXPECT_EQ(dev.commands().settings(), qz3p_settings::decode(mem.data(), 255));
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_TRUE(dev.link(link_index(i)).is_open());
    EXPECT_GT(dev.link(link_image).receive_buffer_granted(), 0u);

    // A write to working memory reaches the device and becomes the current settings.
    auto s = dev.commands().settings();
    s.exposure1 = 1234;
    ASSERT_TRUE(dev.commands().write_settings_memory(s));
    EXPECT_EQ(qz3p_settings::decode(sim->settings_memory(0).data(), 256).exposure1, 1234);

    dev.disconnect();
    EXPECT_FALSE(dev.is_connected());
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_FALSE(dev.link(link_index(i)).is_open());

    // A device that does not answer: no connection, links closed.
    sim->set_answering(0, false);
    EXPECT_FALSE(dev.connect(sim->sensor_address(0)));
    EXPECT_FALSE(dev.is_connected());
    EXPECT_FALSE(dev.link(link_command).is_open());
    // Address text that is not IPv4 raises, after closing everything.
    EXPECT_THROW(dev.connect("127.0.0"), link_error);
    EXPECT_FALSE(dev.link(link_command).is_open());
}

TEST(SimConnect, FirmwareRuleRefusesOldSensorsButNotRecoveryFirmware)
{
    auto sim = start_sim({sensor(2, 'A', "fw=39z,type=S2D"), sensor(3, 'B', "fw=10a,type=RCV")});
    sensor_search search;
    search.start(loopback_broadcast);
    ASSERT_TRUE(eventually([&] { return mine(search).size() >= 2; }));
    search.stop();
    const auto found = mine(search);
    ASSERT_EQ(found.size(), 2u);

    EXPECT_EQ(found[0].version, (firmware_version{39, 'z'}));
    EXPECT_FALSE(firmware_supported(found[0].version, found[0].type));
    EXPECT_EQ(found[1].type, type_rcv);
    ASSERT_TRUE(firmware_supported(found[1].version, found[1].type));
    sensor_device dev;
    EXPECT_TRUE(dev.connect(found[1].address_text));
}

TEST(SimSearch, AddressChangeMovesTheDevice)
{
    auto sim = start_sim({sensor(2, 'A')});
    sensor_search search;
    search.start(loopback_broadcast);
    ASSERT_TRUE(eventually([&] { return mine(search).size() >= 1; }));
    const auto before = mine(search).at(0);

    const std::string target = orvex::test::loopback_address(9);
    const auto target_ip = boost::asio::ip::make_address_v4(target).to_uint();
    ASSERT_TRUE(search.send_address_change(before, target_ip));
    ASSERT_TRUE(eventually([&] { return sim->sensor_address(0) == target; }));

    // Restart as the page does; the device is found at its new address only.
    search.stop();
    search.start(loopback_broadcast);
    ASSERT_TRUE(eventually([&] { return mine(search).size() >= 1 && search.rounds() >= 1; }));
    search.stop();
    const auto after = mine(search);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].address_text, target);
    EXPECT_EQ(after[0].serial, before.serial);

    // No socket on the record's computer address, or no serial: nothing is sent.
    auto stranger = before;
    stranger.computer_address = boost::asio::ip::make_address_v4("10.1.2.3").to_uint();
    EXPECT_FALSE(search.send_address_change(stranger, target_ip));
    auto nameless = before;
    nameless.serial.clear();
    EXPECT_FALSE(search.send_address_change(nameless, target_ip));
}

TEST(SimFlash, NorRulesModeAndBlockProtection)
{
    auto sim = start_sim({sensor(2, 'A', "fw=49m,type=S2D,key=1122334455667788")});
    sensor_device dev;
    ASSERT_TRUE(dev.connect(sim->sensor_address(0)));
    auto& f = dev.flash();
    ASSERT_TRUE(f.identify());

    constexpr std::uint32_t area = 0x900000;
    flash_commands::page page{};

    // Outside flash-work mode a page write is refused.
    page.fill(0x0F);
    EXPECT_FALSE(f.write_page(area, page));

    f.set_operating_mode(flash_commands::mode_flash_work);
    ASSERT_TRUE(eventually([&] { return sim->operating_mode(0) == 3; }));
    ASSERT_TRUE(f.erase_sector(area));
    ASSERT_TRUE(f.write_page(area, page));
    // Programming without an erase only clears bits: 0x0F then 0xF0 leaves 0x00.
    page.fill(0xF0);
    ASSERT_TRUE(f.write_page(area, page));
    flash_commands::page back{};
    ASSERT_TRUE(f.read_page(area, back));
    EXPECT_EQ(back[0], 0x00);
    EXPECT_EQ(back[255], 0x00);

    // A locked block refuses its erase, until it is unlocked again.
    ASSERT_TRUE(request_extended_flash_access(f, 0x1122334455667788ull));
    ASSERT_TRUE(f.write_wps(true));
    bool individual = false;
    ASSERT_TRUE(f.read_wps(individual));
    EXPECT_TRUE(individual);
    ASSERT_TRUE(f.lock_block(0x90));
    bool locked = false;
    ASSERT_TRUE(f.read_block_lock(0x90, locked));
    EXPECT_TRUE(locked);
    EXPECT_TRUE(sim->block_locked(0, 0x90));
    EXPECT_FALSE(f.erase_sector(area));
    ASSERT_TRUE(f.unlock_block(0x90));
    EXPECT_TRUE(f.erase_sector(area));
    ASSERT_TRUE(f.read_page(area, back));
    EXPECT_EQ(back[0], 0xFF);

    f.set_operating_mode(flash_commands::mode_measuring);
    ASSERT_TRUE(eventually([&] { return sim->operating_mode(0) == 0; }));

    // The range block read of the connect.
    std::vector<std::uint8_t> pattern(1280);
    for (std::size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<std::uint8_t>(i * 7);
    sim->flash_write_raw(0, range_block_address, pattern);
    const auto block = read_range_block(f);
    ASSERT_TRUE(block.has_value());
    EXPECT_TRUE(std::equal(block->begin(), block->end(), pattern.begin()));
}
