// FormImage: the window for raw camera frames: polling, streaming, background frames and saving.
//
// For now the window exists with its title, so that the shell can create,
// register, show and close it; its contents come with the work on this
// subsystem.
#pragma once

#include <QWidget>

class FormImage : public QWidget {
    Q_OBJECT
public:
    explicit FormImage(QWidget* parent = nullptr);
};
