// FormSettings: the window in which the engineer edits the measurement
// settings of the sensor connected as first channel.
//
// It hosts one WSensorSettings editor, carries out the editor's requests to
// read or write the record in the sensor's working memory or flash, and
// announces each result to the rest of the program in the fixed order of the
// settings operations: after a read from or write to working memory the event
// hub's sensor_settings_changed, the extension-board block, then
// on_sensor_settings(false) on every receiver; after a read from flash only the
// first two; after a write to flash nothing. A newly connected sensor and
// every changed record are passed on to the editor, and the user's
// convolution sets are kept in the program settings.
#pragma once

#include "link/sensor_info.h"
#include "settings/qz3p_settings.h"

#include <QWidget>

class WSensorSettings;

namespace Ui {
class FormSettings;
}

class FormSettings : public QWidget {
    Q_OBJECT
public:
    explicit FormSettings(QWidget* parent = nullptr);
    ~FormSettings() override;

    WSensorSettings* editor() const { return editor_; }

    // The four settings operations on the first channel; false when it is not
    // connected or the command fails (the current settings then stay).
    bool read_memory();
    bool write_memory(orvex::k7::qz3p_settings s);
    bool read_flash();
    bool write_flash(orvex::k7::qz3p_settings s);

private slots:
    void sensor_connected(const orvex::k7::sensor_info& info);
    void sensor_settings_changed(const orvex::k7::qz3p_settings& s);
    void store_user_conv_sets();

protected:
    void changeEvent(QEvent* event) override;

private:
    // Extension-board block of the record: it goes back as last read from (or
    // written to) the connected sensor's working memory, never as the
    // editor's zeros, which would wipe the board's settings; a hosted
    // extension-board panel then writes its values into it, and receives
    // every block read or written.
    void fill_extension_block(orvex::k7::qz3p_settings& s);
    void hand_extension_block(const orvex::k7::qz3p_settings& s);
    void announce(const orvex::k7::qz3p_settings& s, bool tell_receivers);
    /// A message in the main window's status line.
    void tell(const QString& text);

    Ui::FormSettings* ui;
    WSensorSettings* editor_ = nullptr;
};
