#pragma once

#include "recentevents.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>

namespace zq {

// Decides whether a new window that a page asks for (window.open, a link to another window)
// may open in the default browser: only one that the user started, by a click or a key in
// the page a few seconds before, and no more than a few a minute. A page opening windows in
// a loop would otherwise start the default browser as fast as it runs. The refused requests
// are counted and told in one line, not one line each. Engine-free: each engine's page feeds
// it its own word for "the user started this" and, where it sees them, the user's clicks.
class NewWindowGate final
{
public:
    struct Rules
    {
        // How long after the user's click or key press in the page a window may still open.
        std::chrono::milliseconds afterUserAction{std::chrono::seconds(5)};
        // At most this many windows within `period`.
        int perPeriod = 3;
        std::chrono::milliseconds period{std::chrono::minutes(1)};
        // The refused requests are told this long after the first one that was not told yet.
        std::chrono::milliseconds reportAfter{std::chrono::seconds(10)};
        // Whether the page's widget tells the gate of the user's clicks and keys
        // (noteUserAction). A page that cannot see them (a control that keeps its input to
        // itself) switches this off and relies on the engine's word alone.
        bool seesUserActions = true;
    };

    // Gets the line that counts the refused requests.
    using Sink = std::function<void(const QString &line)>;

    explicit NewWindowGate(Sink report);
    NewWindowGate(Sink report, const Rules &rules);
    ~NewWindowGate();
    Q_DISABLE_COPY_MOVE(NewWindowGate)

    // The user pressed a mouse button or a key in the page.
    void noteUserAction();

    // Whether the window may open now. `userInitiated` is the engine's own word that a user's
    // action started the request (QWebEngineNewWindowRequest::isUserInitiated, NWMF_USERINITED
    // of the browser control). A window let through counts against the rate; a refused one is
    // counted for the report.
    bool admit(bool userInitiated);

    // Requests refused since the gate was made.
    qint64 refused() const { return m_refusedTotal; }

private:
    void report();

    Sink m_sink;
    const Rules m_rules;
    QElapsedTimer m_sinceUserAction;
    RecentEvents m_opened;
    qint64 m_refusedTotal = 0;
    qint64 m_refusedUntold = 0;
    QTimer m_reportTimer;
};

} // namespace zq
