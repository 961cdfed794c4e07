#include "recoveringplanpage.h"

#include "browserlogging.h"

namespace zq {

RecoveringPlanPage::RecoveringPlanPage(std::unique_ptr<PlanPage> page) : RecoveringPlanPage(std::move(page), Schedule())
{}

RecoveringPlanPage::RecoveringPlanPage(std::unique_ptr<PlanPage> page, const Schedule &schedule)
    : PlanPage(nullptr), m_page(page.release()), m_schedule(schedule)
{
    m_timer.setSingleShot(true);
    // Waits of seconds and minutes: a coarse timer could end one a few percent early, and the
    // steps are the most the page may be asked.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RecoveringPlanPage::reload);
    if (m_page) {
        connect(m_page, &PlanPage::loadFinished, this, &RecoveringPlanPage::onLoadFinished);
        connect(m_page, &PlanPage::pageLost, this, &RecoveringPlanPage::onPageLost);
    }
}

RecoveringPlanPage::~RecoveringPlanPage()
{
    // The page may be a child of a widget that went first; the pointer knows.
    delete m_page.data();
}

QWidget *RecoveringPlanPage::widget()
{
    return m_page ? m_page->widget() : nullptr;
}

void RecoveringPlanPage::navigate(const QString &url)
{
    m_address = url;
    m_timer.stop();
    m_down = false;
    m_reloads = 0;
    if (m_page)
        m_page->navigate(url);
}

void RecoveringPlanPage::readGlobalsUpTo(const QStringList &names, qsizetype maxLength, QObject *context,
                                         GlobalsCallback done)
{
    if (!done)
        return;
    if (!m_page) {
        const QPointer<QObject> contextGuard(context);
        const bool hasContext = context != nullptr;
        const qsizetype count = names.size();
        QTimer::singleShot(0, this, [contextGuard, hasContext, count, done = std::move(done)] {
            if (!hasContext || contextGuard)
                done(QStringList(count));
        });
        return;
    }
    // Still asked while down, so that an engine can tell a page that has stopped answering; the
    // texts of an error page, or of a page that went down meanwhile, are not the plan page's.
    const bool downWhenAsked = m_down;
    const QPointer<RecoveringPlanPage> self(this);
    m_page->readGlobalsUpTo(names, maxLength, context,
                            [self, downWhenAsked, done = std::move(done)](const QStringList &values) {
                                if (downWhenAsked || !self || self->m_down)
                                    done(QStringList(values.size()));
                                else
                                    done(values);
                            });
}

void RecoveringPlanPage::runScript(const QString &script)
{
    if (m_page)
        m_page->runScript(script);
}

void RecoveringPlanPage::setSilent(bool silent)
{
    if (m_page)
        m_page->setSilent(silent);
}

void RecoveringPlanPage::serviceAnswered()
{
    if (!m_down || m_address.isEmpty() || !m_page)
        return;
    // A reload that is out already is the one this would make.
    if (!m_timer.isActive() && m_reloads > 0)
        return;
    qCInfo(lcBrowser) << "the service answers again: reloading the plan page now";
    m_timer.start(0);
}

void RecoveringPlanPage::onLoadFinished(bool ok)
{
    if (ok) {
        if (m_down)
            qCInfo(lcBrowser) << "the plan page is back after" << m_reloads << "reloads";
        m_down = false;
        m_reloads = 0;
        m_timer.stop();
    } else {
        wentDown("its load failed");
    }
    Q_EMIT loadFinished(ok);
}

void RecoveringPlanPage::onPageLost()
{
    wentDown("the page was lost");
    Q_EMIT pageLost();
}

void RecoveringPlanPage::wentDown(const char *why)
{
    m_down = true;
    if (m_address.isEmpty())
        return;
    // The failure of a reload, or one more word of the failure that planned the next.
    if (m_timer.isActive())
        return;
    const std::chrono::milliseconds wait = m_schedule.delay(m_reloads);
    qCInfo(lcBrowser).nospace() << "plan page down (" << why << "), reloading it in "
                                << std::chrono::duration<double>(wait).count() << " s";
    m_timer.start(wait);
}

void RecoveringPlanPage::reload()
{
    if (!m_page || m_address.isEmpty())
        return;
    ++m_reloads;
    m_page->navigate(m_address);
}

} // namespace zq
