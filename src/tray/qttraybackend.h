#pragma once

#include "traybackend.h"

#include <QSystemTrayIcon>

// The notification area through QSystemTrayIcon. Needs a QApplication.
//
// The shell's rules that matter to the program are kept: a modification or a second add only
// counts for an icon that was added, a delete removes it, and a record with NIF_INFO and a
// non-empty text shows a balloon. On a desktop without a tray nothing is shown and nothing
// complains; should a tray appear later, the next send puts the icon up.
class QtTrayBackend final : public TrayBackend
{
public:
    QtTrayBackend();
    ~QtTrayBackend() override;
    Q_DISABLE_COPY_MOVE(QtTrayBackend)

    void send(int message, const TrayRecord &record) override;

    // The tray icon this backend drives, for inspection.
    QSystemTrayIcon *trayIcon() { return &m_tray; }

private:
    void apply(const TrayRecord &record);
    void showBalloon(const TrayRecord &record);
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon m_tray;
    bool m_added = false;
};
