#include "link/sensor_device.h"

#include "link/link_error.h"

namespace orvex::k7 {

sensor_device::sensor_device() : commands_(links_), flash_(links_), engine_(commands_) {}

void sensor_device::close_links() noexcept
{
    for (auto& l : links_) {
        try {
            l.close();
        } catch (const link_error&) {
            // The link is closed whatever the close step reported.
        }
    }
}

bool sensor_device::connect(const std::string& address, std::uint16_t port)
{
    commands_.connected_ = false;
    close_links();
    try {
        for (std::size_t i = 0; i < links_.size(); ++i) {
            links_[i].open(address, port);
            if (link_receive_buffer[i] != 0)
                links_[i].set_receive_buffer(link_receive_buffer[i]);
        }
    } catch (...) {
        close_links();
        throw;
    }

    sensor_info info;
    if (!commands_.read_description(info)) {
        close_links();
        return false;
    }
    // A fresh record: nothing of a previously connected sensor (serial,
    // outline, scale) survives into this one when its identification is damaged.
    commands_.info_ = info;

    qz3p_settings settings;
    if (!commands_.read_settings_memory(settings)) {
        close_links();
        return false;
    }
    commands_.connected_ = true;
    engine_.reset_counters(); // the counts are this sensor's
    return true;
}

void sensor_device::disconnect()
{
    commands_.connected_ = false;
    close_links();
}

} // namespace orvex::k7
