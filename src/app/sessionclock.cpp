#include "sessionclock.h"

#include "appstate.h"
#include "clickablelabel.h"
#include "controls.h"
#include "datetime.h"
#include "dialogs.h"
#include "jsontext.h"
#include "loginflow.h"
#include "planmirror.h"
#include "planpage.h"
#include "texthelpers.h"
#include "webclient.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QTimer>

Q_LOGGING_CATEGORY(lcSession, "zq.session")

namespace {

constexpr qint64 kMirrorAnswerPatienceMs = 5000;

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

SessionClock::SessionClock(AppState &state, Controls &controls, Dialogs &dialogs, tarel_tools::WebClient &web,
                           LoginFlow &login, QString timeSourceUrl, Actions actions)
    : m_state(state), m_controls(controls), m_dialogs(dialogs), m_web(web), m_login(login),
      m_timeSourceUrl(std::move(timeSourceUrl)), m_actions(std::move(actions))
{
}

void SessionClock::delay_timer_Timer()
{
    m_controls.delay_timer->stop();
    m_login.openPlanPage();
    m_controls.zq_main_web->show();
    if (ClickableLabel *notice = m_controls.tipsLabel(0))
        notice->hide();
    m_state.report_period = 600;
    synchroniseClock();
}

void SessionClock::synchroniseClock()
{
    // The window keeps working while the time source answers, and gives up after its deadline.
    const QString headers = m_web.getResponseHeaders(m_timeSourceUrl);
    if (headers.isEmpty()) {
        qCInfo(lcSession) << "time source gave no complete answer; clock unchanged";
        return;
    }
    QString clock = tarel_tools::readDateHeader(headers);
    if (clock.isEmpty()) {
        // An answer without a readable date sets the clock from this computer instead.
        clock = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    m_state.clock_text = clock;
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
    mirrorPlanPage();
}

void SessionClock::mirrorPlanPage()
{
    if (!m_controls.outplan)
        return;
    if (!m_state.web_ctl) {
        // No page to read yet (start-up has not reached the browser): nothing to copy.
        m_controls.outplan->setPlainText(PlanMirror::noNumbersText());
        return;
    }
    if (m_mirrorPending && m_mirrorAskedAt.isValid() && m_mirrorAskedAt.elapsed() < kMirrorAnswerPatienceMs)
        return;
    m_mirrorPending = true;
    m_mirrorAskedAt.start();
    QPointer<QPlainTextEdit> outplan = m_controls.outplan;
    m_state.web_ctl->readGlobals({QStringLiteral("tzIss"), QStringLiteral("tzNums")}, outplan,
                                 [this, outplan](const QStringList &values) {
                                     m_mirrorPending = false;
                                     if (!outplan)
                                         return;
                                     const QString text = PlanMirror::outplanText(values.value(0), values.value(1));
                                     // QPlainTextEdit keeps its lines with "\n"; the CR LF form is
                                     // what the text means, and what a copy out of the box gives.
                                     const QString shown = QString(text).replace(QStringLiteral("\r\n"),
                                                                                  QStringLiteral("\n"));
                                     if (outplan->toPlainText() != shown)
                                         outplan->setPlainText(shown);
                                 });
}

QString SessionClock::onlineAddress() const
{
    QString url = m_state.online_url;
    url.replace(QStringLiteral("{ACC}"), tarel_tools::urlEncode(m_state.cur_account));
    url.replace(QStringLiteral("{CON}"), m_state.machine_hash);
    url.replace(QStringLiteral("{MAC}"), m_state.machine_mac);
    url.replace(QStringLiteral("{TIME}"), tarel_tools::getTimeStamp(1));
    url.replace(QStringLiteral("{VER}"), m_state.version_tag());
    return url;
}

void SessionClock::onlineReport()
{
    // Ticks go on while the report waits for its answer; they must not start another.
    if (m_reportRunning)
        return;
    FlagGuard running(m_reportRunning);

    const QString answer = trimSpaces(m_web.getWebContent(onlineAddress()));
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
