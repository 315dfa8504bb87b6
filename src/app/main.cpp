// Entry of the Quorin program: the program-wide objects, the application
// object with its exception guard, start-up, and the event loop.
#include "app/application.h"
#include "app/program.h"
#include "app/quorin.h"

int main(int argc, char** argv)
{
    orvex::app::init_program_objects();
    Q_INIT_RESOURCE(icons);
    Q_INIT_RESOURCE(windows);

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true); // always on in Qt 6
#endif
    orvex::qt::QApplicationCatchingExceptions app(argc, argv);
    orvex::app::start_program(QCoreApplication::applicationDirPath());
    orvex::app::main_window()->show();
    return app.exec();
}
