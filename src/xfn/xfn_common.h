// XFNCommonFunctions: what every extension-board panel offers the program
// besides being a widget, and the helpers all panels share.
//
// The program calls the virtual operations at fixed points of the panel's
// life: board_connected once after creation with the sensor's address; the
// two block operations around every settings read and write of the sensor's
// record (the 32-byte extension block); poll on every main-timer tick while
// the sensor is connected; set_developer_mode when the switch changes.
//
// The helpers mark the button that triggered a command with its outcome and
// run the settings flow on the first channel: every read fetches the whole
// record from the sensor, every write sends the whole current record with
// the panel's block filled in. Nothing is done without a connected sensor.
#pragma once

#include "xfn/xfn_codecs.h"

#include <QPointer>
#include <QString>

class QAbstractButton;
class QObject;

namespace orvex::k7 {
class sensor_commands;
}

class XFNCommonFunctions {
public:
    virtual ~XFNCommonFunctions() = default;

    /// Once after the panel was created; `address` is the sensor's dotted address.
    virtual void board_connected(const QString& address) { (void)address; }
    virtual void board_refresh() {}
    /// Writes the panel's values into the settings record's extension block.
    virtual void form_to_block(orvex::xfn::ext_block& block) = 0;
    /// Shows the values of an extension block.
    virtual void block_to_form(const orvex::xfn::ext_block& block) = 0;
    /// Shows the board's parameter area (panels that keep settings there).
    virtual void area_to_form(const orvex::xfn::param_area& area) { (void)area; }
    /// The parameter area a write sends: all zeros unless the panel fills it.
    virtual orvex::xfn::param_area form_to_area() const { return orvex::xfn::param_area{}; }
    /// Periodic work of panels with a poll box; every main-timer tick.
    virtual void poll() {}
    virtual void set_developer_mode(bool on) { (void)on; }

    /// Icon of `sender` (a push button or check box; others are ignored):
    /// accept on success, close on failure.
    static void mark(QObject* sender, bool ok);
    /// The button marked last this way gets the empty icon back first, so
    /// at most one button of the panel carries such a result.
    void mark_exclusive(QObject* sender, bool ok);

    /// The connected first channel's commands, or null.
    static orvex::k7::sensor_commands* sensor();

    // Settings flow; each returns the success flag.
    bool settings_read_memory();
    bool settings_write_memory();
    bool settings_read_flash();
    bool settings_write_flash();
    // Parameter-area flow, in the board's working memory or (flash) its
    // flash; each returns the success flag.
    bool area_read(bool flash);
    bool area_write(bool flash);

private:
    QPointer<QAbstractButton> last_exclusive_;
};
