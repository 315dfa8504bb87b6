#include "profiles/profile_writer.h"

#include "profiles/profile_text.h"

#include <ctime>
#include <fstream>

namespace orvex {

profile_text_writer::profile_text_writer(std::filesystem::path file) : file_(std::move(file)) {}

profile_text_writer::~profile_text_writer()
{
    stop();
    if (thread_.joinable())
        thread_.join();
}

void profile_text_writer::push(const math::Point2d* points, std::size_t n)
{
    if (stop_.load())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        incoming_.emplace_back(points, points + n);
    }
    if (!thread_.joinable()) {
        busy_.store(true);
        thread_ = std::thread(&profile_text_writer::run, this);
    }
    wake_.notify_one();
}

void profile_text_writer::stop()
{
    stop_.store(true);
    wake_.notify_one();
}

std::string profile_text_writer::error() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
}

void profile_text_writer::run()
{
    std::ofstream out(file_, std::ios::out | std::ios::trunc);
    if (!out) {
        std::lock_guard<std::mutex> lock(mutex_);
        error_ = "cannot open " + file_.u8string();
    }
    std::vector<math::Profile2d> outgoing;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(100),
                           [this] { return !incoming_.empty() || stop_.load(); });
            outgoing.swap(incoming_);
            if (outgoing.empty() && stop_.load())
                break;
        }
        for (const auto& profile : outgoing) {
            const auto sequence = next_profile_sequence();
            if (out)
                write_profile_text(out, profile.data(), profile.size(), sequence);
            ++written_;
        }
        outgoing.clear();
        if (out)
            out.flush();
        if (out.fail() && error().empty()) {
            std::lock_guard<std::mutex> lock(mutex_);
            error_ = "writing " + file_.u8string() + " failed";
        }
    }
    busy_.store(false);
}

std::filesystem::path profile_file_name(const std::filesystem::path& folder, std::time_t now,
                                        const std::function<bool(const std::filesystem::path&)>& in_use)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    char name[64];
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    // %F is missing from the older Windows C runtimes.
    std::strftime(name, sizeof name, "%Y-%m-%d   %H-%M-%S", &local);
    for (int copy = 1;; ++copy) {
        const std::string suffix = copy == 1 ? std::string() : " (" + std::to_string(copy) + ")";
        auto file = folder / (std::string(name) + suffix + ".txt");
        if (!std::filesystem::exists(file, ec) && !(in_use && in_use(file)))
            return file;
    }
}

} // namespace orvex
