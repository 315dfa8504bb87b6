// The crawler panel's own settings, kept in "SettingsCrawler.xml" beside the
// executable: encoder coefficients, the motor pulse widths of the five motor
// buttons, the distance sensors' range and the diameter bases, and the
// address of the further fixed-address link opened when a crawler board is
// reported.
//
// Every key lies below "CrawlerSettings."; a file without some keys keeps the
// defaults for them. The device's own conversion of the records uses fixed
// constants; these values only travel between the file and the panel.
#pragma once

#include "app/program_settings_base.h"

#include <array>
#include <cstdint>
#include <string>

namespace orvex::crawler {

class CrawlerSettings final : public utils::ProgramSettingsBase {
public:
    static constexpr const char* default_file_name = "SettingsCrawler.xml";

    CrawlerSettings() { set_file_name(default_file_name); }
    void bind() override;

    double enc_1_coef = 0.1;
    double enc_2_coef = -0.025;
    /// Pulse widths in microseconds for the motor buttons 0..4.
    std::array<std::int32_t, 5> motor_1_pulse_us{{1700, 1600, 1500, 1400, 1300}};
    std::array<std::int32_t, 5> motor_2_pulse_us{{1300, 1400, 1500, 1600, 1700}};
    double km9_range_mm = 5.0;
    double diam_1_base_mm = 60.0;
    double diam_2_base_mm = 60.0;
    /// The further link of a crawler board: this address, remote port
    /// 11681, local port 11682. A setting so that tests and the demo point
    /// it at loopback; nothing is sent on it.
    std::string fixed_link_address = "192.168.62.146";
};

} // namespace orvex::crawler
