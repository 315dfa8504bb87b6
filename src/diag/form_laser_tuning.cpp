#include "diag/form_laser_tuning.h"

FormLaserTuning::FormLaserTuning(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormLaserTuning"));
    setWindowTitle(tr("Настройка лазера"));
    resize(640, 480);
}
