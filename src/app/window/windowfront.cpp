#include "windowfront.h"

#include <QWidget>

namespace zq {

void bringToFront(QWidget *window)
{
    if (!window || !window->isVisible())
        return;
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->raise();
    window->activateWindow();
}

} // namespace zq
