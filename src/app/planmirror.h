#pragma once

#include <QElapsedTimer>
#include <QString>

class QPlainTextEdit;

namespace zq {

struct AppState;
struct Controls;

// outplan's copy of the betting period and numbers that the plan page shows, refreshed on
// every count-down tick.
class PlanMirror final
{
public:
    PlanMirror(const AppState &state, Controls &controls) : m_state(state), m_controls(controls) {}
    Q_DISABLE_COPY_MOVE(PlanMirror)

    // Asks the page for the first 4,096 characters of tzIss and tzNums; the answer lands in
    // outplan later. A page that has not answered the last question gets no second one for a
    // while.
    void refresh();

    // The text for a period and numbers as read from the page; an empty period stands in
    // as "0001-9999期:", and the numbers keep only digits, white space, "*" and ",".
    static QString outplanText(const QString &tzIss, const QString &tzNums);

private:
    void show(QPlainTextEdit *outplan, const QString &text);

    const AppState &m_state;
    Controls &m_controls;
    bool m_pending = false;
    QElapsedTimer m_askedAt;
    QString m_shown;   // the text last set
    QString m_shownAs; // the box's text right after
};

} // namespace zq
