#include "diag/form_debug.h"

FormDebug::FormDebug(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormDebug"));
    setWindowTitle(tr("DebugForm"));
    resize(640, 480);
}
