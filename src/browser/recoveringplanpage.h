#pragma once

#include "planpage.h"

#include <QList>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <memory>

namespace zq {

// The plan page that comes back by itself: it wraps an engine's page, remembers the address
// the window last opened, and reloads it when the load failed (loadFinished(false)) or the
// page was lost (pageLost): at once the first time, then after longer and longer waits while
// it keeps failing, and at once when the service answers again (serviceAnswered). One reload
// per step and no more: failures that come together wait for the one reload already planned.
// While the page is down every read answers empty texts. Engine-free, so that the pages of
// every engine come back alike; the program puts one around the page of its build.
class RecoveringPlanPage final : public PlanPage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecoveringPlanPage)

public:
    // The waits before the reloads while the page keeps failing: `first` in turn, then
    // `thenEvery` for as long as it takes.
    struct Schedule
    {
        QList<std::chrono::milliseconds> first{std::chrono::seconds(0), std::chrono::seconds(5),
                                               std::chrono::seconds(15), std::chrono::seconds(30),
                                               std::chrono::seconds(60)};
        std::chrono::milliseconds thenEvery{std::chrono::minutes(5)};

        // The wait before the reload that follows `reloadsSoFar` reloads.
        std::chrono::milliseconds delay(int reloadsSoFar) const
        {
            return reloadsSoFar < first.size() ? first.at(reloadsSoFar) : thenEvery;
        }
    };

    // Takes the page over; its widget is this page's widget.
    explicit RecoveringPlanPage(std::unique_ptr<PlanPage> page);
    RecoveringPlanPage(std::unique_ptr<PlanPage> page, const Schedule &schedule);
    ~RecoveringPlanPage() override;

    QWidget *widget() override;
    // The window's own navigation: the address to come back to from now on, and a fresh start
    // of the waits.
    void navigate(const QString &url) override;
    void readGlobalsUpTo(const QStringList &names, qsizetype maxLength, QObject *context,
                         GlobalsCallback done) override;
    void runScript(const QString &script) override;
    void setSilent(bool silent) override;
    // A page that is down reloads at once (and that reload counts as the next step).
    void serviceAnswered() override;

    // Down: the last load failed or the page was lost, and no load has succeeded since.
    bool isDown() const { return m_down; }
    // Reloads made since the page last went down from a good state or the window navigated.
    int reloads() const { return m_reloads; }
    // Whether a reload is planned and waiting for its time.
    bool reloadPlanned() const { return m_timer.isActive(); }
    PlanPage *page() const { return m_page; }

private:
    void onLoadFinished(bool ok);
    void onPageLost();
    void wentDown(const char *why);
    void reload();

    QPointer<PlanPage> m_page;
    const Schedule m_schedule;
    QString m_address;
    QTimer m_timer;
    bool m_down = false;
    int m_reloads = 0;
};

} // namespace zq
