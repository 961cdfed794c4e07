// The stand-in service's plan page in a real browser engine: the globals and functions the
// client reads and calls must exist, hold texts of the expected forms, and move on by themselves.

#include "devservice.h"

#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>

using namespace Qt::StringLiterals;

class TestDevServicePage final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_service.start()); }

    void init() { QVERIFY(m_service.clear()); }

    void planPageGlobals()
    {
        QWebEnginePage page;
        QVERIFY(load(page, u"plan.php?u=demo&p=demo123"_s));

        const QString iss = evaluate(page, u"tzIss"_s);
        const QString nums = evaluate(page, u"tzNums"_s);
        const QString plan = evaluate(page, u"tzPlan"_s);
        QVERIFY2(QRegularExpression(u"^\\d{8}-\\d{4}期$"_s).match(iss).hasMatch(), qPrintable(iss));
        // Only what the client keeps of the numbers: digits, blanks, "*" and ",".
        QVERIFY2(QRegularExpression(u"^\\d\\d[\\d \\*,]*\\d$"_s).match(nums).hasMatch(), qPrintable(nums));
        QVERIFY(nums.contains(u'*') && nums.contains(u',') && nums.contains(u' '));
        QVERIFY2(plan.count(u'\n') >= 2, qPrintable(plan));

        // What the page shows matches what it hands the client.
        const QString shown = evaluate(page, u"document.body.innerText"_s);
        QVERIFY(shown.contains(nums));
        QVERIFY(shown.contains(iss));
        QVERIFY(shown.contains(u"demo"_s));

        // The period moves on every three seconds, and the numbers and plan with it.
        QTRY_VERIFY_WITH_TIMEOUT(evaluate(page, u"tzIss"_s) != iss, 10000);
        QVERIFY(evaluate(page, u"tzIss + tzNums + tzPlan"_s) != iss + nums + plan);
    }

    void copyFunctionsReportTheirCalls_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("counter");
        QTest::newRow("codesCopy") << u"codesCopy"_s << u"zqCodesCopyCalls"_s;
        QTest::newRow("planCopy") << u"planCopy"_s << u"zqPlanCopyCalls"_s;
    }

    void copyFunctionsReportTheirCalls()
    {
        QFETCH(QString, function);
        QFETCH(QString, counter);
        QWebEnginePage page;
        QVERIFY(load(page, u"plan.php?u=demo&p=demo123"_s));
        QCOMPARE(evaluate(page, u"String(window."_s + counter + u")"_s), u"0"_s);

        // Called the way the client calls it.
        for (int i = 1; i <= 2; ++i) {
            evaluate(page, u"(function(){zqMain."_s + function + u".call(this);})()"_s);
            QCOMPARE(evaluate(page, u"String(window."_s + counter + u")"_s), QString::number(i));
            QTRY_COMPARE(calls(function), i);
        }
        const QString other = function == u"codesCopy"_s ? u"planCopy"_s : u"codesCopy"_s;
        QCOMPARE(calls(other), 0);
    }

    void emptyPageHasNoGlobals()
    {
        QWebEnginePage page;
        QVERIFY(load(page, u"plan_empty.html"_s));
        QCOMPARE(evaluate(page, u"typeof tzIss + typeof tzNums + typeof tzPlan + typeof zqMain"_s),
                 u"undefinedundefinedundefinedundefined"_s);
        QVERIFY(!evaluate(page, u"document.body.innerText"_s).isEmpty());
    }

private:
    bool load(QWebEnginePage &page, const QString &pathAndQuery)
    {
        QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
        page.load(QUrl(m_service.baseUrl() + pathAndQuery));
        return loaded.wait(60000) && loaded.first().first().toBool();
    }
    // The script's value, as text; "<no answer>" when the engine gives none in time.
    QString evaluate(QWebEnginePage &page, const QString &script)
    {
        QString result = u"<no answer>"_s;
        bool answered = false;
        page.runJavaScript(script, [&](const QVariant &value) {
            result = value.toString();
            answered = true;
        });
        if (!QTest::qWaitFor([&] { return answered; }, 30000))
            qWarning("no answer from the page for %s", qPrintable(script));
        return result;
    }

    int calls(const QString &function) const
    {
        int count = 0;
        for (const QJsonObject &entry : m_service.log()) {
            if (entry.value(u"path"_s).toString() == u"/_test/called"_s &&
                entry.value(u"query"_s).toString() == u"fn="_s + function)
                ++count;
        }
        return count;
    }

    DevService m_service;
};

QTEST_MAIN(TestDevServicePage)
#include "tst_devservice_page.moc"
