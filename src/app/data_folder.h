// Where the program keeps the files it writes ("Settings.xml",
// "SettingsCrawler.xml", "out", "calibr", "flash_out.bin", "Registers.txt"),
// and where it finds the files it ships (the translation, the calibration
// scripts).
//
// The program's own place for its files is the executable's folder. That
// holds for a portable copy and a Windows installation, but an installed
// package puts the executable in a folder only root may write (/usr/bin).
// So the executable's folder is kept when the program may write into it;
// otherwise the user's data folder takes its place (created when missing),
// and the main window says so on its status line.
//
// Shipped files lie beside the executable in the build tree and in a portable
// copy, and below <prefix>/share/quorin when installed with the Unix layout.
#pragma once

#include <filesystem>

namespace orvex::app {

struct data_folder_choice {
    std::filesystem::path path;
    bool is_user_folder = false; ///< the executable's folder was not writable
};

/// True when a file can be created in `dir` (tried by creating and removing
/// one; permission bits alone do not tell on every system). A missing folder
/// is not writable.
bool folder_is_writable(const std::filesystem::path& dir);

/// `exe_dir` when writable, else `user_dir` (created with its parents). When
/// neither can be written the executable's folder is kept, so the program
/// reports the failures to save where they happen, as before.
data_folder_choice choose_data_folder(const std::filesystem::path& exe_dir,
                                      const std::filesystem::path& user_dir);

/// Copies every regular file of `from` that `to` lacks into `to` (created when
/// missing), without descending into subfolders. Files already in `to` are
/// the user's and are never overwritten. Missing `from`: nothing happens.
/// Returns the number of files copied.
int copy_missing_files(const std::filesystem::path& from, const std::filesystem::path& to);

/// The shipped file or folder `name` ("quorin_en.qm", "calibr"):
/// `exe_dir`/`name` in the build tree and a portable copy, else
/// `exe_dir`/../share/quorin/`name` when that exists. Empty when neither exists.
std::filesystem::path shipped_path(const std::filesystem::path& exe_dir, const std::filesystem::path& name);

} // namespace orvex::app
