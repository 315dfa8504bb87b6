// FormDebug: the window for self-describing debug records and raw commands.
//
// For now the window exists with its title, so that the shell can create,
// register, show and close it; its contents come with the work on this
// subsystem.
#pragma once

#include <QWidget>

class FormDebug : public QWidget {
    Q_OBJECT
public:
    explicit FormDebug(QWidget* parent = nullptr);
};
