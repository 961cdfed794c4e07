#include "sessionclock.h"

#include "app/window/applogging.h"
#include "app/window/clickablelabel.h"
#include "app/window/controls.h"
#include "app/window/dialogs.h"
#include "appstate.h"
#include "net/webclient.h"
#include "serviceaddresses.h"
#include "text/datetime.h"
#include "texthelpers.h"

#include <QDateTime>
#include <QTimer>

namespace zq {

namespace {

// Clears a flag when the scope ends, also on an early return.
class FlagGuard final
{
public:
    explicit FlagGuard(bool &flag) : m_flag(flag) { m_flag = true; }
    ~FlagGuard() { m_flag = false; }
    Q_DISABLE_COPY_MOVE(FlagGuard)

private:
    bool &m_flag;
};

} // namespace

SessionClock::SessionClock(AppState &state, Controls &controls, Dialogs &dialogs, const ServiceAddresses &addresses,
                           WebClient &web, QString timeSourceUrl, Actions actions, qint16 reportPeriod)
    : m_state(state), m_controls(controls), m_dialogs(dialogs), m_addresses(addresses), m_web(web),
      m_timeSourceUrl(std::move(timeSourceUrl)), m_actions(std::move(actions)), m_reportPeriod(reportPeriod)
{}

void SessionClock::onStartTimer()
{
    m_controls.startTimer->stop();
    // Without the software information there is no page to show: an empty browser would hide
    // the notice that says the start failed. The page waits for a refresh that brings its address.
    if (m_state.planPageUrl.isEmpty())
        m_planPageWaiting = true;
    else
        showPlanPage();
    m_state.reportPeriod = m_reportPeriod;
    synchroniseClock();
}

void SessionClock::showPlanPage()
{
    if (m_actions.openPlanPage)
        m_actions.openPlanPage();
    showBrowser();
}

void SessionClock::showBrowser()
{
    m_planPageWaiting = false;
    m_controls.browser->show();
    if (ClickableLabel *notice = m_controls.tipsLabel(TipsLabel::StartUpNotice))
        notice->hide();
}

void SessionClock::planPageOpened()
{
    if (m_planPageWaiting && !m_state.planPageUrl.isEmpty())
        showBrowser();
}

void SessionClock::synchroniseClock()
{
    // The window keeps working while the time source answers, and gives up after its deadline.
    const QString headers = m_web.getResponseHeaders(m_timeSourceUrl);
    if (m_web.stopped())
        return;
    QString read = headers.isEmpty() ? QString() : readDateHeader(headers);
    // A date so near the end of the year 9999 that the next report's time cannot be written
    // would leave that report due never: it counts as no date.
    if (!read.isEmpty() && addSecondsToClock(read, m_state.reportPeriod).isEmpty()) {
        qCInfo(lcApp) << "time source's date leaves no time for the next report:" << read;
        read.clear();
    }
    if (!read.isEmpty()) {
        m_state.clockText = read;
    } else {
        if (headers.isEmpty())
            qCInfo(lcApp) << "time source gave no complete answer";
        // A clock that already runs keeps counting; without one, this computer's time stands in
        // until a later read sets it right. Either way the next report is due a whole period
        // from now: a report left due would run again on every tick while the source is away.
        if (m_state.clockText.isEmpty() || !headers.isEmpty())
            m_state.clockText = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    m_state.nextReportText = addSecondsToClock(m_state.clockText, m_state.reportPeriod);
}

void SessionClock::onCountDownTick()
{
    if (!m_state.clockText.isEmpty()) {
        const QString advanced = addSecondsToClock(m_state.clockText, 1);
        if (!advanced.isEmpty())
            m_state.clockText = advanced;
        if (!m_state.nextReportText.isEmpty()) {
            const auto due = secondsBetween(m_state.nextReportText, m_state.clockText);
            if (due && *due >= 0)
                sendOnlineReport();
        }
    }
    if (m_actions.mirrorPlanPage)
        m_actions.mirrorPlanPage();
}

void SessionClock::sendOnlineReport()
{
    // Ticks go on while the report waits for its answer; they must not start another.
    if (m_reportRunning)
        return;
    FlagGuard running(m_reportRunning);

    const QString answer = trimSpaces(m_web.getWebContent(m_addresses.online()));
    // The program ended while the report waited: nothing more may be sent.
    if (m_web.stopped())
        return;
    if (answer.contains(QStringLiteral("kick"))) {
        m_controls.countDown->stop();
        m_dialogs.information(QStringLiteral("您已经被踢下线，您的栖木账号在其它软件中重复登录！"));
        if (m_actions.unloadWindow)
            m_actions.unloadWindow();
        return;
    }
    if (m_actions.refreshSoftwareInfo)
        m_actions.refreshSoftwareInfo();
    // Signed in or not: the page the start timer could not open, once an address has come.
    if (m_planPageWaiting && !m_state.planPageUrl.isEmpty())
        showPlanPage();
    synchroniseClock();
}

} // namespace zq
