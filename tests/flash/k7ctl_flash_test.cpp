// k7ctl's flash subcommands end to end: the built tool against an in-process
// simulated sensor. POSIX only (popen and exit statuses).
#include "flash_fixture.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace orvex::test {
namespace {

struct run_result {
    int code = -1;
    std::string output; // stdout and stderr
};

run_result k7ctl(const std::string& args)
{
    run_result r;
    const std::string command = std::string(K7CTL_PATH) + " " + args + " 2>&1";
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

std::string quoted(const std::filesystem::path& p)
{
    return "'" + p.string() + "'";
}

class K7ctlFlash : public SimSensor {
protected:
    void SetUp() override { start(",type=E1D"); }
    std::string addr() const { return loopback_address(2); }
};

TEST_F(K7ctlFlash, FirmwareFlashReadAndIdentification)
{
    TempDir dir;
    const auto image = pattern(300, 2);
    write_file(dir / "fw.bin", std::string(image.begin(), image.end()));
    auto r = k7ctl("firmware " + addr() + " write " + quoted(dir / "fw.bin"));
    ASSERT_EQ(r.code, 0) << r.output;
    auto expected = image;
    expected.resize(512, 0xFF);
    EXPECT_EQ(sim_->flash_read(0, 0x090000, 512), expected);
    EXPECT_TRUE(eventually([&] { return sim_->operating_mode(0) == 0; }));

    r = k7ctl("flash " + addr() + " read --address 0x90000 --size 65536 --out " +
              quoted(dir / "flash_out.bin"));
    ASSERT_EQ(r.code, 0) << r.output;
    const std::string dump = read_file(dir / "flash_out.bin");
    ASSERT_EQ(dump.size(), 65536u);
    EXPECT_EQ(dump.substr(0, 300), std::string(image.begin(), image.end()));

    r = k7ctl("ident " + addr() +
              " write --text 'Line head' --serial 42 --frac-bits 8 --outline 1.5:200:-50:50:-60:60");
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find("\"Line head\" serial 42, p = 8, outline 1.5:200:-50:50:-60:60"),
              std::string::npos)
        << r.output;
    // The serial is stored "42" and three zero bytes; it reads "42", with no
    // NUL in the JSON text.
    r = k7ctl("info " + addr() + " --json");
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find("\"serial\": \"42\""), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("\\u0000"), std::string::npos) << r.output;

    // Refusals: nothing is erased, exit code 2; a silent address: exit code 1.
    clear_log();
    write_file(dir / "empty.bin", "");
    r = k7ctl("firmware " + addr() + " write " + quoted(dir / "empty.bin"));
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.output.find("The firmware file is empty"), std::string::npos) << r.output;
    r = k7ctl("firmware " + addr() + " write " + quoted(dir / "missing.bin"));
    EXPECT_EQ(r.code, 2);
    r = k7ctl("flash " + addr() + " read --address 0x90010 --size 16 --out " + quoted(dir / "x.bin"));
    EXPECT_EQ(r.code, 2);
    // 300 mm at p = 8 needs 76 800, more than a word holds: refused, not wrapped.
    r = k7ctl("ident " + addr() + " write --text K7D --serial 1 --frac-bits 8 --outline 0:300:-50:50:-50:50");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.output.find("does not fit into 16 bits"), std::string::npos) << r.output;
    EXPECT_EQ(count_since_mark(0x53), 0u);
    r = k7ctl("flash " + loopback_address(9) + " read --address 0 --size 256 --out " + quoted(dir / "x.bin"));
    EXPECT_EQ(r.code, 1);
}

// A signal during a firmware write used to end k7ctl at once, leaving the
// sensor in flash-work mode.
TEST_F(K7ctlFlash, SignalDuringAWriteStopsItInMeasuringMode)
{
    TempDir dir;
    const auto image = pattern(2 << 20, 5); // far more pages than are written before the signal
    write_file(dir / "fw.bin", std::string(image.begin(), image.end()));
    sim_->flash_write_raw(0, 0x090000, byte_vector(256, 0x11));
    const std::string file = (dir / "fw.bin").string();
    const std::string address = addr();
    clear_log();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(K7CTL_PATH, K7CTL_PATH, "firmware", address.c_str(), "write", file.c_str(), nullptr);
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(eventually([&] { return page_writes().size() > 20; }));
    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_TRUE(back_in_measuring_mode());
    EXPECT_EQ(sim_->flash_read(0, 0x090000, 256), byte_vector(256, 0xFF));
}

TEST_F(K7ctlFlash, TablesAndProtection)
{
    TempDir dir;
    std::string x, y;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 1280; ++c) {
            x += std::to_string(10 + c) + ".25 ";
            y += "-" + std::to_string(r) + ".5 ";
        }
        x += "eol\n";
        y += "eol\n";
    }
    write_file(dir / "TableX.txt", x);
    write_file(dir / "TableY.txt", y);
    auto r = k7ctl("tables " + addr() + " write --dir " + quoted(dir.path()) + " --frac-bits 5");
    ASSERT_EQ(r.code, 0) << r.output;
    r = k7ctl("tables " + addr() + " read --dir " + quoted(dir.path()));
    ASSERT_EQ(r.code, 0) << r.output;
    const std::string back = read_file(dir / "R_TableY.txt");
    // Read back with the sensor's own shift, 5 in the simulator, as written.
    EXPECT_EQ(back.substr(0, 20), "-0.500    -0.500    ");
    EXPECT_NE(back.find("-2.500    "), std::string::npos);

    // A table pair without any valid cell gives no range block.
    const std::string none_row = [] {
        std::string s;
        for (int c = 0; c < 1280; ++c)
            s += "65535 ";
        return s + "eol\n";
    }();
    std::string none;
    for (int i = 0; i < 1024; ++i)
        none += none_row;
    write_file(dir / "TableX.txt", none);
    write_file(dir / "TableY.txt", none);
    clear_log();
    r = k7ctl("tables " + addr() + " range --dir " + quoted(dir.path()));
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.output.find("hold no point with data"), std::string::npos) << r.output;
    EXPECT_EQ(count_since_mark(0x53), 0u);

    ASSERT_EQ(k7ctl("protect " + addr() + " lock 126").code, 0);
    r = k7ctl("protect " + addr() + " scan");
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_NE(r.output.find("locked: 126\n"), std::string::npos) << r.output;
    EXPECT_TRUE(sim_->block_locked(0, 126));
    ASSERT_EQ(k7ctl("protect " + addr() + " individual on").code, 0);
    r = k7ctl("protect " + addr() + " status");
    EXPECT_EQ(r.output, "0 0 64\n");
    EXPECT_EQ(k7ctl("protect " + addr() + " individual maybe").code, 2);
    EXPECT_EQ(k7ctl("protect " + addr() + " lock 300").code, 2);
}

} // namespace
} // namespace orvex::test
#endif
