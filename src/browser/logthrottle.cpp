#include "logthrottle.h"

namespace zq {

LogThrottle::LogThrottle(Sink leftOut, int linesPerWindow, std::chrono::milliseconds window)
    : m_sink(std::move(leftOut)), m_limit(linesPerWindow), m_window(window)
{
    m_flush.setSingleShot(true);
    QObject::connect(&m_flush, &QTimer::timeout, &m_flush, [this] { endWindow(); });
}

LogThrottle::~LogThrottle()
{
    // Told on the way out too, so that the count of a flood that ends with its page is not lost.
    if (m_leftOut > 0)
        endWindow();
}

bool LogThrottle::admit()
{
    // A window whose end the event loop has not had the time to tell yet ends here.
    if (m_windowStart.isValid() && m_windowStart.elapsed() >= m_window.count())
        endWindow();
    if (!m_windowStart.isValid()) {
        m_windowStart.start();
        m_lines = 0;
    }
    if (m_lines < m_limit) {
        ++m_lines;
        return true;
    }
    ++m_leftOut;
    if (!m_flush.isActive())
        m_flush.start(std::chrono::milliseconds(std::max<qint64>(0, m_window.count() - m_windowStart.elapsed())));
    return false;
}

void LogThrottle::endWindow()
{
    m_flush.stop();
    m_windowStart.invalidate();
    const qint64 leftOut = m_leftOut;
    m_leftOut = 0;
    if (leftOut > 0 && m_sink)
        m_sink(QStringLiteral("%1 more lines from the page not logged (at most %2 in %3 ms)")
                   .arg(leftOut)
                   .arg(m_limit)
                   .arg(m_window.count()));
}

} // namespace zq
