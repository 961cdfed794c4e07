#pragma once

#include "traybackend.h"
#include "traypicture.h"
#include "trayrecord.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

// Owns one icon in the notification area: adds and removes it, sets its picture and hover
// tooltip, shows balloons from it, and turns the notifications about it into MouseClick and
// TrayMsgBoxClick. Every operation changes some fields of one persistent tray record and sends
// the whole record through the backend.
class tarelMsgTips final : public QObject
{
    Q_OBJECT

public:
    // Without a backend the notifier drives the real notification area (QtTrayBackend).
    explicit tarelMsgTips(std::unique_ptr<TrayBackend> backend = nullptr, QObject *parent = nullptr);
    ~tarelMsgTips() override;
    Q_DISABLE_COPY_MOVE(tarelMsgTips)

    // Removes the icon, then lets pending events run once so the removal is seen before the
    // caller goes on (at shutdown, before the program ends).
    void DelTrayIcon();
    // Adds the icon, still without picture and tooltip, naming EventPic's window as the one
    // the notifications are for.
    void AddTrayIcon(QWidget *EventPic);
    void SetTrayTip(const QString &Tip);
    // Only an icon picture becomes the tray icon; any other picture is ignored.
    void SetTrayIcon(const TrayPicture &Pic);
    // A non-null icon is an icon picture; a null one is no picture and is ignored.
    void SetTrayIcon(const QIcon &icon);
    // Shows a balloon. With an empty MsgTitle the balloon has no icon, whatever MsgFlags says.
    void SetTrayMsgbox(const QString &MsgInfo, qint32 MsgFlags, const QString &MsgTitle, qint32 MsgTimeout);

    const TrayRecord &record() const;

    // One notification about the icon, as the shell's message number: button releases and
    // double-clicks become MouseClick, the balloon's time-out and click TrayMsgBoxClick;
    // everything else raises nothing.
    void handleNotification(int message);

Q_SIGNALS:
    // Button: 1 left, 2 right, 4 middle.
    void MouseClick(qint32 Button, bool DBClick);
    // CloseClick: true when the balloon closed or timed out, false when it was clicked.
    void TrayMsgBoxClick(bool CloseClick);
    // The user activated the icon: a left click or double-click, the usual way back to the
    // program's window.
    void iconActivated();

private:
    // The fields that name the icon and its notification window, set by add and balloon alike.
    void setIdentity();
    void send(int message);

    std::unique_ptr<TrayBackend> m_backend;
    QPointer<QWidget> cPic;
    TrayRecord m_record;
    // Kept so the picture behind hIcon lives as long as the tray shows it.
    TrayPicture m_picture;
    // The tooltip a balloon sends along; the last SetTrayTip text, so a balloon keeps it.
    QString m_tipText;
};
