// FormFlash: the window for flash protection window: block locks, individual protection, unique id.
//
// For now the window exists with its title, so that the shell can create,
// register, show and close it; its contents come with the work on this
// subsystem.
#pragma once

#include <QWidget>

class FormFlash : public QWidget {
    Q_OBJECT
public:
    explicit FormFlash(QWidget* parent = nullptr);
};
