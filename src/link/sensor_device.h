// sensor_device: one device the program talks to (first channel, second
// channel, or the calibration rig's control board).
//
// Owns the five links to the device's address, the command object with the
// connection state, the flash command object and the acquisition engine. connect() runs the connect
// sequence: close and reopen the links with their receive buffers, read the
// description, read the current settings; the connection flag is set only
// when all of it succeeded. The device's acquisition engine and its
// extension-board object join these members when they exist.
#pragma once

#include "link/acquisition_engine.h"
#include "link/flash_commands.h"
#include "link/link_set.h"
#include "link/sensor_commands.h"

#include <cstdint>
#include <string>

namespace orvex::k7 {

class sensor_device {
public:
    sensor_device();
    sensor_device(const sensor_device&) = delete;
    sensor_device& operator=(const sensor_device&) = delete;

    /// Connect sequence to address:port (port is 11681 for every real device).
    /// Returns false when the description or the settings cannot be read (the
    /// links are then closed). Socket errors and an address that is not
    /// dotted IPv4 text raise link_error, after closing every link.
    bool connect(const std::string& address, std::uint16_t port = sensor_port);

    /// Clears the connection flag and closes the five links. Never raises.
    void disconnect();

    bool is_connected() const { return commands_.is_connected(); }

    sensor_commands& commands() { return commands_; }
    const sensor_commands& commands() const { return commands_; }
    flash_commands& flash() { return flash_; }
    acquisition_engine& engine() { return engine_; }

    udp_link& link(link_index i) { return links_[i]; }
    const udp_link& link(link_index i) const { return links_[i]; }

private:
    void close_links() noexcept;

    link_set links_;
    sensor_commands commands_;
    flash_commands flash_;
    acquisition_engine engine_;
};

} // namespace orvex::k7
