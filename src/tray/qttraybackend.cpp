#include "qttraybackend.h"

#include "traylogging.h"

namespace zq {

QtTrayBackend::QtTrayBackend()
{
    connect(&m_tray, &QSystemTrayIcon::activated, this, &TrayBackend::activated);
    connect(&m_tray, &QSystemTrayIcon::messageClicked, this, &TrayBackend::messageClicked);
}

QtTrayBackend::~QtTrayBackend() = default;

void QtTrayBackend::setIcon(const QIcon &icon)
{
    m_tray.setIcon(icon);
    showWhenPossible();
}

void QtTrayBackend::setToolTip(const QString &toolTip)
{
    m_tray.setToolTip(toolTip);
}

void QtTrayBackend::setVisible(bool visible)
{
    m_wanted = visible;
    if (visible)
        showWhenPossible();
    else
        m_tray.hide();
}

void QtTrayBackend::showWhenPossible()
{
    // Qt warns about an icon without a picture, and on some platforms about a missing tray:
    // the icon waits for both, and any later call puts it up once a tray exists.
    if (m_wanted && !m_tray.isVisible() && !m_tray.icon().isNull() && QSystemTrayIcon::isSystemTrayAvailable())
        m_tray.show();
}

void QtTrayBackend::showMessage(const QString &title, const QString &text, QSystemTrayIcon::MessageIcon icon,
                                int timeoutMs)
{
    showWhenPossible();
    // Without a shown icon there is nothing to hang a balloon from; the notice is simply not shown.
    if (!m_tray.isVisible()) {
        qCDebug(lcTray) << "balloon not shown, no tray:" << text;
        return;
    }
    m_tray.showMessage(title, text, icon, timeoutMs);
}

} // namespace zq
