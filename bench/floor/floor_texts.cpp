// floor_texts: the bare window with what zq shows in its first frame and nothing else: the
// visible rows of zq's own control table (the start-up notice, the bottom links and the
// notice line, the link panel with its heading, toggle and twelve links), built by zq's own
// LayoutBuilder, with the fonts and colours the table gives them. No hidden boxes, no tray,
// no request, no network library. It is what Qt costs to put these Chinese texts on screen;
// bench/run.sh reports zq's start-up against it beside the bare window.

#include "app/window/layoutbuilder.h"
#include "app/window/startupmarks.h"
#include "floorwindow.h"

#include <QApplication>
#include <QTimer>

#include <vector>

using namespace zq;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    StartupMarks::mark("application made");
    FloorWindow window;
    std::vector<ControlDescription> visible;
    for (const ControlDescription &row : zqControlTable()) {
        const bool onWindowOrPanel = !row.parent || QStringView(row.parent) == u"regLinkPanel";
        if (!row.hidden && onWindowOrPanel && row.kind != ControlKind::Browser)
            visible.push_back(row);
    }
    const Controls controls = LayoutBuilder::build(&window, visible, {});
    // Only the first frame is of interest here: nothing ticks.
    controls.countDown->stop();
    StartupMarks::mark("window built");
    window.show();
    return app.exec();
}
