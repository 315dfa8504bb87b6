// PageBitstream: the main window's firmware page.
//
// Writes a firmware image from a file into the first channel's flash (the
// image's first page last, so an interrupted write leaves it erased), reads
// flash back into "flash_out.bin", shows the running firmware version and
// writes the sensor's identification record. In developer mode it also
// offers single-sector erase, the status registers, the write-protect
// selection and the calibration-table transfers. The button that started an
// action carries its result icon; flash jobs report in the main window's
// message line and its progress bar while they run.
#pragma once

#include "app/program_events.h"
#include "flash/firmware_page_values.h"
#include "profiles/calibration_range.h"

#include <QString>
#include <QWidget>
#include <functional>

class QAbstractButton;

namespace Ui {
class PageBitstream;
}

class PageBitstream : public QWidget, public orvex::IProgramEvents {
    Q_OBJECT
public:
    /// Asks the user for a firmware file; an empty name means cancelled.
    using file_chooser = std::function<QString()>;

    explicit PageBitstream(QWidget* parent = nullptr);
    ~PageBitstream() override;

    /// Replaces the file dialog of btnBitstreamOpen (tests pass a path).
    void set_file_chooser(file_chooser chooser);

    void on_sensor_connected() override;
    void on_sensor_disconnected() override;
    void on_developer_mode(bool on) override;

private slots:
    void on_btnBitstreamOpen_clicked();
    void on_btnBitstreamWrite_clicked();
    void on_btnBitstreamReadFlash_clicked();
    void on_btnFlashEraseSector_clicked();
    void on_btnFlashGetStatus_clicked();
    void on_btnFlashSetProtectionSelector_clicked();
    void on_btnSettingsIdentWrite_clicked();
    void on_btnCalibrTablesWrite_clicked();
    void on_btnCalibrTablesRead_clicked();
    void on_btnSubframeWrite_clicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    /// A callback for a job started by `button` over `steps` steps: each
    /// report goes to the message line and the progress bar, the final one
    /// sets the button's result icon and runs `done` (when given).
    orvex::k7::flash_callback job_reporter(QAbstractButton* button, std::size_t steps,
                                           std::function<void(bool success)> done = {});
    /// True when no flash job runs; otherwise says so and marks `button` failed.
    bool flash_idle(QAbstractButton* button);
    void show_range_fields(const orvex::k7::decoded_range& range);
    static void set_result(QAbstractButton* button, bool ok);
    static void show_message(const QString& text);

    Ui::PageBitstream* ui;
    bool status_read_ = false; // btnFlashGetStatus shows the registers
    file_chooser choose_file_;
    orvex::k7::job_progress progress_;
    QString job_files_;                 // what the next job reads or writes, named in its final message
    orvex::k7::CalibrationRange range_; // the last analysed tables and the block written from them
};
