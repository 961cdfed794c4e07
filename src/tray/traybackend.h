#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

namespace zq {

// The notification area as the tray notifier uses it: QSystemTrayIcon's own operations, so
// that a test can stand in for it (QtTrayBackend is the real one).
class TrayBackend : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayBackend)

public:
    ~TrayBackend() override = default;

    virtual void setIcon(const QIcon &icon) = 0;
    virtual void setToolTip(const QString &toolTip) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void showMessage(const QString &title, const QString &text, QSystemTrayIcon::MessageIcon icon,
                             int timeoutMs) = 0;

Q_SIGNALS:
    void activated(QSystemTrayIcon::ActivationReason reason);
    void messageClicked();

protected:
    TrayBackend() = default;
};

} // namespace zq
