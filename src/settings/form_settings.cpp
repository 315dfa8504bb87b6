#include "settings/form_settings.h"

#include <QIcon>

FormSettings::FormSettings(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FormSettings"));
    setWindowTitle(tr("Настройки"));
    setWindowIcon(QIcon(QStringLiteral(":/test/Resources/test/test-settings.png")));
    resize(640, 480);
}
