#pragma once

#include <QString>

#include <functional>

namespace zq {

class Dialogs;
class ServiceAddresses;
struct AppState;
struct Controls;

class WebClient;

// The account session's clock: the start timer, the once-a-second count-down, the network
// clock and the online report. What the window does around them comes in as actions.
class SessionClock final
{
public:
    struct Actions
    {
        std::function<void()> openPlanPage;   // the plan page for the current account
        std::function<void()> mirrorPlanPage; // the page's period and numbers into outplan
        std::function<void()> refreshSoftwareInfo; // fetch the software information again
        std::function<void()> unloadWindow;   // end the program without asking
    };

    SessionClock(AppState &state, Controls &controls, Dialogs &dialogs, const ServiceAddresses &addresses,
                 WebClient &web, QString timeSourceUrl, Actions actions, qint16 reportPeriod);
    Q_DISABLE_COPY_MOVE(SessionClock)

    void onStartTimer();
    void onCountDownTick();
    void synchroniseClock();
    void sendOnlineReport();

    // The login opened the plan page: a page the start timer left waiting for its address is
    // shown now.
    void planPageOpened();

    bool reportRunning() const { return m_reportRunning; }

private:
    // The plan page for the current account, in the browser in place of the start-up notice.
    void showPlanPage();
    void showBrowser();

    AppState &m_state;
    Controls &m_controls;
    Dialogs &m_dialogs;
    const ServiceAddresses &m_addresses;
    WebClient &m_web;
    QString m_timeSourceUrl;
    Actions m_actions;
    qint16 m_reportPeriod; // seconds from a clock reading to the next online report
    bool m_reportRunning = false;
    bool m_planPageWaiting = false; // the start timer found no plan-page address
};

} // namespace zq
