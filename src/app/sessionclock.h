#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

class QTimer;

namespace zq {

class Dialogs;
class ServiceAddresses;
class SoftwareInfo;
class WebClient;
struct SessionAccount;

// The account session's clock: the start timer, the once-a-second count-down, the network
// clock with the time its next online report is due, and the online report. It tells the
// window what happened by signals; the texts for the wire are those of the clock's form.
class SessionClock final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SessionClock)

public:
    // `startTimer` is delay_timer, `countDown` count_down; `reportPeriod` the seconds from a
    // clock reading to the next online report that the start timer sets.
    SessionClock(QTimer *startTimer, QTimer *countDown, Dialogs &dialogs, const ServiceAddresses &addresses,
                 const SessionAccount &session, WebClient &web, SoftwareInfo &softwareInfo, QString timeSourceUrl,
                 qint16 reportPeriod, QObject *parent = nullptr);

    // The network clock in UTC+8, without a zone; invalid until the first reading.
    QDateTime clock() const { return m_clock; }
    // The clock value at which the next online report is due; invalid until the first reading.
    QDateTime nextReportDue() const { return m_nextReport; }
    void setNextReportDue(const QDateTime &due) { m_nextReport = due; }
    // clock_text and next_report_text: "yyyy-mm-dd hh:mm:ss", empty while unset.
    QString clockText() const;
    QString nextReportText() const;
    // report_period: 0 until the start timer has fired.
    qint16 reportPeriod() const { return m_period; }

    // From the tick that finds the report due until its clock reading has answered: the report,
    // then the software information, then the clock. Ticks meanwhile start no other.
    bool reporting() const { return m_report != Report::None; }

public Q_SLOTS:
    void onStartTimer();
    void onCountDownTick();
    void synchroniseClock();
    void sendOnlineReport();

Q_SIGNALS:
    // The start timer fired: the plan page is due, in place of the start-up notice.
    void planPageDue();
    // A tick moved the clock (or found none): the window mirrors the plan page now.
    void ticked();
    // An online report that did not end the session has had the software information read
    // anew, answered or not; the clock is read next.
    void reportRefreshed();
    // A clock reading ended: the clock and the next report's time are set from it.
    void clockRead();
    // The service answered the report with "kick" and its message has been shown: the program ends.
    void kicked();

private:
    enum class Report
    {
        None,
        Sending,     // the online request is out
        Refreshing,  // answered; the software information is being read anew
        ReadingClock // then the clock
    };

    void readClock(bool forReport);
    void applyReading(const QString &headers);
    void reportAnswered(const QString &answer);

    QTimer *m_startTimer;
    QTimer *m_countDown;
    Dialogs &m_dialogs;
    const ServiceAddresses &m_addresses;
    const SessionAccount &m_session;
    WebClient &m_web;
    SoftwareInfo &m_softwareInfo;
    QString m_timeSourceUrl;
    qint16 m_reportPeriodSetting; // what the start timer sets report_period to
    qint16 m_period = 0;          // report_period
    QDateTime m_clock;
    QDateTime m_nextReport;
    Report m_report = Report::None;
};

} // namespace zq
