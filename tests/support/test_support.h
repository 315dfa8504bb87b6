// Shared helpers of the test suites.
//
// Tests run in parallel (ctest -j), and every simulated device listens on UDP
// port 11681 of its own loopback address. loopback_block() gives each test
// process a /24 of 127.0.0.0/8 of its own, derived from the process id, so
// two test processes never bind the same address.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace orvex::test {

/// "127.A.B." prefix unique to this process (A in 16..239, B in 0..255);
/// append the host number (2..254) to get an address.
std::string loopback_block();

/// loopback_block() + std::to_string(host).
std::string loopback_address(int host);

/// A fresh, empty folder under the system temporary folder, removed when the
/// object goes out of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

/// Whole file as bytes (empty when it cannot be read).
std::string read_file(const std::filesystem::path& p);
void write_file(const std::filesystem::path& p, const std::string& bytes);

} // namespace orvex::test
