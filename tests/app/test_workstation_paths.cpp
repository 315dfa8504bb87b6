// Workstation files: environment overrides and the key file's byte order.
#include "app/workstation_paths.h"
#include "support/test_support.h"

#include <cstdlib>
#include <gtest/gtest.h>

using orvex::platform::read_flash_access_key;
using orvex::platform::workstation_file;
using orvex::platform::workstation_path;
using orvex::test::TempDir;
using orvex::test::write_file;

TEST(FlashAccessKey, EightBytesAreBigEndianShorterFileIsNoKey)
{
    TempDir dir;
    write_file(dir / "key", std::string("\x01\x23\x45\x67\x89\xab\xcd\xef\x55", 9));
    const auto key = read_flash_access_key(dir / "key");
    EXPECT_TRUE(key.present);
    EXPECT_EQ(key.value, 0x0123456789abcdefULL);

    write_file(dir / "short", std::string("\x01\x02\x03\x04\x05\x06\x07", 7));
    const auto short_key = read_flash_access_key(dir / "short");
    EXPECT_FALSE(short_key.present);
    EXPECT_EQ(short_key.value, 0u);
    EXPECT_FALSE(read_flash_access_key(dir / "missing").present);
}

#ifndef _WIN32
TEST(WorkstationPaths, VariableWinsOverWorkstationFolder)
{
    TempDir dir;
    ::setenv("ORVEX_WORKSTATION_DIR", dir.path().c_str(), 1);
    ::unsetenv("ORVEX_FLASH_KEY_FILE");
    EXPECT_EQ(workstation_path(workstation_file::flash_key), dir / "d/misc/quorin/flash_key.txt");
    EXPECT_NE(workstation_path(workstation_file::fresh_flash_c),
              workstation_path(workstation_file::fresh_flash_d));
    ::setenv("ORVEX_FLASH_KEY_FILE", "/elsewhere/key.bin", 1);
    EXPECT_EQ(workstation_path(workstation_file::flash_key), "/elsewhere/key.bin");
    ::unsetenv("ORVEX_FLASH_KEY_FILE");
    ::unsetenv("ORVEX_WORKSTATION_DIR");
}
#endif
