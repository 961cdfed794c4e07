#include "newwindowgate.h"

namespace zq {

NewWindowGate::NewWindowGate(Sink report) : NewWindowGate(std::move(report), Rules()) {}

NewWindowGate::NewWindowGate(Sink report, const Rules &rules)
    : m_sink(std::move(report)), m_rules(rules), m_opened(rules.period)
{
    m_reportTimer.setSingleShot(true);
    QObject::connect(&m_reportTimer, &QTimer::timeout, &m_reportTimer, [this] { NewWindowGate::report(); });
}

NewWindowGate::~NewWindowGate()
{
    if (m_refusedUntold > 0)
        report();
}

void NewWindowGate::noteUserAction()
{
    m_sinceUserAction.start();
}

bool NewWindowGate::admit(bool userInitiated)
{
    const bool afterUserAction =
        !m_rules.seesUserActions ||
        (m_sinceUserAction.isValid() && m_sinceUserAction.elapsed() < m_rules.afterUserAction.count());
    if (userInitiated && afterUserAction && m_opened.count() < m_rules.perPeriod) {
        m_opened.add();
        return true;
    }
    ++m_refusedTotal;
    if (m_refusedUntold++ == 0)
        m_reportTimer.start(m_rules.reportAfter);
    return false;
}

void NewWindowGate::report()
{
    m_reportTimer.stop();
    const qint64 refused = m_refusedUntold;
    m_refusedUntold = 0;
    if (refused > 0 && m_sink)
        m_sink(QStringLiteral("refused %1 new windows the page asked for: not started by a click in the page in the "
                              "%2 s before, or past %3 in %4 s")
                   .arg(refused)
                   .arg(std::chrono::duration<double>(m_rules.afterUserAction).count())
                   .arg(m_rules.perPeriod)
                   .arg(std::chrono::duration<double>(m_rules.period).count()));
}

} // namespace zq
