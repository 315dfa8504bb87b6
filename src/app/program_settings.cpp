#include "app/program_settings.h"

namespace orvex {

void ProgramSettings::bind()
{
    // An unlock by typing never reaches the file: the copy written says
    // false, while the live flags (the widgets shown, the error-state poll)
    // stay as they are.
    bool saved_off = false, visible_off = false;
    const bool keep_out = !reading() && developer_mode_unlocked;
    prop("Program.DeveloperMode", keep_out ? saved_off : developer_mode);
    prop("Program.DevCheckboxVisible", keep_out ? visible_off : dev_checkbox_visible);
    prop("Program.harmful_mode_code", harmful_mode_code);
    prop("Program.Chart.KeepAspectRatio", chart_keep_aspect_ratio);
    prop("Program.Chart.Rotate", chart_rotate);
    prop("Program.Chart.Brightness", chart_brightness);
    prop("Windows.ImageWindowResolution", image_window_resolution);
    prop("Program.SensorErrorsPoll", sensor_errors_poll);
    prop("Program.SensorErrorsPollPeriod_ms", sensor_errors_poll_period_ms);
    prop("Program.Connection.Ethernet.Mask", ethernet_mask);
    prop("Program.Connection.ControlBoardAddress", control_board_address);
    prop("Program.Settings.PageIndex", settings_page_index);
    prop("Program.Settings.WriteOnChange", settings_write_on_change);
    prop("Program.coef_moto_1", coef_moto[0]);
    prop("Program.coef_moto_2", coef_moto[1]);
    prop("Program.coef_moto_3", coef_moto[2]);
    prop("Program.coef_enc_1", coef_enc[0]);
    prop("Program.coef_enc_2", coef_enc[1]);
    prop("Program.coef_enc_3", coef_enc[2]);
    prop("Program.convolution_sets", convolution_sets);
    prop("sandbox", sandbox);
    prop("image_show_settings", image_show_settings);
    prop("Program.RecoveryImageFile", recovery_image_file);
}

} // namespace orvex
