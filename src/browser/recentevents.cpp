#include "recentevents.h"

namespace zq {

RecentEvents::RecentEvents(std::chrono::milliseconds span) : m_spanMs(span.count())
{
    m_clock.start();
}

qint64 RecentEvents::forgetOld()
{
    const qint64 now = m_clock.elapsed();
    qsizetype old = 0;
    while (old < m_times.size() && now - m_times.at(old) >= m_spanMs)
        ++old;
    m_times.remove(0, old);
    return now;
}

int RecentEvents::add()
{
    m_times.append(forgetOld());
    return int(m_times.size());
}

int RecentEvents::count()
{
    forgetOld();
    return int(m_times.size());
}

} // namespace zq
