#include "app/application.h"

#include <QMessageBox>
#include <exception>

namespace orvex::qt {

QApplicationCatchingExceptions::QApplicationCatchingExceptions(int& argc, char** argv)
    : QApplication(argc, argv)
{}

bool QApplicationCatchingExceptions::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        report(QString::fromUtf8(e.what())); // the core composes its texts in UTF-8
    } catch (...) {
        report(QStringLiteral("Unknown error"));
    }
    return false;
}

void QApplicationCatchingExceptions::report(const QString& text)
{
    QMessageBox::critical(nullptr, QStringLiteral("Unhandled exception"), text, QMessageBox::Ok);
    QCoreApplication::exit(1);
}

} // namespace orvex::qt
