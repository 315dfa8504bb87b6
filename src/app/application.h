// The application object with the program's exception guard.
//
// An exception that escapes an event handler would otherwise unwind through
// Qt's event loop. notify() catches it, tells the user in a message box
// ("Unhandled exception" with the exception's text) and ends the event loop
// with exit code 1.
#pragma once

#include <QApplication>

namespace orvex::qt {

class QApplicationCatchingExceptions : public QApplication {
    Q_OBJECT
public:
    QApplicationCatchingExceptions(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void report(const QString& text);
};

} // namespace orvex::qt
