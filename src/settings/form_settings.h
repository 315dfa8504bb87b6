// FormSettings: the window for the sensor settings editor of the first channel.
//
// For now the window exists with its title, so that the shell can create,
// register, show and close it; its contents come with the work on this
// subsystem.
#pragma once

#include <QWidget>

class FormSettings : public QWidget {
    Q_OBJECT
public:
    explicit FormSettings(QWidget* parent = nullptr);
};
