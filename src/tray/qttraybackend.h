#pragma once

#include "traybackend.h"

namespace zq {

// The notification area through QSystemTrayIcon. Needs a QApplication.
class QtTrayBackend final : public TrayBackend
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtTrayBackend)

public:
    QtTrayBackend();
    ~QtTrayBackend() override;

    void setIcon(const QIcon &icon) override;
    void setToolTip(const QString &toolTip) override;
    void setVisible(bool visible) override;
    void showMessage(const QString &title, const QString &text, QSystemTrayIcon::MessageIcon icon,
                     int timeoutMs) override;

    // The tray icon this backend drives, for inspection.
    QSystemTrayIcon *trayIcon() { return &m_tray; }

private:
    void showWhenPossible();

    QSystemTrayIcon m_tray;
    bool m_wanted = false;
};

} // namespace zq
