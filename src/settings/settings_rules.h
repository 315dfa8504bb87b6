// The settings editor's rules applied to a whole record, for writers that do
// not go through the editor (the command-line tool, scripts).
//
// The editor never lets a value out of its fields' ranges and keeps the image
// window one the sensor accepts; a record built elsewhere is held to the same
// rules before it is written: sync mode 1, 2 or 5; gain 1..3; exposures,
// period and filter sizes inside the editor's ranges; a window of at least
// 336 columns inside the image with its end not before its start; and a
// fixed period not below the shortest period the window and the exposures
// allow, with a cycle delay below the effective period. Window fields are
// compared in the record's own units (units of 8 columns, rows from 0).
#pragma once

#include "settings/qz3p_settings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvex::k7 {

struct settings_violation {
    std::string field; // the name of settings_fields.h
    std::int64_t value = 0;
    std::string allowed; // "at least 41", "at most 50000", "one of 1, 2, 5"
    /// False for a timing conflict caused by a change of other fields (the
    /// window, an exposure): the editor only colours the period then, and the
    /// sensor measures at its shortest period instead. A writer warns.
    bool refused = true;

    /// "window_x_end = 10: at least 41"
    std::string text() const;
};

/// The rules that `record` breaks. Only the rules that involve one of the
/// `changed` fields are checked (every rule when the list is empty), so a
/// record that the sensor already holds does not block an unrelated change;
/// a rule between two fields (window order, timing) names the changed one.
/// The period and the cycle delay are refused only when they were changed
/// themselves.
std::vector<settings_violation> check_editor_rules(const qz3p_settings& record,
                                                   const std::vector<std::string>& changed = {});

} // namespace orvex::k7
