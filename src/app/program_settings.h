// The program's own preferences (not the sensor's), kept in Settings.xml
// beside the executable.
//
// Members are declared in bind() in file order, each with its key below the
// root element and its default. One instance exists for the whole run
// (program_settings()); windows change members in memory and ask for a save.
#pragma once

#include "app/program_settings_base.h"
#include "profiles/sandbox_settings.h"
#include "settings/convolution_set.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

class ProgramSettings final : public utils::ProgramSettingsBase {
public:
    void bind() override;

    bool developer_mode = false;
    /// Unlocked by typing, in this run; not stored. While set, every save
    /// writes both developer flags as false (the live ones stay).
    bool developer_mode_unlocked = false;
    bool dev_checkbox_visible = false;
    std::int32_t harmful_mode_code = 0;
    bool chart_keep_aspect_ratio = false;
    bool chart_rotate = false;
    bool chart_brightness = false;
    std::string image_window_resolution = "640x512";
    bool sensor_errors_poll = false;
    std::int32_t sensor_errors_poll_period_ms = 1000;
    std::string ethernet_mask = "255.255.255.255"; // the connection page's search address
    /// Where the calibration rig's control board answers; a setting so that
    /// tests and the demo can point it at a simulator.
    std::string control_board_address = "192.168.1.20";
    std::int32_t settings_page_index = 0;
    bool settings_write_on_change = true;
    double coef_moto[3] = {1000.0, 1000.0, 1000.0};
    double coef_enc[3] = {-5000.0, -5000.0, -5000.0};
    std::vector<ConvolutionSet> convolution_sets;
    SandboxSettings sandbox;
    bool image_show_settings = false;
    /// Reference image of the recovery firmware that the debug page compares
    /// with the flash; a relative path is taken from the executable's folder.
#ifdef _WIN32
    std::string recovery_image_file = "D:/misc/quorin/recovery.bin";
#else
    std::string recovery_image_file = "recovery.bin";
#endif
};

} // namespace orvex
