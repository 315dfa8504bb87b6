// main() of the widget tests: the program's own application object (with its
// exception guard), offscreen, around gtest, and a message handler that turns every Qt warning into a test
// failure, so that a renamed widget that orphans its by-name slot cannot pass unnoticed.
#include "app/application.h"

#include <QApplication>
#include <QByteArray>
#include <gtest/gtest.h>

namespace {

void fail_on_warning(QtMsgType type, const QMessageLogContext&, const QString& msg)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    // The offscreen platform plugin says these about windows it shows and raises.
    if (msg == QStringLiteral("This plugin does not support propagateSizeHints()") ||
        msg == QStringLiteral("This plugin does not support raise()"))
        return;
    // Environment, not our code: CI runs without a session runtime folder.
    if (msg.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    ADD_FAILURE() << "Qt message: " << msg.toStdString();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    ::testing::InitGoogleTest(&argc, argv);
    qInstallMessageHandler(fail_on_warning);
    Q_INIT_RESOURCE(icons);
    Q_INIT_RESOURCE(windows);
    orvex::qt::QApplicationCatchingExceptions app(argc, argv);
    return RUN_ALL_TESTS();
}
