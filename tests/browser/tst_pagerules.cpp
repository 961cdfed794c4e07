// The rules every engine's plan page follows, engine-free: the page that comes back by itself.
// Qt WebEngine's page is tested with them in tst_planpage.
#include "browser/recoveringplanpage.h"
#include "fakeplanpage.h"
#include "planpagereads.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <memory>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using namespace zq;

namespace {

// A page around a fake, whose first wait is none and whose later ones are an hour: a test sees
// a reload at once or not at all.
struct Recovering
{
    QWidget host;
    FakePlanPage *page = new FakePlanPage(&host);
    RecoveringPlanPage recovering{std::unique_ptr<PlanPage>(page), RecoveringPlanPage::Schedule{{0ms, 1h}, 1h}};
};

} // namespace

class TestPageRules final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recovery_data()
    {
        // open: the window's navigation (to /a, then /b); fail, lost, ok: what the page tells;
        // answered: the service answered; reload: the reload planned for now happens.
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("navigations");
        QTest::addColumn<bool>("down");
        QTest::addColumn<bool>("planned");

        QTest::newRow("a failed load reloads at once")
            << QStringList{u"open"_s, u"fail"_s, u"reload"_s} << QStringList{u"/a"_s, u"/a"_s} << true << false;
        QTest::newRow("a lost page reloads at once")
            << QStringList{u"open"_s, u"lost"_s, u"reload"_s} << QStringList{u"/a"_s, u"/a"_s} << true << false;
        QTest::newRow("one reload for a failure told twice")
            << QStringList{u"open"_s, u"fail"_s, u"lost"_s, u"reload"_s} << QStringList{u"/a"_s, u"/a"_s} << true
            << false;
        QTest::newRow("a failing reload waits for the next step")
            << QStringList{u"open"_s, u"fail"_s, u"reload"_s, u"fail"_s} << QStringList{u"/a"_s, u"/a"_s} << true
            << true;
        QTest::newRow("a good load ends it") << QStringList{u"open"_s, u"fail"_s, u"reload"_s, u"ok"_s}
                                             << QStringList{u"/a"_s, u"/a"_s} << false << false;
        QTest::newRow("nothing opened, nothing to reload") << QStringList{u"fail"_s} << QStringList{} << true << false;
        QTest::newRow("the service answering a page that is up changes nothing")
            << QStringList{u"open"_s, u"ok"_s, u"answered"_s} << QStringList{u"/a"_s} << false << false;
        QTest::newRow("the service answering cuts the wait short")
            << QStringList{u"open"_s, u"fail"_s, u"reload"_s, u"fail"_s, u"answered"_s, u"reload"_s}
            << QStringList{u"/a"_s, u"/a"_s, u"/a"_s} << true << false;
        QTest::newRow("the service answering while a reload is out adds none")
            << QStringList{u"open"_s, u"fail"_s, u"reload"_s, u"answered"_s} << QStringList{u"/a"_s, u"/a"_s} << true
            << false;
        QTest::newRow("the window's navigation is the address, and starts the waits anew")
            << QStringList{u"open"_s, u"fail"_s, u"reload"_s, u"fail"_s, u"open"_s, u"fail"_s, u"reload"_s}
            << QStringList{u"/a"_s, u"/a"_s, u"/b"_s, u"/b"_s} << true << false;
    }

    void recovery()
    {
        QFETCH(QStringList, events);
        QFETCH(QStringList, navigations);
        QFETCH(bool, down);
        QFETCH(bool, planned);

        Recovering r;
        QCOMPARE(r.recovering.widget(), r.page->widget());
        int opened = 0;
        for (const QString &event : events) {
            if (event == u"open") {
                r.recovering.navigate(opened++ == 0 ? u"/a"_s : u"/b"_s);
            } else if (event == u"fail") {
                Q_EMIT r.page->loadFinished(false);
            } else if (event == u"lost") {
                Q_EMIT r.page->pageLost();
            } else if (event == u"ok") {
                Q_EMIT r.page->loadFinished(true);
            } else if (event == u"answered") {
                r.recovering.serviceAnswered();
            } else if (event == u"reload") {
                const qsizetype before = r.page->navigations.size();
                QTRY_COMPARE(r.page->navigations.size(), before + 1);
            }
        }
        // Whatever else was due now has happened too.
        QCoreApplication::processEvents();
        QCOMPARE(r.page->navigations, navigations);
        QCOMPARE(r.recovering.isDown(), down);
        QCOMPARE(r.recovering.reloadPlanned(), planned);
    }

    void recovery_passesTheSignalsOn()
    {
        Recovering r;
        QSignalSpy loaded(&r.recovering, &PlanPage::loadFinished);
        QSignalSpy lost(&r.recovering, &PlanPage::pageLost);
        Q_EMIT r.page->loadFinished(false);
        Q_EMIT r.page->pageLost();
        Q_EMIT r.page->loadFinished(true);
        QCOMPARE(loaded.size(), 2);
        QCOMPARE(loaded.at(0).at(0).toBool(), false);
        QCOMPARE(loaded.at(1).at(0).toBool(), true);
        QCOMPARE(lost.size(), 1);
    }

    void readsWhileDown_answerEmpty()
    {
        Recovering r;
        r.page->globals = {{u"tzIss"_s, u"001"_s}, {u"tzNums"_s, u"1 2 3"_s}};
        r.recovering.navigate(u"/a"_s);
        QCOMPARE(readNow(r.recovering, {u"tzIss"_s, u"tzNums"_s}), (QStringList{u"001"_s, u"1 2 3"_s}));
        Q_EMIT r.page->pageLost();
        QCOMPARE(readNow(r.recovering, {u"tzIss"_s, u"tzNums"_s}), (QStringList{QString(), QString()}));
        // The page itself is still asked: an engine tells a hung page by the reads it leaves unanswered.
        const int reads = r.page->reads;
        QCOMPARE(readNow(r.recovering, {u"tzNums"_s}), QStringList{QString()});
        QCOMPARE(r.page->reads, reads + 1);
        Q_EMIT r.page->loadFinished(true);
        QCOMPARE(readNow(r.recovering, {u"tzNums"_s}), QStringList{u"1 2 3"_s});

        // Asked while up, answered after the page went down: not the plan page's texts either.
        QStringList values{u"<no answer>"_s};
        r.recovering.readGlobals({u"tzNums"_s}, this, [&](const QStringList &read) { values = read; });
        Q_EMIT r.page->loadFinished(false);
        QTRY_COMPARE(values, QStringList{QString()});
    }
};

QTEST_MAIN(TestPageRules)
#include "tst_pagerules.moc"
