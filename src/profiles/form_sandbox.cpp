#include "profiles/form_sandbox.h"

FormSandbox::FormSandbox(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormSandbox"));
    setWindowTitle(tr("Песочница"));
    resize(640, 480);
}
