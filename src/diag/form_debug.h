// FormDebug: the low-level debug window.
//
// Reads the sensor's self-describing debug record: "Read Descr" fetches the
// descriptor and lays out one row per field of its first record, the read
// button fetches the record and shows every field's value. It also sends a
// few raw commands (0xEB, time reset, time shift). All to the first channel;
// failures show as "-----" on the button or its result icon.
#pragma once

#include "diag/debug_record.h"

#include <QWidget>
#include <vector>

class QAbstractButton;
class QLabel;

namespace Ui {
class FormDebug;
}

class FormDebug : public QWidget {
    Q_OBJECT
public:
    explicit FormDebug(QWidget* parent = nullptr);
    ~FormDebug() override;

    const orvex::diag::debug_record_layout& layout() const { return layout_; }

private slots:
    // Only EB has a command behind it so far.
    void on_btnCmdEA_clicked() {}
    void on_btnCmdEB_clicked();
    void on_btnCmdEC_clicked() {}
    void on_btnCmdED_clicked() {}
    void on_btnCmdEE_clicked() {}
    void on_btnCmdEF_clicked() {}
    void on_btnReadDescr_clicked();
    void on_btnOnceRead_clicked();
    void on_btn_time_reset_clicked();
    void on_btn_time_shift_clicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    void set_command_texts();
    void rebuild_fields();
    static void set_result(QAbstractButton* button, bool ok);

    Ui::FormDebug* ui;
    orvex::diag::debug_record_layout layout_; // of the first descriptor line
    std::vector<QLabel*> names_;
    std::vector<QLabel*> values_;
};
