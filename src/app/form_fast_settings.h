// FormFastSettings: a reserved window with only a close button. The shell
// creates and registers it like every window; nothing opens it yet.
#pragma once

#include <QWidget>

namespace Ui {
class FormFastSettings;
}

class FormFastSettings : public QWidget {
    Q_OBJECT
public:
    explicit FormFastSettings(QWidget* parent = nullptr);
    ~FormFastSettings() override;

private slots:
    void on_btn_close_clicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    Ui::FormFastSettings* ui;
};
