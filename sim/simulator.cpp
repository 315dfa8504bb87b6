#include "simulator.h"

#include "options.h"
#include "simulator_core.h"

namespace orvex::sim {

simulator::simulator(simulator_options opts) : core_(std::make_unique<simulator_core>(std::move(opts))) {}
simulator::~simulator() = default;
void simulator::start()
{
    core_->start();
}
void simulator::stop()
{
    core_->stop();
}
std::vector<std::string> simulator::ready_lines() const
{
    return core_->ready_lines();
}
std::size_t simulator::sensor_count() const
{
    return core_->count();
}
std::string simulator::sensor_address(std::size_t i) const
{
    return format_ipv4(core_->model(i).address());
}

std::vector<std::uint8_t> simulator::flash_read(std::size_t i, std::uint32_t addr, std::size_t n) const
{
    return core_->model(i).flash_read(addr, n);
}

void simulator::flash_write_raw(std::size_t i, std::uint32_t addr, const std::vector<std::uint8_t>& bytes)
{
    core_->model(i).flash_write_raw(addr, bytes);
}

void simulator::set_answering(std::size_t i, bool on)
{
    core_->model(i).set_answering(on);
}
std::vector<std::uint8_t> simulator::settings_memory(std::size_t i) const
{
    return core_->model(i).settings_memory();
}

std::vector<std::uint8_t> simulator::settings_flash(std::size_t i) const
{
    const auto s = core_->model(i).stored_settings();
    return {s.begin(), s.end()};
}

int simulator::operating_mode(std::size_t i) const
{
    return core_->model(i).operating_mode();
}

std::vector<std::vector<std::uint8_t>> simulator::request_log(std::size_t i) const
{
    return core_->model(i).request_log();
}

void simulator::set_answer_budget(std::size_t i, long n)
{
    core_->model(i).set_answer_budget(n);
}

void simulator::corrupt_next_page_read(std::size_t i, std::size_t byte_index)
{
    core_->model(i).corrupt_next_page_read(byte_index);
}

void simulator::set_error_state(std::size_t i, const std::vector<std::uint8_t>& bytes)
{
    core_->model(i).set_error_state(bytes);
}

std::uint16_t simulator::register_value(std::size_t i, std::uint16_t reg) const
{
    return core_->model(i).register_value(reg);
}

bool simulator::image_sensor_powered(std::size_t i) const
{
    return core_->model(i).image_sensor_powered();
}
bool simulator::block_locked(std::size_t i, unsigned block) const
{
    return core_->model(i).block_locked(block);
}

void simulator::set_target_offset(std::size_t i, double dx_mm, double dy_mm)
{
    core_->model(i).set_target_offset(dx_mm, dy_mm);
}

std::vector<double> simulator::line_positions(std::size_t i) const
{
    const auto p = core_->model(i).traced_lines();
    return {p.begin(), p.end()};
}

double simulator::rig_position(std::size_t i, int channel) const
{
    return core_->model(i).rig_physical(channel);
}

double simulator::rig_motor_position(std::size_t i, int channel) const
{
    return core_->model(i).rig_motor_position(channel);
}

double simulator::target_lateral_at(std::size_t i, double row, double column) const
{
    return core_->model(i).lateral_at(row, column);
}

double simulator::target_offset_for_column(std::size_t i, int row, double column) const
{
    return core_->model(i).offset_for_column(row, column);
}

std::uint32_t simulator::profile_counter(std::size_t i) const
{
    return core_->model(i).profile_counter();
}

std::uint64_t simulator::lines_sent(std::size_t i) const
{
    return core_->model(i).lines_sent();
}

namespace {
const crawler_model& crawler_of(const sensor_model& m)
{
    if (m.crawler() == nullptr)
        throw std::logic_error("the device is no crawler");
    return *m.crawler();
}
} // namespace

unsigned simulator::crawler_records(std::size_t i) const
{
    return crawler_of(core_->model(i)).record_count();
}

std::vector<std::uint8_t> simulator::crawler_memory(std::size_t i, std::uint32_t offset, std::size_t n) const
{
    const auto& mem = crawler_of(core_->model(i)).memory();
    if (offset > mem.size() || n > mem.size() - offset)
        throw std::out_of_range("outside the crawler's memory");
    return std::vector<std::uint8_t>(mem.begin() + offset, mem.begin() + offset + std::ptrdiff_t(n));
}

} // namespace orvex::sim
