// The motor board of a simulated device with board code 50 (the calibration
// rig's control board): its command set, its state stream and the hooks the
// simulator couples to the sensors on the rig. Every handler runs with the
// model's mutex held.
#include "sensor_model.h"

#include <stdexcept>

namespace orvex::sim {

void sensor_model::install_board_handlers()
{
    if (ext_board_sim::simulates(cfg_.board)) {
        xboard_ = std::make_unique<ext_board_sim>(cfg_.board, ext_board_sim::clock::now());
        for (unsigned code = 0xA0; code <= 0xAB; ++code)
            on(std::uint8_t(code), [this](const request& rq, reply_list& out) {
                xboard_->serve(rq, ext_board_sim::clock::now(), out);
            });
        return;
    }
    if (cfg_.board != 0x50)
        return;
    board_ = std::make_unique<motor_board>(cfg_.rig, motor_board::clock::now());
    for (unsigned code = 0xA0; code <= 0xAF; ++code)
        on(std::uint8_t(code),
           [this](const request& rq, reply_list& out) { board_->serve(rq, motor_board::clock::now(), out); });
}

void sensor_model::install_crawler_handlers()
{
    if (cfg_.board != 0x80)
        return;
    crawler_ = std::make_unique<crawler_model>(cfg_.crawler, crawler_model::clock::now());
    for (std::uint8_t code : {0xA4, 0xA6, 0xA8, 0xA9, 0x2F})
        on(code, [this](const request& rq, reply_list& out) {
            crawler_->serve(rq, crawler_model::clock::now(), out);
        });
}

namespace {
void check_channel(int channel)
{
    if (channel < 0 || channel > 2)
        throw std::out_of_range("motor board channel must be 0..2");
}
} // namespace

double sensor_model::rig_physical(int channel) const
{
    check_channel(channel);
    std::lock_guard<std::mutex> lock(mutex_);
    if (!board_)
        throw std::logic_error("the device has no motor board");
    return board_->physical(channel, motor_board::clock::now());
}

double sensor_model::rig_motor_position(int channel) const
{
    check_channel(channel);
    std::lock_guard<std::mutex> lock(mutex_);
    if (!board_)
        throw std::logic_error("the device has no motor board");
    return board_->motor_position(channel, motor_board::clock::now());
}

double sensor_model::offset_for_column(int row, double column) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return head_.current_scene().offset_for_column(row, column);
}

double sensor_model::lateral_at(double row, double column) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return head_.current_scene().lateral_at(row, column);
}

} // namespace orvex::sim
