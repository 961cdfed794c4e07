#include "firstframeprobe.h"

#include "startupmarks.h"
#include "windowlogging.h"

#include <QDateTime>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace zq {

FirstFrameProbe::FirstFrameProbe(QWidget *window) : QObject(window), m_window(window)
{
    // Nobody reads the line unless asked: then the probe costs nothing after construction.
    if (window && lcWindow().isDebugEnabled())
        window->installEventFilter(this);
}

bool FirstFrameProbe::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::Show && !m_handle) {
            // The native window exists from the first show on.
            m_handle = m_window->windowHandle();
            if (m_handle)
                m_handle->installEventFilter(this);
        } else if (event->type() == QEvent::Paint) {
            m_painted = true;
        }
        return false;
    }
    if (watched == m_handle && event->type() == QEvent::Expose && m_handle->isExposed()) {
        // Paint and flush now, so that the time is taken after the frame left the program.
        static_cast<QObject *>(m_handle.data())->event(event);
        if (m_painted)
            finish();
        return true;
    }
    return false;
}

void FirstFrameProbe::finish()
{
    qCDebug(lcWindow, "first frame painted at %lld ms since the epoch", QDateTime::currentMSecsSinceEpoch());
    StartupMarks::mark("first frame painted");
    if (m_handle)
        m_handle->removeEventFilter(this);
    if (m_window)
        m_window->removeEventFilter(this);
}

} // namespace zq
