// The k7sim executable: usage errors, the ready lines, and a SIGTERM that
// saves the state folder. Needs POSIX process control.
#include "raw_client.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace orvex::test {
namespace {

using namespace std::chrono_literals;

/// Starts k7sim with stdout and stderr going to `out`; returns its pid.
pid_t spawn_k7sim(std::vector<std::string> args, const std::filesystem::path& out)
{
    args.insert(args.begin(), K7SIM_EXE);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, K7SIM_EXE, &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    return rc == 0 ? pid : -1;
}

int exit_code(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(K7simExecutable, UsageReadyLinesAndStateOnSigterm)
{
    TempDir dir;
    const auto log = dir / "out.txt";
    EXPECT_EQ(exit_code(spawn_k7sim({"--help"}, log)), 0);
    EXPECT_NE(read_file(log).find("Examples"), std::string::npos);
    EXPECT_EQ(exit_code(spawn_k7sim({"--sensor", "192.168.1.20"}, log)), 2);
    EXPECT_NE(read_file(log).find("loopback-only"), std::string::npos);

    const auto a = loopback_address(2);
    const pid_t pid = spawn_k7sim({"--sensor", a + ",serial=00042", "--state-dir", (dir / "st").string(),
                                   "--search-bind", loopback_address(254)},
                                  log);
    ASSERT_GT(pid, 0);
    const std::string ready = "k7sim: sensor 00042 at " + a + ":11681\n";
    for (int i = 0; i < 500 && read_file(log).find(ready) == std::string::npos; ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_NE(read_file(log).find(ready), std::string::npos) << read_file(log);

    // A second simulator on the same address is refused instead of silently
    // taking the first one's traffic (with its search socket on the wildcard
    // address or not); the first keeps answering below.
    const auto second_log = dir / "second.txt";
    EXPECT_EQ(exit_code(spawn_k7sim({"--sensor", a + ",serial=00043"}, second_log)), 1);
    EXPECT_NE(read_file(second_log).find("the address is taken"), std::string::npos) << read_file(second_log);
    EXPECT_EQ(exit_code(spawn_k7sim({"--sensor", a + ",serial=00043", "--search-bind", loopback_address(253)},
                                    second_log)),
              1);

    raw_client c;
    bytes stored(257, 0x3C);
    stored[0] = 0x84;
    EXPECT_EQ(c.ask(a, stored), bytes{0x84});
    kill(pid, SIGTERM);
    EXPECT_EQ(exit_code(pid), 0);
    EXPECT_EQ(read_file(dir / "st" / "sensor-00042.settings"), std::string(256, '\x3C'));
    EXPECT_FALSE(read_file(dir / "st" / "sensor-00042.flash").empty());
}

} // namespace
} // namespace orvex::test
#endif
