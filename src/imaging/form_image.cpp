#include "imaging/form_image.h"

FormImage::FormImage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormImage"));
    setWindowTitle(tr("Изображение"));
    resize(640, 480);
}
