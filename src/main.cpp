#include "app/appconfig.h"
#include "app/mainwindow.h"
#include "app/qttranslations.h"
#include "app/window/windowfront.h"
#include "browser/planpage.h"
#include "desktop/singleinstance.h"
#include "desktop/stopsignalwatcher.h"
#include "programengine.h"
#include "text/logsecrets.h"

#include <QApplication>
#include <QLoggingCategory>

#include <csignal>

int main(int argc, char *argv[])
{
    // The last line of defence for the passwords: every message that goes through Qt's
    // logging, the plan page's console included, leaves without the ones the window has
    // learned. Made first, so that it is gone only after everything that logs.
    zq::LogSecrets logSecrets;
    logSecrets.install();
    // How the embedded browser draws is settled before the application object exists.
    zq::ProgramEngine::beforeApplication();
    QApplication app(argc, argv);
    // Diagnostics stay quiet unless a user asks for them with QT_LOGGING_RULES, Qt's own
    // informational chatter (the web engine's GL and start parameters) included.
    QLoggingCategory::setFilterRules(QStringLiteral("zq.*.debug=false\nqt.*.info=false"));
    zq::installQtTranslations(app);
    // The window ends the program itself, after its close question.
    QApplication::setQuitOnLastWindowClosed(false);

    // One copy per user: a second start brings the running window forward and ends here,
    // before it asks the service anything or shows a window.
    zq::SingleInstance single(QStringLiteral("zq"));
    if (!single.claim())
        return 0;

    // Made before the window and so gone only after it: a stop signal during the window's
    // teardown (the tray icon, the engine shutting down) is still the watcher's.
    zq::StopSignalWatcher signals_({SIGTERM, SIGINT});

    zq::MainWindow::Seams seams;
    seams.planPage = zq::ProgramEngine::makePlanPage;
    seams.logSecrets = &logSecrets;
    zq::MainWindow window(zq::AppConfig::fromBuild(), std::move(seams));

    QObject::connect(&single, &zq::SingleInstance::activationRequested, &window,
                     [&window] { zq::bringToFront(&window); });
    QObject::connect(&signals_, &zq::StopSignalWatcher::received, &window, [&window] { window.closeByProgram(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&window] {
        if (!window.unloaded())
            window.closeByProgram();
    });

    // Shown at once with its start-up notice: the software information and the rest of the
    // start-up come in the event loop, as does a stop signal, which ends the program with 0.
    window.startUp();
    window.show();
    return app.exec();
}
