#include "traynotices.h"

#include "app/window/windowfront.h"
#include "tray/traybackend.h"
#include "tray/traynotifier.h"

#include <QWidget>

namespace zq {

TrayNotices::TrayNotices(QWidget *window, BackendFactory makeBackend, QObject *parent)
    : QObject(parent), m_window(window), m_makeBackend(std::move(makeBackend))
{}

TrayNotices::~TrayNotices()
{
    setTrayIconShown(false);
}

void TrayNotices::setTrayIconShown(bool on)
{
    if (on) {
        // One notifier at most: a second switch-on replaces the first icon instead of adding another.
        setTrayIconShown(false);
        m_notifier = std::make_unique<TrayNotifier>(m_makeBackend ? m_makeBackend() : nullptr, this);
        // A click on the icon is the usual way back to a minimised or covered window.
        connect(m_notifier.get(), &TrayNotifier::iconActivated, m_notifier.get(),
                [window = m_window] { bringToFront(window); });
        // The caption as the layout has it, still without the version.
        if (m_window)
            m_notifier->show(m_window->windowIcon(), m_window->windowTitle());
        return;
    }
    if (m_notifier)
        m_notifier->remove();
    m_notifier.reset();
}

void TrayNotices::showNotice(const QString &text)
{
    // Without a tray icon (during start-up, after unload) a notice is simply not shown.
    if (m_notifier)
        m_notifier->showBalloon(text, QSystemTrayIcon::Information, QStringLiteral("栖木提示"), 2000);
}

} // namespace zq
