#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <functional>

class Dialogs;
class LoginFlow;
struct AppState;
struct Controls;

namespace tarel_tools {
class WebClient;
}

// The account session's clock: the start timer, the once-a-second count-down with its
// mirror of the plan page, the network clock and the online report.
class SessionClock final
{
public:
    struct Actions
    {
        std::function<void()> initVar;       // fetch the software information again
        std::function<void()> unloadWindow;  // end the program without asking
    };

    SessionClock(AppState &state, Controls &controls, Dialogs &dialogs, tarel_tools::WebClient &web, LoginFlow &login,
                 QString timeSourceUrl, Actions actions);
    Q_DISABLE_COPY_MOVE(SessionClock)

    void delay_timer_Timer();
    void count_down_Timer();
    void synchroniseClock();
    void onlineReport();

    QString onlineAddress() const;
    bool reportRunning() const { return m_reportRunning; }

private:
    void mirrorPlanPage();

    AppState &m_state;
    Controls &m_controls;
    Dialogs &m_dialogs;
    tarel_tools::WebClient &m_web;
    LoginFlow &m_login;
    QString m_timeSourceUrl;
    Actions m_actions;
    bool m_reportRunning = false;
    // A read of the page globals that has not answered yet; a busy page gets no second one.
    bool m_mirrorPending = false;
    QElapsedTimer m_mirrorAskedAt;
};
