// The settings record's fields by name, for scripts and the command-line tool.
//
// Every field of qz3p_settings has a stable lower-case name (mac, ip,
// laser_flags, ..., convolution, further_words, ext_block) in record order.
// Values read as numbers, lists of numbers or text (mac "aa:bb:cc:dd:ee:ff",
// ip dotted, ext_block 64 hex digits); written from text with range checks
// against the field's width (narrower where the sensor keeps fewer bits:
// period_us 24 bits, reset_level 0..15, reserved one byte), so a typo never
// sends a wrapped-around value.
#pragma once

#include "settings/qz3p_settings.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace orvex::k7 {

using settings_field_value = std::variant<std::int64_t, std::string, std::vector<std::int64_t>>;

struct settings_field {
    std::string name;
    settings_field_value value;
};

/// Every field of `s`, in record order.
std::vector<settings_field> settings_fields(const qz3p_settings& s);

/// The field names in record order.
std::vector<std::string> settings_field_names();

/// Sets one field from text: a number (decimal, or hex with 0x), a list of
/// numbers separated by commas for the list fields (all elements given), or
/// the field's text form. Returns an empty string on success, otherwise what
/// is wrong (unknown name, not a number, out of range, wrong count), and then
/// leaves `s` unchanged.
std::string set_settings_field(qz3p_settings& s, const std::string& name, const std::string& text);

} // namespace orvex::k7
