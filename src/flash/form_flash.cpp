#include "flash/form_flash.h"

FormFlash::FormFlash(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FormFlash"));
    setWindowTitle(tr("FormFlash"));
    resize(640, 480);
}
