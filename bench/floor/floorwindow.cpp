#include "floorwindow.h"

#include "app/window/firstframeprobe.h"
#include "app/window/startupmarks.h"

#include <QGuiApplication>
#include <QScreen>

using namespace zq;

FloorWindow::FloorWindow()
{
    resize(1015, 610);
    new FirstFrameProbe(this);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void FloorWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        StartupMarks::markFirstShown();
    }
}
