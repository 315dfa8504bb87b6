#include "support/test_support.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>

#ifdef _WIN32
#include <process.h>
#define ORVEX_GETPID _getpid
#else
#include <unistd.h>
#define ORVEX_GETPID getpid
#endif

namespace orvex::test {

std::string loopback_block()
{
    const auto pid = static_cast<unsigned>(ORVEX_GETPID());
    const unsigned a = 16 + (pid >> 8) % 224;
    const unsigned b = pid & 0xFF;
    return "127." + std::to_string(a) + "." + std::to_string(b) + ".";
}

std::string loopback_address(int host)
{
    return loopback_block() + std::to_string(host);
}

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        std::ostringstream name;
        name << "orvex-test-" << ORVEX_GETPID() << "-" << counter++ << "-" << rd();
        path_ = base / name.str();
        if (std::filesystem::create_directories(path_))
            break;
    }
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string read_file(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::filesystem::path& p, const std::string& bytes)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace orvex::test
