// Persistence and test hooks of the simulated sensor; each takes the model's lock.
#include "sensor_model.h"

#include <algorithm>

namespace orvex::sim {

std::string sensor_model::save_flash() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return flash_.save();
}

std::array<std::uint8_t, settings_size> sensor_model::stored_settings() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return settings_stored_;
}

void sensor_model::load_state(const std::string* flash_image,
                              const std::array<std::uint8_t, settings_size>* stored)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (flash_image)
        flash_.load(*flash_image);
    if (stored)
        settings_stored_ = *stored;
    settings_memory_ = settings_stored_;
    head_.flash_changed(0, nor_flash::size);
    head_.settings_changed();
}

std::array<std::uint8_t, 256> sensor_model::board_flash() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return ext_block_;
}

void sensor_model::set_board_flash(const std::array<std::uint8_t, 256>& area)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ext_block_ = area;
}

bool sensor_model::answering() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return answering_ && budget_ != 0;
}

std::uint32_t sensor_model::address() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return address_;
}

void sensor_model::set_address(std::uint32_t a)
{
    std::lock_guard<std::mutex> lock(mutex_);
    address_ = a;
}

std::vector<std::uint8_t> sensor_model::flash_read(std::uint32_t addr, std::size_t n) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::uint8_t> v(n);
    flash_.read(addr, v.data(), n);
    return v;
}

void sensor_model::flash_write_raw(std::uint32_t addr, const std::vector<std::uint8_t>& b)
{
    std::lock_guard<std::mutex> lock(mutex_);
    flash_.write_raw(addr, b.data(), b.size());
    head_.flash_changed(addr, b.size());
}

void sensor_model::set_answering(bool on)
{
    std::lock_guard<std::mutex> lock(mutex_);
    answering_ = on;
}

void sensor_model::set_answer_budget(long n)
{
    std::lock_guard<std::mutex> lock(mutex_);
    budget_ = n < 0 ? -1 : n;
}

void sensor_model::corrupt_next_page_read(std::size_t byte_index)
{
    std::lock_guard<std::mutex> lock(mutex_);
    corrupt_byte_ = static_cast<long>(byte_index % 256);
}

void sensor_model::set_error_state(const std::vector<std::uint8_t>& b)
{
    std::lock_guard<std::mutex> lock(mutex_);
    error_state_.fill(0);
    std::copy_n(b.begin(), std::min<std::size_t>(b.size(), error_state_.size()), error_state_.begin());
}

std::vector<std::uint8_t> sensor_model::settings_memory() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return {settings_memory_.begin(), settings_memory_.end()};
}

int sensor_model::operating_mode() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return mode_;
}

std::vector<std::vector<std::uint8_t>> sensor_model::request_log() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return {log_.begin(), log_.end()};
}

std::uint16_t sensor_model::register_value(std::uint16_t reg) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return registers_.at(reg);
}

bool sensor_model::image_sensor_powered() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return powered_;
}

bool sensor_model::block_locked(unsigned block) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return flash_.block_locked(block);
}

} // namespace orvex::sim
