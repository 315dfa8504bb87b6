// PageDebug: the main window's developer page for the image sensor.
//
// Reads and writes one image-sensor register, dumps all 512 registers into
// "Registers.txt" (one register per main-timer tick, as a page task),
// switches the image sensor's supply off and on or restarts it after a pause
// (a page task, so the window keeps running), writes the initialisation
// block with the program's version into the sensor's flash, and checks the
// flash's write-protect selection and the recovery firmware. Everything goes
// to the first channel; the button that started an action shows its result.
#pragma once

#include <QWidget>

class QAbstractButton;

namespace Ui {
class PageDebug;
}

class PageDebug : public QWidget {
    Q_OBJECT
public:
    /// Page task ids: a second press while one runs is refused.
    static constexpr int dump_task_id = 1101;
    static constexpr int restart_task_id = 1102;

    explicit PageDebug(QWidget* parent = nullptr);
    ~PageDebug() override;

private slots:
    void on_btnBitstreamVitaRegRead_clicked();
    void on_btnBitstreamVitaRegWrite_clicked();
    void on_btnBitstreamInitRegisters_clicked();
    void on_btnRegistersToFile_clicked();
    void on_btnVitaPowerOff_clicked();
    void on_btnVitaPowerOn_clicked();
    void on_btnVitaPowerRestart_clicked();
    void on_btn_flash_protection_info_clicked();
    void on_btn_flash_protection_fix_clicked();
    void on_btn_bitstream_recovery_info_clicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    static void set_result(QAbstractButton* button, bool ok);

    Ui::PageDebug* ui;
    QString register_value_; // labBitstreamVitaRegValue after a read, kept over a language change
    QString dump_state_;     // labRegistersState likewise
};
