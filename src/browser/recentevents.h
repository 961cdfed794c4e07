#pragma once

#include <QElapsedTimer>
#include <QList>

#include <chrono>

namespace zq {

// How many events came within the last `span`, on the monotonic clock: the rates a page is
// held to. Keeps one time per event within the span, so it suits limits of a few dozen.
class RecentEvents final
{
public:
    explicit RecentEvents(std::chrono::milliseconds span);
    Q_DISABLE_COPY_MOVE(RecentEvents)

    // Counts one event now; gives the number within the span, this one included.
    int add();
    // The number within the span now.
    int count();
    void clear() { m_times.clear(); }

private:
    qint64 forgetOld();

    const qint64 m_spanMs;
    QElapsedTimer m_clock;
    QList<qint64> m_times; // oldest first
};

} // namespace zq
