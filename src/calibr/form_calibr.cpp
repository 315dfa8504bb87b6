#include "calibr/form_calibr.h"

FormCalibr::FormCalibr(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormCalibr"));
    setWindowTitle(tr("Калибровка"));
    resize(640, 480);
}
