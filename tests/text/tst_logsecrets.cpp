// The passwords kept out of the log: where they stand and how they are written.
#include "text/logsecrets.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace zq;

namespace {

QStringList captured;

void capture(QtMsgType, const QMessageLogContext &, const QString &message)
{
    captured.append(message);
}

} // namespace

class TestLogSecrets final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scrub_data()
    {
        QTest::addColumn<QStringList>("secrets");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");

        const QStringList demo{u"demo123"_s};
        QTest::newRow("as it is, in a page's console message")
            << demo << u"console: login as demo with demo123 done"_s << u"console: login as demo with *** done"_s;
        QTest::newRow("at both ends, twice") << demo << u"demo123 and demo123"_s << u"*** and ***"_s;
        QTest::newRow("inside a longer word") << demo << u"xdemo1234"_s << u"x***4"_s;
        QTest::newRow("a near miss stays") << demo << u"demo12 3, Demo123"_s << u"demo12 3, Demo123"_s;
        QTest::newRow("no secret yet") << QStringList() << u"p=demo123"_s << u"p=demo123"_s;

        const QStringList chinese{u"密码9x"_s};
        QTest::newRow("in an address's path, UTF-8 percent-encoded")
            << chinese << u"load failed: http://h/plan/demo/%E5%AF%86%E7%A0%819x/"_s
            << u"load failed: http://h/plan/demo/***/"_s;
        QTest::newRow("lower-case hexadecimal") << chinese << u"/%e5%af%86%e7%a0%819x/"_s << u"/***/"_s;
        QTest::newRow("in the program's query, code page 936")
            << chinese << u"GET /zqsso.php?u=demo&p=%C3%DC%C2%EB9x&hash=1"_s << u"GET /zqsso.php?u=demo&p=***&hash=1"_s;
        QTest::newRow("partly encoded, as an address is shown")
            << QStringList{u"pa ss密码"_s} << u"/plan/pa%20ss密码/"_s << u"/plan/***/"_s;
        QTest::newRow("letters percent-encoded too") << QStringList{u"abc"_s} << u"=%61%62c&"_s << u"=***&"_s;
        QTest::newRow("a blank as +") << QStringList{u"pa ss"_s} << u"p=pa+ss&"_s << u"p=***&"_s;
        QTest::newRow("beyond 16 bits, UTF-8 percent-encoded")
            << QStringList{u"x😀y"_s} << u"x😀y x%F0%9F%98%80y"_s << u"*** ***"_s;
        QTest::newRow("a percent sign, as it is and encoded")
            << QStringList{u"50%off"_s} << u"50%off 50%25off"_s << u"*** ***"_s;
        QTest::newRow("quoted by QDebug") << QStringList{u"pa\"s\\s"_s} << u"\"pa\\\"s\\\\s\""_s << u"\"***\""_s;

        QTest::newRow("two secrets at one place: the longer goes")
            << QStringList{u"demo"_s, u"demo123"_s} << u"demo123 demo"_s << u"*** ***"_s;
        QTest::newRow("blanks around a secret are no part of it")
            << QStringList{u" demo123 "_s} << u"p=demo123&"_s << u"p=***&"_s;
        QTest::newRow("shorter than three characters: not kept")
            << QStringList{u"ab"_s, u" 1 "_s, u"a😀"_s} << u"ab 1 2 a😀"_s << u"ab 1 2 a😀"_s;
        QTest::newRow("three characters beyond 16 bits are three") << QStringList{u"😀😀😀"_s} << u"=😀😀😀="_s << u"=***="_s;
    }

    void scrub()
    {
        QFETCH(QStringList, secrets);
        QFETCH(QString, line);
        QFETCH(QString, expected);
        LogSecrets log;
        for (const QString &secret : std::as_const(secrets))
            log.add(secret);
        QCOMPARE(log.scrub(line), expected);
    }

    // The same lines, logged: the installed handler scrubs them before the handler before it
    // writes them.
    void scrub_throughTheInstalledHandler_data() { scrub_data(); }
    void scrub_throughTheInstalledHandler()
    {
        QFETCH(QStringList, secrets);
        QFETCH(QString, line);
        QFETCH(QString, expected);
        captured.clear();
        const QtMessageHandler before = qInstallMessageHandler(capture);
        {
            LogSecrets log;
            log.install();
            for (const QString &secret : std::as_const(secrets))
                log.add(secret);
            qWarning().noquote() << line;
        }
        // Gone: a message after it reaches the handler before it as it was.
        qWarning().noquote() << line;
        qInstallMessageHandler(before);
        QCOMPARE(captured, (QStringList{expected, line}));
    }

    void clear_forgetsEverySecret()
    {
        LogSecrets log;
        log.add(u"demo123"_s);
        QCOMPARE(log.scrub(u"p=demo123"_s), u"p=***"_s);
        log.clear();
        QCOMPARE(log.scrub(u"p=demo123"_s), u"p=demo123"_s);
    }
};

QTEST_GUILESS_MAIN(TestLogSecrets)
#include "tst_logsecrets.moc"
