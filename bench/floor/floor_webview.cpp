// floor_webview: the same window holding a QWebEngineView with the engine's defaults, which
// opens the given page two seconds after start, as zq opens its plan page. bench/run.sh
// compares the memory of zq's process tree with this program's.
//
// Usage: floor_webview URL

#include "app/window/startupmarks.h"
#include "desktop/stopsignalwatcher.h"
#include "floorwindow.h"

#include <QApplication>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

#include <csignal>
#include <cstdio>

using namespace zq;

int main(int argc, char *argv[])
{
    // What every program embedding the engine in widgets sets.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    StartupMarks::mark("application made");
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: floor_webview URL\n");
        return 2;
    }
    const QUrl url(arguments.at(1));

    FloorWindow window;
    StartupMarks::mark("window built");
    // zq's browser area: 15255 x 8535 twips at the window's top left.
    QWebEngineView *view = nullptr;
    QTimer::singleShot(2000, &window, [&] {
        view = new QWebEngineView(&window);
        view->setGeometry(0, 0, 1017, 569);
        view->load(url);
        view->show();
    });
    // Ends like zq on SIGTERM: through the event loop, so that the engine takes its helper
    // processes down with it instead of leaving them behind.
    StopSignalWatcher signals_({SIGTERM, SIGINT});
    QObject::connect(&signals_, &StopSignalWatcher::received, &app, &QCoreApplication::quit);
    window.show();
    return app.exec();
}
