#pragma once

#include "traybackend.h"

#include <QObject>

#include <memory>

namespace zq {

// One icon in the notification area, with its picture and hover tooltip, and balloons from
// it. Texts are cut as the Windows shell cuts them, on a character boundary of their code
// page 936 bytes: the tooltip to 127 bytes, a balloon's text to 255 and its title to 63.
class TrayNotifier final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayNotifier)

public:
    // Without a backend the notifier drives the real notification area (QtTrayBackend).
    explicit TrayNotifier(std::unique_ptr<TrayBackend> backend = nullptr, QObject *parent = nullptr);
    ~TrayNotifier() override;

    // Puts the icon into the notification area with its picture and tooltip.
    void show(const QIcon &icon, const QString &toolTip);
    void setToolTip(const QString &toolTip);
    // A balloon; one without a title shows no icon, whatever `icon` says.
    void showBalloon(const QString &text, QSystemTrayIcon::MessageIcon icon, const QString &title, int timeoutMs);
    // Takes the icon away.
    void remove();

    // The shell's limits, in code page 936 bytes without the terminating NUL.
    static constexpr int ToolTipBytes = 127;
    static constexpr int BalloonTextBytes = 255;
    static constexpr int BalloonTitleBytes = 63;

Q_SIGNALS:
    // A left click or double-click on the icon.
    void iconActivated();
    void balloonClicked();

private:
    std::unique_ptr<TrayBackend> m_backend;
};

} // namespace zq
