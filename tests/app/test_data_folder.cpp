// Where the program writes when its own folder is read-only, and where it
// finds the files it ships.
#include "app/data_folder.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using orvex::app::choose_data_folder;
using orvex::app::copy_missing_files;
using orvex::app::shipped_path;
using orvex::test::read_file;
using orvex::test::TempDir;

namespace {
void put(const std::filesystem::path& file, const std::string& text)
{
    std::filesystem::create_directories(file.parent_path());
    orvex::test::write_file(file, text);
}
} // namespace

TEST(DataFolder, WritableExecutableFolderIsKeptElseTheUserFolderIsCreated)
{
    TempDir dir;
    const auto user = dir / "home" / "share" / "quorin";
    const auto kept = choose_data_folder(dir.path(), user);
    EXPECT_EQ(kept.path, dir.path());
    EXPECT_FALSE(kept.is_user_folder);
    EXPECT_FALSE(std::filesystem::exists(user));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "the write probe is removed";

    // Below a regular file nothing can be created, whoever runs the test.
    put(dir / "usr", "");
    const auto moved = choose_data_folder(dir / "usr" / "bin", user);
    EXPECT_EQ(moved.path, user);
    EXPECT_TRUE(moved.is_user_folder);
    EXPECT_TRUE(std::filesystem::is_directory(user));

    // Neither writable: the executable's folder stays, failures show where files are saved.
    const auto neither = choose_data_folder(dir / "usr" / "bin", dir / "usr" / "home");
    EXPECT_EQ(neither.path, dir / "usr" / "bin");
    EXPECT_FALSE(neither.is_user_folder);
}

TEST(DataFolder, ShippedFilesAreFoundBesideTheExecutableOrBelowShareAndCopiedWithoutOverwriting)
{
    TempDir dir;
    put(dir / "share" / "quorin" / "calibr" / "_y_table_save.py", "shipped save");
    put(dir / "share" / "quorin" / "calibr" / "_y_table_view.py", "shipped view");
    put(dir / "share" / "quorin" / "quorin_en.qm", "qm");
    const auto exe_dir = dir / "bin";
    std::filesystem::create_directories(exe_dir);

    EXPECT_EQ(shipped_path(exe_dir, "quorin_en.qm"), dir / "share" / "quorin" / "quorin_en.qm");
    EXPECT_TRUE(shipped_path(exe_dir, "missing.qm").empty());
    put(exe_dir / "quorin_en.qm", "portable");
    EXPECT_EQ(shipped_path(exe_dir, "quorin_en.qm"), exe_dir / "quorin_en.qm");

    const auto user_calibr = dir / "user" / "calibr";
    put(user_calibr / "_y_table_view.py", "edited by the user");
    EXPECT_EQ(copy_missing_files(shipped_path(exe_dir, "calibr"), user_calibr), 1);
    EXPECT_EQ(read_file(user_calibr / "_y_table_save.py"), "shipped save");
    EXPECT_EQ(read_file(user_calibr / "_y_table_view.py"), "edited by the user");
    EXPECT_EQ(copy_missing_files(dir / "nothing", user_calibr), 0);
}
