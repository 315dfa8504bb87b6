// FormLaserTuning: the window for row-by-row analysis of the laser line for laser tuning.
//
// For now the window exists with its title, so that the shell can create,
// register, show and close it; its contents come with the work on this
// subsystem.
#pragma once

#include <QWidget>

class FormLaserTuning : public QWidget {
    Q_OBJECT
public:
    explicit FormLaserTuning(QWidget* parent = nullptr);
};
