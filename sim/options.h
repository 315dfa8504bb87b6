// Command-line and sensor-key parsing of k7sim.
//
// A sensor is described by "ADDR[,key=value...]" (the text given after
// --sensor); parse_sensor_text turns it into a sensor_config with every omitted
// key filled with its default. Addresses must lie in 127.0.0.0/8: the
// simulator never listens or answers outside the loopback network.
#pragma once

#include "crawler_model.h"
#include "motor_board.h"
#include "scene.h"
#include "simulator.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvex::sim {

constexpr unsigned short device_port = 11681;

/// Measuring-range outline in millimetres (description bytes 142..153 divided by 2^shift).
struct outline_mm {
    double x1 = 0.0, x2 = 100.0;
    double y1_low = -50.0, y1_high = 50.0;
    double y2_low = -80.0, y2_high = 80.0;
};

enum class image_family : std::uint8_t { unknown = 0, vita = 1, python = 2 };

struct sensor_config {
    std::string address;             // dotted IPv4, 127.0.0.0/8
    std::uint32_t address_value = 0; // the same, host order
    std::string serial;              // five letters or digits; default from the address
    std::string fw = "49m";          // two digits and an optional letter
    std::string type = "S2D";        // three letters or digits (RCV, S2D, S3L, E1D, EB1 are known types)
    image_family family = image_family::vita;
    std::uint8_t board = 0; // extension-board code
    char kind = 'A';
    std::string ident = "K7D simulated sensor"; // at most 99 printable characters
    int shift = 5;                              // fractional bits p, 0..16
    outline_mm outline;
    bool has_key = false; // without a key extended access is always granted
    std::uint64_t key = 0;
    scene_config scene;         // keys scene, distance, pitch, height, tilt
    double noise = 0.0;         // line position noise of profiles, pixels (standard deviation)
    double profile_rate = 0.0;  // streamed profiles per second; 0: from the settings' period
    double frame_rate = 10.0;   // frames per second of the image stream
    unsigned lines_per_ms = 32; // frame lines sent per millisecond
    // A motor board (board code 50): its mechanics, and the sensors whose
    // target it moves (key rig=ADDR[+ADDR2]: channel 1 the distance, channel 2
    // across).
    rig_config rig; // keys speed, stall, travel, coef
    std::vector<std::string> rig_targets;
    crawler_config crawler; // a crawler (board code 80): keys records, measure
};

/// Throws std::invalid_argument with a message naming the offending part.
sensor_config parse_sensor_text(const std::string& text);

/// Dotted IPv4 text to a host-order number; false for anything else.
bool parse_ipv4(const std::string& text, std::uint32_t& out);
std::string format_ipv4(std::uint32_t host_order);

/// Result of parsing the k7sim command line.
struct command_line {
    simulator_options options;
    bool help = false;
    std::string error; // non-empty: a usage error to print
};

command_line parse_command_line(const std::vector<std::string>& args); // args without argv[0]
std::string usage_text();

} // namespace orvex::sim
