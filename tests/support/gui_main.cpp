// main() of the widget tests: an offscreen QApplication around gtest, and a
// message handler that turns every Qt warning into a test failure, so that a
// renamed widget that orphans its by-name slot cannot pass unnoticed.
#include <QApplication>
#include <QByteArray>
#include <gtest/gtest.h>

namespace {

void fail_on_warning(QtMsgType type, const QMessageLogContext&, const QString& msg)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
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
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
