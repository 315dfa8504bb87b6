// k7ctl crawler end to end: the memory read into a file, and decode and
// images of that file without a device.
#include "simulator.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace {

// Runs k7ctl with `args`; returns the exit code and stdout plus stderr.
std::pair<int, std::string> k7ctl(const std::string& args)
{
    setenv("ORVEX_NET_GUARD", "loopback", 1);
    FILE* p = popen((std::string(K7CTL_PATH) + " " + args + " 2>&1").c_str(), "r");
    if (!p)
        return {-1, {}};
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

} // namespace

TEST(CrawlerK7ctl, ReadMemoryDecodeAndImages)
{
    const std::string addr = orvex::test::loopback_address(5);
    orvex::sim::simulator_options o;
    o.sensors = {addr + ",board=80,records=25"};
    o.search_bind = orvex::test::loopback_address(254);
    orvex::sim::simulator sim(o);
    sim.start();
    orvex::test::TempDir dir;
    const std::string mem = (dir / "mem.bin").string();

    auto r = k7ctl("crawler " + addr + " read-memory --frames 3 --json --out " + mem);
    ASSERT_EQ(r.first, 0) << r.second;
    EXPECT_NE(r.second.find("\"records\": 25"), std::string::npos) << r.second;
    EXPECT_EQ(orvex::test::read_file(dir / "mem.bin").size(), 3u << 20);

    r = k7ctl("crawler decode " + mem + " --out " + (dir / "data.txt").string());
    ASSERT_EQ(r.first, 0) << r.second;
    const std::string text = orvex::test::read_file(dir / "data.txt");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4 * 25);
    EXPECT_EQ(text.rfind("enc: ", 0), 0u);

    r = k7ctl("crawler images " + mem + " --dir " + dir.path().string());
    ASSERT_EQ(r.first, 0) << r.second;
    EXPECT_FALSE(orvex::test::read_file(dir / "crawler_images_0" / "img_2.png").empty());

    // A header out of range: no results, and the tool says so.
    std::string bytes = orvex::test::read_file(dir / "mem.bin");
    bytes[0x200000] = char(0x7F);
    orvex::test::write_file(dir / "bad.bin", bytes);
    r = k7ctl("crawler decode " + (dir / "bad.bin").string() + " --out " + (dir / "d2.txt").string());
    EXPECT_EQ(r.first, 1);
    EXPECT_NE(r.second.find("no results"), std::string::npos) << r.second;
    EXPECT_FALSE(std::filesystem::exists(dir / "d2.txt"));
}
