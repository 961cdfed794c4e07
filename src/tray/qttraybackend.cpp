#include "qttraybackend.h"

#include "traylogging.h"

#include <QPointer>

#include <limits>

QtTrayBackend::QtTrayBackend()
{
    QObject::connect(&m_tray, &QSystemTrayIcon::activated, &m_tray,
                     [this](QSystemTrayIcon::ActivationReason reason) { onActivated(reason); });
    QObject::connect(&m_tray, &QSystemTrayIcon::messageClicked, &m_tray, [this] { notify(NIN_BALLOONUSERCLICK); });
}

QtTrayBackend::~QtTrayBackend() = default;

void QtTrayBackend::send(int message, const TrayRecord &record)
{
    switch (message) {
    case NIM_ADD:
        if (m_added) {
            qCDebug(lcTray) << "add refused: the icon is already there";
            return;
        }
        m_added = true;
        apply(record);
        break;
    case NIM_MODIFY:
        if (!m_added) {
            qCDebug(lcTray) << "modification refused: no icon has been added";
            return;
        }
        apply(record);
        break;
    case NIM_DELETE:
        m_added = false;
        m_tray.hide();
        break;
    default:
        qCDebug(lcTray) << "unknown tray message" << message;
        break;
    }
}

void QtTrayBackend::apply(const TrayRecord &record)
{
    // Every balloon sends the icon and tooltip along; Qt would rebuild the native icon each time.
    if ((record.uFlags & NIF_ICON) && record.hIcon.cacheKey() != m_tray.icon().cacheKey())
        m_tray.setIcon(record.hIcon);
    if ((record.uFlags & NIF_TIP) && record.tipText() != m_tray.toolTip())
        m_tray.setToolTip(record.tipText());
    // The shell shows an added icon at once, with an empty picture until it gets one; Qt
    // refuses to show an icon without a picture (with a warning), so the entry appears with
    // its first picture, at start-up the very next send. Without a tray Qt's fallback warns
    // on some platforms, so the entry waits: any later send puts it up once a tray exists.
    if (!m_tray.isVisible() && !m_tray.icon().isNull() && QSystemTrayIcon::isSystemTrayAvailable())
        m_tray.show();
    if ((record.uFlags & NIF_INFO) && !record.infoText().isEmpty())
        showBalloon(record);
}

void QtTrayBackend::showBalloon(const TrayRecord &record)
{
    // Without a shown icon there is nothing to hang a balloon from; the notice is simply not shown.
    if (!m_tray.isVisible()) {
        qCDebug(lcTray) << "balloon not shown, no tray:" << record.infoText();
        return;
    }
    const int msecs = int(qMin<quint32>(record.uTimeout, quint32(std::numeric_limits<int>::max())));
    const QString title = record.infoTitleText();
    const QString text = record.infoText();
    switch (record.dwInfoFlags & NIIF_ICON_MASK) {
    case NIIF_INFO:
        m_tray.showMessage(title, text, QSystemTrayIcon::Information, msecs);
        break;
    case NIIF_WARNING:
        m_tray.showMessage(title, text, QSystemTrayIcon::Warning, msecs);
        break;
    case NIIF_ERROR:
        m_tray.showMessage(title, text, QSystemTrayIcon::Critical, msecs);
        break;
    case NIIF_USER:
        // The balloon carries the record's own icon.
        m_tray.showMessage(title, text, record.hIcon, msecs);
        break;
    default:
        m_tray.showMessage(title, text, QSystemTrayIcon::NoIcon, msecs);
        break;
    }
}

void QtTrayBackend::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        notify(WM_LBUTTONUP);
        break;
    case QSystemTrayIcon::DoubleClick:
        // The shell reports a double-click as up, double-click, up. Qt reports the first
        // release as Trigger but swallows the second one (Windows) or never sees it as a click
        // (X11), so it is given back here, right after the double-click it belongs to. A
        // handler of the first may have dropped the notifier, and this backend with it.
        {
            const QPointer<QSystemTrayIcon> alive(&m_tray);
            notify(WM_LBUTTONDBLCLK);
            if (alive)
                notify(WM_LBUTTONUP);
        }
        break;
    case QSystemTrayIcon::Context:
        notify(WM_RBUTTONUP);
        break;
    case QSystemTrayIcon::MiddleClick:
        notify(WM_MBUTTONUP);
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
}
