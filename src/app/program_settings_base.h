// File handling of a settings class: load, synchronous save and the delayed
// background save.
//
// A background save waits 3 s so that a burst of changes costs one file write.
// The XML text is always rendered on the calling (GUI) thread, from the
// members as they are at the request; the writer thread only receives that
// finished text, so it never reads members the GUI thread may be changing. A
// further request during the delay renders again and replaces the pending
// text. Files are written to a temporary file beside the target and renamed
// over it, so a crash or a full disk never leaves a truncated settings file;
// the replacement takes the old file's permissions, and a file without any
// write permission is left alone (the save fails).
#pragma once

#include "app/program_settings_property.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace orvex::utils {

class ProgramSettingsBase : public ProgramSettingsProperty {
public:
    /// How long a background save waits for further requests, in milliseconds.
    static constexpr int background_delay_ms = 3000;

    void set_file_name(const std::string& utf8_path) { file_name_ = utf8_path; }
    const std::string& file_name() const { return file_name_; }

    /// Reads the file (empty path: the stored file name). False when the file
    /// cannot be opened or is not well-formed XML; the members are then
    /// untouched. Missing or unconvertible keys keep their current values;
    /// the unconvertible ones are listed in unreadable_keys().
    bool load(const std::string& utf8_path = std::string());
    /// Keys (below the root, dotted) whose values the last load could not
    /// convert to their member's type.
    const std::vector<std::string>& unreadable_keys() const { return unreadable_keys_; }

    /// Moves a file that failed to load out of the way before the defaults
    /// are written over it: "<file>.bad", or "<file>.bad.2", ".bad.3"... when
    /// that exists. Returns the new path (UTF-8), or an empty string when there
    /// is no such file or it cannot be moved.
    std::string set_aside_damaged_file(const std::string& utf8_path = std::string()) const;

    /// Called with the path whenever a write of the file fails, on the thread
    /// that wrote it (the GUI thread, or the background writer).
    void set_write_failure_handler(std::function<void(const std::string&)> handler)
    {
        std::lock_guard<std::mutex> lock(pending_mutex_);
        write_failed_ = std::move(handler);
    }

    /// wait = true: writes now (or, while a background save is pending, makes
    /// it write the current values at once and waits for it) and returns
    /// whether the file was written. wait = false: schedules a background save
    /// and returns true at once; requests during the delay are merged.
    bool save(const std::string& utf8_path = std::string(), bool wait = true);

    /// Number of files written by this object so far (diagnostics and tests).
    unsigned write_count() const { return write_count_.load(); }
    /// True while a background save is scheduled or running.
    bool save_pending() const { return save_busy_.load(); }

protected:
    ProgramSettingsBase() = default;
    ~ProgramSettingsBase();

private:
    /// XML text of the current members: declaration, root element "root",
    /// 4-space indentation, element order = declaration order.
    std::string render();
    bool write_file(const std::string& utf8_path, const std::string& text);
    void writer_thread(std::string path);
    void wait_idle() const;

    std::atomic<bool> save_busy_{false};
    std::atomic<bool> save_flush_{false};
    std::atomic<bool> save_writing_{false};
    std::atomic<bool> last_write_ok_{true};
    std::atomic<unsigned> write_count_{0};
    std::mutex pending_mutex_;
    std::string pending_text_;
    bool pending_new_ = false; // pending_text_ not yet written
    ptree root_;
    std::string file_name_;
    std::vector<std::string> unreadable_keys_;
    std::function<void(const std::string&)> write_failed_; // under pending_mutex_
};

} // namespace orvex::utils
