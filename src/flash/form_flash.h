// FormFlash: the flash protection window.
//
// Shows which 64 KiB blocks of the first channel's flash are locked, locks or
// unlocks one block, switches the flash between individual block protection
// and its ordinary protection scheme, and reads the flash's unique number and
// status register 3. Every click runs its SPI pass-through sequence at once;
// the pressed button shows the outcome as a result icon.
#pragma once

#include <QWidget>

class QAbstractButton;

namespace Ui {
class FormFlash;
}

class FormFlash : public QWidget {
    Q_OBJECT
public:
    explicit FormFlash(QWidget* parent = nullptr);
    ~FormFlash() override;

private slots:
    void on_btn_status_read_clicked();
    void on_btn_sector_lock_clicked();
    void on_btn_sector_unlock_clicked();
    void on_btn_per_sector_lock_clicked();
    void on_btn_per_sector_lock_remove_clicked();
    void on_btn_unique_id_clicked();
    void on_btn_status3_read_clicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    static void set_result(QAbstractButton* button, bool ok);

    Ui::FormFlash* ui;
    bool unique_id_read_ = false; // the buttons show what was read
    bool status3_read_ = false;
};
