// FormSandbox: the window for profile post-processing trials: cut zone and outlier filter.
//
// For now the window exists with its title, so that the shell can create,
// register, show and close it; its contents come with the work on this
// subsystem.
#pragma once

#include <QWidget>

class FormSandbox : public QWidget {
    Q_OBJECT
public:
    explicit FormSandbox(QWidget* parent = nullptr);
};
