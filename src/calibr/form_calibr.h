// FormCalibr: the window for the calibration rig: actuators and the X and Y calibration procedures.
//
// For now the window exists with its title, so that the shell can create,
// register, show and close it; its contents come with the work on this
// subsystem.
#pragma once

#include <QWidget>

class FormCalibr : public QWidget {
    Q_OBJECT
public:
    explicit FormCalibr(QWidget* parent = nullptr);
};
