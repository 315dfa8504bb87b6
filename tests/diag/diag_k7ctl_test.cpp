// k7ctl's diagnostics subcommands end to end: the built tool against an
// in-process simulated sensor. POSIX only (popen and exit statuses).
#include "simulator.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sys/wait.h>

namespace {

struct run_result {
    int code = -1;
    std::string output; // stdout only
};

run_result k7ctl(const std::string& args)
{
    setenv("ORVEX_NET_GUARD", "loopback", 1);
    run_result r;
    const std::string command = std::string(K7CTL_PATH) + " " + args;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr)
        return r;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.output.append(buf, n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

struct K7ctlDiag : ::testing::Test {
    void SetUp() override
    {
        orvex::sim::simulator_options o;
        o.sensors = {address + ",serial=00042"};
        o.search_bind = orvex::test::loopback_address(254);
        sim = std::make_unique<orvex::sim::simulator>(o);
        sim->start();
    }
    std::string address = orvex::test::loopback_address(2);
    std::unique_ptr<orvex::sim::simulator> sim;
};

} // namespace

TEST_F(K7ctlDiag, RegistersPowerLatchAndErrors)
{
    orvex::test::TempDir dir;
    auto r = k7ctl("regs " + address + " write 7 0x1a2bz");
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(sim->register_value(0, 7), 0x1A2B);
    r = k7ctl("regs " + address + " read 7 --json");
    EXPECT_NE(r.output.find("\"value\": 6699"), std::string::npos) << r.output;
    EXPECT_EQ(k7ctl("regs " + address + " write 7 q1").code, 2);
    EXPECT_EQ(k7ctl("regs " + address + " read 512").code, 2);
    r = k7ctl("regs " + address + " dump --out '" + (dir / "r.txt").string() + "'");
    ASSERT_EQ(r.code, 0) << r.output;
    const std::string dump = orvex::test::read_file(dir / "r.txt");
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 512);
    EXPECT_NE(dump.find("\n007   1A2B   06699\n"), std::string::npos);

    r = k7ctl("power " + address + " restart 0.2");
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_TRUE(sim->image_sensor_powered(0));
    EXPECT_EQ(sim->register_value(0, 7), 0) << "power-up values after the restart";

    r = k7ctl("latch " + address + " --out '" + (dir / "latch.bin").string() + "' --json");
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(orvex::test::read_file(dir / "latch.bin").size(), 4096u);

    std::vector<std::uint8_t> state(16, 0);
    state[0] = 0x1F;
    state[1] = 3;
    sim->set_error_state(0, state);
    r = k7ctl("errors " + address + " --clear");
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(r.output.substr(0, 10), "R: 1f 3 0 ");
    r = k7ctl("errors " + address + " --json");
    EXPECT_NE(r.output.find("\"text\": \"R: 0 0 0"), std::string::npos) << "cleared: " << r.output;
}
