#pragma once

#include "tray/traybackend.h"

#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace zq {

// What the notifier did to the notification area, for the test to read after the window is
// gone too.
struct TrayLog
{
    struct Balloon
    {
        QString title;
        QString text;
        QSystemTrayIcon::MessageIcon icon;
        int timeoutMs;
    };
    QStringList calls; // "icon", "tip", "show", "hide", "balloon", in order
    QIcon icon;
    QString toolTip;
    bool visible = false;
    QList<Balloon> balloons;
};

class RecordingTrayBackend final : public TrayBackend
{
public:
    explicit RecordingTrayBackend(std::shared_ptr<TrayLog> log) : m_log(std::move(log)) {}
    void setIcon(const QIcon &icon) override
    {
        m_log->calls.append(QStringLiteral("icon"));
        m_log->icon = icon;
    }
    void setToolTip(const QString &toolTip) override
    {
        m_log->calls.append(QStringLiteral("tip"));
        m_log->toolTip = toolTip;
    }
    void setVisible(bool visible) override
    {
        m_log->calls.append(visible ? QStringLiteral("show") : QStringLiteral("hide"));
        m_log->visible = visible;
    }
    void showMessage(const QString &title, const QString &text, QSystemTrayIcon::MessageIcon icon,
                     int timeoutMs) override
    {
        m_log->calls.append(QStringLiteral("balloon"));
        m_log->balloons.append({title, text, icon, timeoutMs});
    }

private:
    std::shared_ptr<TrayLog> m_log;
};

} // namespace zq
