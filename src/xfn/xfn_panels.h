// The extension-board panel of the first channel's sensor: which panel a
// board type code gets, and the program-wide reference to the hosted one.
//
// The table in xfn_panels.cpp maps a code to the panel's tool-button text and
// its maker; a new board type is one line there. A code without an entry
// gets no panel.
#pragma once

#include <QString>
#include <cstdint>

class QWidget;
class XFNCommonFunctions;

namespace orvex::xfn {

/// The board's name for the tool button (translated); empty without a panel.
QString panel_title(std::uint8_t code);

/// Builds the panel for `code` into the layout of `page` and remembers it as
/// the current panel. Null (and nothing built) for a code without a panel.
QWidget* build_panel(std::uint8_t code, QWidget* page);

/// Deletes every widget in the layout of `page` and clears the references.
void remove_panels(QWidget* page);

/// The hosted panel, or null.
XFNCommonFunctions* current_panel();
QWidget* current_panel_widget();

} // namespace orvex::xfn
