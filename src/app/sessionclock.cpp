#include "sessionclock.h"

#include "app/window/dialogs.h"
#include "applogging.h"
#include "net/webclient.h"
#include "serviceaddresses.h"
#include "sessionaccount.h"
#include "softwareinfo.h"
#include "text/datetime.h"
#include "text/texthelpers.h"

#include <QTimer>

namespace zq {

namespace {

// This computer's time as a clock: the wall-clock value without its zone, to the second.
QDateTime localClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QTime time = now.time();
    return QDateTime(now.date(), QTime(time.hour(), time.minute(), time.second()), Qt::UTC);
}

// A clock the clock's form can write; anything else is no clock.
QDateTime writable(const QDateTime &clock)
{
    return formatClock(clock).isEmpty() ? QDateTime() : clock;
}

} // namespace

SessionClock::SessionClock(QTimer *startTimer, QTimer *countDown, Dialogs &dialogs, const ServiceAddresses &addresses,
                           const SessionAccount &session, WebClient &web, SoftwareInfo &softwareInfo,
                           QString timeSourceUrl, qint16 reportPeriod, QObject *parent)
    : QObject(parent), m_startTimer(startTimer), m_countDown(countDown), m_dialogs(dialogs), m_addresses(addresses),
      m_session(session), m_web(web), m_softwareInfo(softwareInfo), m_timeSourceUrl(std::move(timeSourceUrl)),
      m_reportPeriodSetting(reportPeriod)
{}

QString SessionClock::clockText() const
{
    return formatClock(m_clock);
}

QString SessionClock::nextReportText() const
{
    return formatClock(m_nextReport);
}

void SessionClock::onStartTimer()
{
    m_startTimer->stop();
    Q_EMIT planPageDue();
    m_period = m_reportPeriodSetting;
    synchroniseClock();
}

void SessionClock::synchroniseClock()
{
    readClock(false);
}

void SessionClock::readClock(bool forReport)
{
    // The window keeps working while the time source answers; it gives up after its deadline.
    m_web.getResponseHeaders(m_timeSourceUrl, this, [this, forReport](const QString &headers) {
        applyReading(headers);
        if (forReport)
            m_report = Report::None;
        Q_EMIT clockRead();
    });
}

void SessionClock::applyReading(const QString &headers)
{
    QDateTime read;
    if (!headers.isEmpty())
        read = parseClock(readDateHeader(headers)).value_or(QDateTime());
    // A date so near the end of the year 9999 that the next report's time cannot be written
    // would leave that report due never: it counts as no date.
    if (read.isValid() && !writable(read.addSecs(m_period)).isValid()) {
        qCInfo(lcApp) << "time source's date leaves no time for the next report:" << formatClock(read);
        read = QDateTime();
    }
    if (read.isValid()) {
        m_clock = read;
    } else {
        if (headers.isEmpty())
            qCInfo(lcApp) << "time source gave no complete answer";
        // A clock that already runs keeps counting; without one, this computer's time stands in
        // until a later read sets it right. Either way the next report is due a whole period
        // from now: a report left due would run again on every tick while the source is away.
        if (!m_clock.isValid() || !headers.isEmpty())
            m_clock = localClock();
    }
    m_nextReport = writable(m_clock.addSecs(m_period));
}

void SessionClock::onCountDownTick()
{
    if (m_clock.isValid()) {
        const QDateTime advanced = writable(m_clock.addSecs(1));
        if (advanced.isValid())
            m_clock = advanced;
        // Ticks go on while a report waits for its answers; they start no other.
        if (m_nextReport.isValid() && m_nextReport <= m_clock && !reporting())
            sendOnlineReport();
    }
    Q_EMIT ticked();
}

void SessionClock::sendOnlineReport()
{
    if (reporting())
        return;
    m_report = Report::Sending;
    m_web.getWebContent(m_addresses.online(m_session), this,
                        [this](const QString &answer) { reportAnswered(trimSpaces(answer)); });
}

void SessionClock::reportAnswered(const QString &answer)
{
    if (answer.contains(QStringLiteral("kick"))) {
        // The session has ended: the report stays in flight for good, and no tick comes any more.
        m_countDown->stop();
        m_dialogs.information(QStringLiteral("您已经被踢下线，您的栖木账号在其它软件中重复登录！"));
        Q_EMIT kicked();
        return;
    }
    m_report = Report::Refreshing;
    connect(
        &m_softwareInfo, &SoftwareInfo::refreshed, this,
        [this] {
            // Signed in or not: the page the start timer could not open, once an address has come.
            Q_EMIT reportRefreshed();
            m_report = Report::ReadingClock;
            readClock(true);
        },
        Qt::SingleShotConnection);
    m_softwareInfo.refresh();
}

} // namespace zq
