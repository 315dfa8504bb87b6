// The state folder: each device's flash image and stored settings, kept in two
// files named after the serial given on the command line:
//   sensor-<serial>.flash     the flash image (only sectors that are not erased)
//   sensor-<serial>.settings  the 256-byte stored settings payload
//   sensor-<serial>.board     a device with a board: the board's flash copy
//                             of its parameter area (256 bytes)
// A device without files starts fresh. Saving writes each file beside its
// final name and renames it over the old one, so an interrupted save keeps
// the previous state.
#pragma once

#include <string>
#include <vector>

namespace orvex::sim {

class sensor_model;

/// Creates the folder when missing; std::invalid_argument when it cannot.
void prepare_state_dir(const std::string& dir);

/// Loads the device's files when present; std::invalid_argument naming the
/// file when one is damaged (the device and the file stay unchanged).
void load_device_state(const std::string& dir, sensor_model& m);

/// Saves the device; returns one message per file that could not be written.
std::vector<std::string> save_device_state(const std::string& dir, const sensor_model& m);

} // namespace orvex::sim
