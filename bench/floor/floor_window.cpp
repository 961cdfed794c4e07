// floor_window: the least a Qt Widgets program can do to show zq's window: an empty
// 1015 x 610 QWidget, shown and painted. bench/run.sh starts it beside zq and divides zq's
// start-up times by this program's.

#include "app/window/startupmarks.h"
#include "floorwindow.h"

#include <QApplication>

using namespace zq;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    StartupMarks::mark("application made");
    FloorWindow window;
    StartupMarks::mark("window built");
    window.show();
    return app.exec();
}
