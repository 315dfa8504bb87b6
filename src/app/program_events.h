// What happened elsewhere in the program, told to the windows.
//
// Windows never call one another. The hub ProgramEvents carries Qt signals
// that the floating forms connect to; the interface IProgramEvents is
// implemented by the main window and the pages it hosts, which the shell calls
// in a fixed order (the receiver list, see program.h) synchronously with the
// operation that caused the event. Everything runs on the GUI thread.
#pragma once

#include "link/sensor_info.h"
#include "settings/qz3p_settings.h"

#include <QMetaType>
#include <QObject>

Q_DECLARE_METATYPE(orvex::k7::sensor_info)
Q_DECLARE_METATYPE(orvex::k7::qz3p_settings)

namespace orvex {

class ProgramEvents : public QObject {
    Q_OBJECT
public:
    ProgramEvents();

signals:
    // The declaration order fixes the meta-object indices; keep it.
    void timer_tick();
    void sensor_connected(orvex::k7::sensor_info info);
    void program_settings_changed();
    void sensor_settings_changed(orvex::k7::qz3p_settings settings);
    void image_received();
    /// channel: 0 first channel, 1 second channel.
    void sensor_last_result(int channel);
    /// The first channel's sensor stopped answering (false) or answers again
    /// (true); see connection_watch.
    void sensor_answering(bool answering);
};

/// Notifications of the hosted pages. Every operation has an empty default,
/// so a receiver overrides only what it needs.
class IProgramEvents {
public:
    /// A sensor was connected as first channel and the shell is set up for it.
    virtual void on_sensor_connected() {}
    virtual void on_sensor_disconnected() {}
    /// The sensor's settings were read or written; connecting is true while
    /// this happens as part of connecting.
    virtual void on_sensor_settings(bool connecting) { (void)connecting; }
    /// A profile datagram arrived and is about to be processed.
    virtual void on_profile_received() {}
    virtual void on_developer_mode(bool on) { (void)on; }
    /// One tick of the main timer.
    virtual void on_timer_tick() {}
    virtual ~IProgramEvents() = default;
};

} // namespace orvex
