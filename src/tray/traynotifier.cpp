#include "traynotifier.h"

#include "qttraybackend.h"
#include "text/ansi.h"

namespace zq {

namespace {

// What the shell shows of a text field: up to the first NUL, at most `bytes` bytes of code
// page 936 and never half a character.
QString shellText(const QString &text, int bytes)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return fromAnsi(cutAnsi(toAnsi(nul < 0 ? text : text.left(nul)), bytes));
}

} // namespace

TrayNotifier::TrayNotifier(std::unique_ptr<TrayBackend> backend, QObject *parent)
    : QObject(parent), m_backend(backend ? std::move(backend) : std::make_unique<QtTrayBackend>())
{
    connect(m_backend.get(), &TrayBackend::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            Q_EMIT iconActivated();
    });
    connect(m_backend.get(), &TrayBackend::messageClicked, this, &TrayNotifier::balloonClicked);
}

TrayNotifier::~TrayNotifier() = default;

void TrayNotifier::show(const QIcon &icon, const QString &toolTip)
{
    m_backend->setIcon(icon);
    setToolTip(toolTip);
    m_backend->setVisible(true);
}

void TrayNotifier::setToolTip(const QString &toolTip)
{
    m_backend->setToolTip(shellText(toolTip, ToolTipBytes));
}

void TrayNotifier::showBalloon(const QString &text, QSystemTrayIcon::MessageIcon icon, const QString &title,
                               int timeoutMs)
{
    const QString shownTitle = shellText(title, BalloonTitleBytes);
    m_backend->showMessage(shownTitle, shellText(text, BalloonTextBytes),
                           shownTitle.isEmpty() ? QSystemTrayIcon::NoIcon : icon, timeoutMs);
}

void TrayNotifier::remove()
{
    // Hiding is the removal: Qt deletes the shell's icon at once on Windows, and the desktop's
    // tray hears of it over its own connection elsewhere. Nothing else runs meanwhile, also when
    // the window removes its icon on the way out.
    m_backend->setVisible(false);
}

} // namespace zq
