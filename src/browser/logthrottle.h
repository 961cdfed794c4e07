#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>

namespace zq {

// Holds what a page makes the program log (its console, the dialogs answered for it) to a few
// lines in each window of time: a page in a loop would otherwise fill the log as fast as it
// runs. The lines past the limit are counted, and at the end of their window one line says
// how many were left out. Engine-free: each page, on each engine, has one.
//
//     if (lcBrowser().isDebugEnabled() && m_throttle.admit())
//         qCDebug(lcBrowser) << ...;
class LogThrottle final
{
public:
    // Gets the line that counts what was left out, to write where the admitted lines go.
    using Sink = std::function<void(const QString &line)>;

    static constexpr int defaultLines = 5;
    static constexpr std::chrono::milliseconds defaultWindow = std::chrono::seconds(1);

    explicit LogThrottle(Sink leftOut, int linesPerWindow = defaultLines,
                         std::chrono::milliseconds window = defaultWindow);
    ~LogThrottle();
    Q_DISABLE_COPY_MOVE(LogThrottle)

    // Whether a line may be written now; when not, it is counted instead.
    bool admit();

    // Lines left out in the current window, not yet told.
    qint64 pending() const { return m_leftOut; }

private:
    void endWindow();

    Sink m_sink;
    const int m_limit;
    const std::chrono::milliseconds m_window;
    QElapsedTimer m_windowStart;
    int m_lines = 0;
    qint64 m_leftOut = 0;
    QTimer m_flush;
};

} // namespace zq
