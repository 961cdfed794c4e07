#include "sessionclock.h"

#include "applogging.h"
#include "appstate.h"
#include "clickablelabel.h"
#include "controls.h"
#include "dialogs.h"
#include "net/webclient.h"
#include "serviceaddresses.h"
#include "text/datetime.h"
#include "texthelpers.h"

#include <QDateTime>
#include <QTimer>

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
                           tarel_tools::WebClient &web, QString timeSourceUrl, Actions actions, qint16 reportPeriod)
    : m_state(state), m_controls(controls), m_dialogs(dialogs), m_addresses(addresses), m_web(web),
      m_timeSourceUrl(std::move(timeSourceUrl)), m_actions(std::move(actions)), m_reportPeriod(reportPeriod)
{}

void SessionClock::delay_timer_Timer()
{
    m_controls.delay_timer->stop();
    if (m_actions.openPlanPage)
        m_actions.openPlanPage();
    m_controls.zq_main_web->show();
    if (ClickableLabel *notice = m_controls.tipsLabel(TipsLabel::StartUpNotice))
        notice->hide();
    m_state.report_period = m_reportPeriod;
    synchroniseClock();
}

void SessionClock::synchroniseClock()
{
    // The window keeps working while the time source answers, and gives up after its deadline.
    const QString headers = m_web.getResponseHeaders(m_timeSourceUrl);
    if (m_web.stopped())
        return;
    const QString read = headers.isEmpty() ? QString() : tarel_tools::readDateHeader(headers);
    if (!read.isEmpty()) {
        m_state.clock_text = read;
    } else {
        if (headers.isEmpty())
            qCInfo(lcApp) << "time source gave no complete answer";
        // A clock that already runs keeps counting; without one, this computer's time stands in
        // until a later read sets it right. Either way the next report is due a whole period
        // from now: a report left due would run again on every tick while the source is away.
        if (m_state.clock_text.isEmpty() || !headers.isEmpty())
            m_state.clock_text = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    m_state.next_report_text = tarel_tools::addSecondsToClock(m_state.clock_text, m_state.report_period);
}

void SessionClock::count_down_Timer()
{
    if (!m_state.clock_text.isEmpty()) {
        const QString advanced = tarel_tools::addSecondsToClock(m_state.clock_text, 1);
        if (!advanced.isEmpty())
            m_state.clock_text = advanced;
        if (!m_state.next_report_text.isEmpty()) {
            const auto due = tarel_tools::secondsBetween(m_state.next_report_text, m_state.clock_text);
            if (due && *due >= 0)
                onlineReport();
        }
    }
    if (m_actions.mirrorPlanPage)
        m_actions.mirrorPlanPage();
}

void SessionClock::onlineReport()
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
        m_controls.count_down->stop();
        m_dialogs.information(QStringLiteral("您已经被踢下线，您的栖木账号在其它软件中重复登录！"));
        if (m_actions.unloadWindow)
            m_actions.unloadWindow();
        return;
    }
    if (m_actions.initVar)
        m_actions.initVar();
    synchroniseClock();
}
