#include "crawler/crawler_settings.h"

namespace orvex::crawler {

void CrawlerSettings::bind()
{
    prop("CrawlerSettings.enc_1_coef", enc_1_coef);
    prop("CrawlerSettings.enc_2_coef", enc_2_coef);
    for (std::size_t i = 0; i < motor_1_pulse_us.size(); ++i)
        prop("CrawlerSettings.motor_1_pulse_us_" + std::to_string(i), motor_1_pulse_us[i]);
    for (std::size_t i = 0; i < motor_2_pulse_us.size(); ++i)
        prop("CrawlerSettings.motor_2_pulse_us_" + std::to_string(i), motor_2_pulse_us[i]);
    prop("CrawlerSettings.km9_range_mm", km9_range_mm);
    prop("CrawlerSettings.diam_1_base_mm", diam_1_base_mm);
    prop("CrawlerSettings.diam_2_base_mm", diam_2_base_mm);
    prop("CrawlerSettings.fixed_link_address", fixed_link_address);
}

} // namespace orvex::crawler
