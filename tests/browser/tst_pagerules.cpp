// The rules every engine's plan page follows, engine-free: the page that comes back by itself,
// the gate for new windows and the throttle of what a page logs. Qt WebEngine's page is tested
// with them in tst_planpage.
#include "browser/logthrottle.h"
#include "browser/newwindowgate.h"
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

    void newWindowGate_data()
    {
        // click: the page's widget saw a click; open, open-by-script: a request the engine calls
        // user-initiated, or not.
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<int>("afterClickMs");
        QTest::addColumn<bool>("seesUserActions");
        QTest::addColumn<QList<bool>>("admitted");

        QTest::newRow("no click") << QStringList{u"open"_s} << 5000 << true << QList<bool>{false};
        QTest::newRow("a click, and the engine says so")
            << QStringList{u"click"_s, u"open"_s} << 5000 << true << QList<bool>{true};
        QTest::newRow("a click, but the engine says the script opened it")
            << QStringList{u"click"_s, u"open-by-script"_s} << 5000 << true << QList<bool>{false};
        QTest::newRow("the click too long ago")
            << QStringList{u"click"_s, u"open"_s} << 0 << true << QList<bool>{false};
        QTest::newRow("three a minute") << QStringList{u"click"_s, u"open"_s,  u"open"_s, u"open"_s,
                                                       u"open"_s,  u"click"_s, u"open"_s}
                                        << 5000 << true << QList<bool>{true, true, true, false, false};
        QTest::newRow("a page that sees no clicks goes by the engine's word")
            << QStringList{u"open"_s, u"open-by-script"_s} << 5000 << false << QList<bool>{true, false};
    }

    void newWindowGate()
    {
        QFETCH(QStringList, events);
        QFETCH(int, afterClickMs);
        QFETCH(bool, seesUserActions);
        QFETCH(QList<bool>, admitted);

        NewWindowGate::Rules rules;
        rules.afterUserAction = std::chrono::milliseconds(afterClickMs);
        rules.seesUserActions = seesUserActions;
        rules.reportAfter = 10ms;
        QStringList lines;
        NewWindowGate gate([&](const QString &line) { lines.append(line); }, rules);
        QList<bool> answers;
        for (const QString &event : events) {
            if (event == u"click")
                gate.noteUserAction();
            else
                answers.append(gate.admit(event == u"open"));
        }
        QCOMPARE(answers, admitted);
        const qint64 refused = admitted.count(false);
        QCOMPARE(gate.refused(), refused);
        if (refused == 0) {
            QCOMPARE(lines, QStringList{});
            return;
        }
        // All of them in one line, told once.
        QTRY_COMPARE(lines.size(), 1);
        QVERIFY2(lines.at(0).startsWith(u"refused %1 new windows"_s.arg(refused)), qPrintable(lines.at(0)));
    }

    void newWindowGate_tellsWhatIsLeftWhenItGoes()
    {
        QStringList lines;
        {
            NewWindowGate gate([&](const QString &line) { lines.append(line); });
            for (int i = 0; i < 1000; ++i)
                gate.admit(false);
        }
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.at(0).startsWith(u"refused 1000 new windows"_s), qPrintable(lines.at(0)));
    }

    void logThrottle_fewLinesAWindowThenTheCount()
    {
        QStringList lines;
        LogThrottle throttle([&](const QString &line) { lines.append(line); }, 3, 50ms);
        int admitted = 0;
        for (int i = 0; i < 1000; ++i)
            admitted += throttle.admit() ? 1 : 0;
        QCOMPARE(admitted, 3);
        QCOMPARE(throttle.pending(), 997);
        QVERIFY(lines.isEmpty());
        // The count comes when the window ends, whether the page says more or not.
        QTRY_COMPARE(lines.size(), 1);
        QVERIFY2(lines.at(0).startsWith(u"997 more lines"_s), qPrintable(lines.at(0)));
        QVERIFY(throttle.admit());
    }

    void logThrottle_quietPageLosesNothing()
    {
        QStringList lines;
        {
            LogThrottle throttle([&](const QString &line) { lines.append(line); }, 3, 1h);
            QVERIFY(throttle.admit());
            QVERIFY(throttle.admit());
            QVERIFY(throttle.admit());
            QVERIFY(!throttle.admit());
        }
        // Told when the throttle goes, not lost with it.
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.at(0).startsWith(u"1 more lines"_s), qPrintable(lines.at(0)));
    }
};

QTEST_MAIN(TestPageRules)
#include "tst_pagerules.moc"
