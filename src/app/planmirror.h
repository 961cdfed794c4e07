#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

class QPlainTextEdit;

namespace zq {

class PlanPage;

// outplan's copy of the betting period and numbers that the plan page shows, refreshed on
// every count-down tick.
class PlanMirror final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlanMirror)

public:
    explicit PlanMirror(QPlainTextEdit *outplan, QObject *parent = nullptr);

    // The page to read; none until start-up has reached the browser.
    void setPage(PlanPage *page);

    // The text for a period and numbers as read from the page; an empty period stands in
    // as "0001-9999期:", and the numbers keep only digits, white space, "*" and ",".
    static QString outplanText(const QString &tzIss, const QString &tzNums);

public Q_SLOTS:
    // Asks the page for the first 4,096 characters of tzIss and tzNums; the answer lands in
    // outplan later. A page that has not answered the last question gets no second one for a
    // while.
    void refresh();

private:
    void show(const QString &text);

    QPointer<QPlainTextEdit> m_outplan;
    QPointer<PlanPage> m_page;
    bool m_pending = false;
    QElapsedTimer m_askedAt;
    QString m_shown;   // the text last set
    QString m_shownAs; // the box's text right after
};

} // namespace zq
