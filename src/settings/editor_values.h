// Conversions between the settings record and the values the settings editor
// shows: laser mode, network texts, the detached-point distance in
// millimetres. Kept apart from the form so that each rule is tested on its own.
#pragma once

#include "settings/qz3p_settings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orvex::k7 {

enum class laser_mode { off, on, external_sync, during_exposure };

constexpr std::uint8_t laser_on_flag = 0x01;
constexpr std::uint8_t laser_external_sync_flag = 0x02;
constexpr std::uint8_t laser_exposure_flag = 0x04;
constexpr std::uint8_t laser_invert_flag = 0x80;

/// Flags of a mode: off 0, on 0x01, external synchronisation 0x03, during
/// exposure 0x05; 0x80 added for inverted control.
std::uint8_t laser_flags_for(laser_mode mode, bool inverted);

/// The mode the flags select. The laser is off unless the on bit is set: flags
/// of an inverted but switched-off laser (0x80) must not show as on, or the
/// next write would switch it on. External synchronisation wins over exposure.
laser_mode laser_mode_of(std::uint8_t flags);

/// Where the sensor takes its measurement clock from; the record's sync mode
/// is 1, 2 or 5.
enum class sync_source { internal_timer, external_strobe, external_level };

std::uint8_t sync_mode_for(sync_source source);
/// Any mode other than 2 or 5 shows as the internal timer: the editor offers
/// no other choice, and its next write makes the record say 1.
sync_source sync_source_of(std::uint8_t mode);

/// The exposure fields of a record from the editor's values. With dual
/// exposure on, the gain is 1 whatever is chosen; with it off, the second
/// exposure is 0 and the reset level 15. gain_index 0..2 stands for gain 1..3.
struct exposure_values {
    bool dual = false;
    int first_us = 0;
    int second_us = 0;
    int reset_level = 15;
    int gain_index = 0;
};
void set_exposure_fields(qz3p_settings& s, const exposure_values& v);
/// Index 0..2 of the record's gain (1..3); a gain outside that range shows
/// as the nearest one.
int gain_index_of(const qz3p_settings& s);

/// "02.AA.AA.AA.AA.AA": six hexadecimal fields separated by "." (":" and "-"
/// also accepted). Empty when a field is missing, empty or not hexadecimal.
std::optional<std::array<std::uint8_t, 6>> parse_mac(const std::string& text);
std::string mac_text(const std::array<std::uint8_t, 6>& mac);

/// "192.168.1.147": four decimal fields 0..255 separated by "."; surrounding
/// blanks of a field (as a masked line edit leaves them) are ignored. Empty
/// when a field is missing, empty, not a number or above 255.
std::optional<std::uint32_t> parse_ip(const std::string& text);
std::string ip_text(std::uint32_t ip);

/// The distance field holds millimetres x 32.
double detached_distance_mm(std::uint16_t field);
/// Rounded to the nearest 1/32 mm and clamped to the field.
std::uint16_t detached_distance_field(double mm);

} // namespace orvex::k7
