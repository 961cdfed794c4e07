#pragma once

#include "trayrecord.h"

#include <QtGlobal>

#include <functional>
#include <utility>

// Where a tray record goes when it is sent: the one place that differs between the real
// notification area and a test. A backend also hands the notifications about the icon back,
// as the shell's message numbers (WM_LBUTTONUP, NIN_BALLOONUSERCLICK, ...).
class TrayBackend
{
public:
    using NotificationHandler = std::function<void(int message)>;

    virtual ~TrayBackend() = default;
    Q_DISABLE_COPY_MOVE(TrayBackend)

    // Applies one send: message is NIM_ADD, NIM_MODIFY or NIM_DELETE; record.uFlags says
    // which fields count. Like the shell, a backend never reports whether it worked.
    virtual void send(int message, const TrayRecord &record) = 0;

    void setNotificationHandler(NotificationHandler handler) { m_handler = std::move(handler); }

protected:
    TrayBackend() = default;

    void notify(int message) const
    {
        if (m_handler)
            m_handler(message);
    }

private:
    NotificationHandler m_handler;
};
