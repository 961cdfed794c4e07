#include "floorwindow.h"

#include "app/window/firstframeprobe.h"
#include "app/window/startupmarks.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScreen>

using namespace zq;

namespace {
Q_LOGGING_CATEGORY(lcFloor, "zq.app")
} // namespace

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
        qCDebug(lcFloor, "first shown at %lld ms since the epoch", QDateTime::currentMSecsSinceEpoch());
        StartupMarks::mark("first shown");
    }
}
