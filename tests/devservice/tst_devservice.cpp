// The stand-in service's own contract, checked over real HTTP: the forms the client relies on,
// the account rules, and the faults other tests switch on.

#include "devservice.h"

#include <QDateTime>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QTimeZone>
#include <QUrl>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString SoftInfoQuery = u"?act=tarel_zt_info&pt=default&code=zq_softinfo&c=%C0%B8%C4%BE&v=v1_7&b=20180330"_s;

// "a&b=c#d 用户" in code page 936, percent-encoded the way the client's urlEncode writes it.
const QString GbkAccount = u"a%26b%3Dc%23d+%D3%C3%BB%A7"_s;

struct Answer
{
    bool finished = false;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    QByteArray contentType;
    QByteArray date;
    bool hasDate = false;
};

} // namespace

class TestDevService final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_network.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        QVERIFY(m_service.start());
        QVERIFY(m_service.port() != 0);
        QCOMPARE(m_service.baseUrl(), u"http://127.0.0.1:%1/"_s.arg(m_service.port()));
    }

    void init() { QVERIFY(m_service.clear()); }

    void softInfo_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("raw");
        // The client's URL has "//spcenter", but Qt's HTTP layer folds it to one slash on the way
        // out; another HTTP stack may not, so the doubled form goes over a plain socket.
        QTest::newRow("double slash") << u"/spcenter/caieventhandle.php"_s << true;
        QTest::newRow("single slash") << u"spcenter/caieventhandle.php"_s << false;
    }

    void softInfo()
    {
        QFETCH(QString, path);
        QFETCH(bool, raw);
        const Answer answer = raw ? rawPost(u"/"_s + path + SoftInfoQuery, SoftInfoQuery.toLatin1())
                                  : fetch("POST", path + SoftInfoQuery, SoftInfoQuery.toLatin1());
        QVERIFY(answer.finished);
        QCOMPARE(answer.status, 200);

        // Written as json_encode writes it: escaped slashes, nothing but ASCII on the wire.
        const QByteArray planUrl = "\"shop_url\":\"http:\\/\\/127.0.0.1:" + QByteArray::number(m_service.port()) +
                                   "\\/plan.php?u={ACC}&p={PASS}\"";
        QVERIFY2(answer.body.contains(planUrl), answer.body.constData());
        for (const char c : answer.body)
            QVERIFY2(static_cast<unsigned char>(c) < 0x80, "non-ASCII byte in the answer");

        QJsonParseError error{};
        const QJsonObject info = QJsonDocument::fromJson(answer.body, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        for (const auto &key : {u"annouce"_s, u"contact"_s}) {
            const QString text = info.value(key).toString();
            QVERIFY2(!text.isEmpty() && text.contains(QRegularExpression(u"[\\x{4e00}-\\x{9fff}]"_s)), qPrintable(key));
        }
        const QStringList names = info.value(u"pltlist"_s).toString().split(u'|');
        const QStringList codes = info.value(u"reg_url"_s).toString().split(u'|');
        QVERIFY(names.size() >= 5 && names.size() <= 7);
        QCOMPARE(codes.size(), names.size());
        const QStringList table = info.value(u"new_ver_desc"_s).toString().split(u',');
        QVERIFY(table.size() >= 2);
        bool blankInName = false;
        for (const QString &entry : table) {
            const QStringList parts = entry.split(u'|');
            QCOMPARE(parts.size(), 2);
            QVERIFY(!parts.at(1).isEmpty());
            blankInName = blankInName || parts.at(0).contains(u' ');
        }
        QVERIFY(blankInName);

        const QList<QJsonObject> log = m_service.log();
        QCOMPARE(log.size(), qsizetype(1));
        QCOMPARE(log.at(0).value(u"method"_s).toString(), u"POST"_s);
        QCOMPARE(log.at(0).value(u"path"_s).toString(), u"/"_s + path);
        QCOMPARE(log.at(0).value(u"query"_s).toString(), SoftInfoQuery.mid(1));
        QCOMPARE(log.at(0).value(u"body"_s).toString(), SoftInfoQuery);
    }

    void loginAndKick()
    {
        const QString login =
            u"spcenter/zqsso.php?a=login_2016&u=demo&p=demo123&hash=%1&code=zq_softinfo&ver=v1.7|(20180330)|"_s;
        const QString online =
            u"spcenter/zqsso.php?a=online&code=zq_softinfo&u=demo&con=%1&mac=00-11&&ver=v1.7&t=20261208121537"_s;

        Answer answer = get(login.arg(u"HASH1"_s));
        QCOMPARE(answer.status, 200);
        QVERIFY2(answer.body.startsWith("ok|demo|"), answer.body.constData());
        QVERIFY(!get(online.arg(u"HASH1"_s)).body.contains("kick"));

        // The same account signs in on another machine: the first one is told to leave, the second is not.
        QVERIFY(get(login.arg(u"HASH2"_s)).body.startsWith("ok|"));
        answer = get(online.arg(u"HASH1"_s));
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.body, QByteArray("kick"));
        QVERIFY(!get(online.arg(u"HASH2"_s)).body.contains("kick"));

        // A report before any login names no account and is simply accepted.
        answer = get(online.arg(u"HASH1"_s).replace(u"u=demo"_s, u"u="_s));
        QCOMPARE(answer.status, 200);
        QVERIFY(!answer.body.isEmpty() && !answer.body.contains("kick"));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("request");
        const QString reg =
            u"spcenter/zqsso.php?a=reg&u=%1&p=pw&pt=101&s=lotto&code=zq_softinfo&mac=00-11&hash=H&e=@"_s;
        QTest::newRow("wrong password") << u"spcenter/zqsso.php?a=login_2016&u=demo&p=demo124&hash=H&code=c&ver=v"_s;
        QTest::newRow("unknown account") << u"spcenter/zqsso.php?a=login_2016&u=nobody&p=demo123&hash=H&code=c&ver=v"_s;
        QTest::newRow("login without password") << u"spcenter/zqsso.php?a=login_2016&u=demo&p=&hash=H&code=c&ver=v"_s;
        QTest::newRow("duplicate registration") << reg.arg(u"demo"_s);
        QTest::newRow("registration without platform")
            << u"spcenter/zqsso.php?a=reg&u=fresh&p=pw&pt=&s=lotto&code=c&mac=m&hash=H&e=@"_s;
        QTest::newRow("registration without e-mail")
            << u"spcenter/zqsso.php?a=reg&u=fresh&p=pw&pt=101&s=lotto&code=c&mac=m&hash=H&e="_s;
    }

    void refusals()
    {
        QFETCH(QString, request);
        const Answer answer = get(request);
        QCOMPARE(answer.status, 200);
        const QString text = QString::fromUtf8(answer.body);
        // The client takes any "ok" for success and shows the rest with "[br]" as a line break.
        QVERIFY2(!answer.body.contains("ok"), qPrintable(text));
        const QStringList sentences = text.split(u"[br]"_s);
        QCOMPARE(sentences.size(), 2);
        QVERIFY(!sentences.at(0).isEmpty() && !sentences.at(1).isEmpty());
        QVERIFY(text.contains(QRegularExpression(u"[\\x{4e00}-\\x{9fff}]"_s)));

        // A refused registration creates nothing.
        QCOMPARE(m_service.accounts().size(), qsizetype(1));
    }

    void gbkAccountLoggedRawAndRegisteredWhole()
    {
        const qint64 startedMs = QDateTime::currentMSecsSinceEpoch();
        const QString reg = u"spcenter/zqsso.php?a=reg&u="_s + GbkAccount +
                            u"&p=pw%20x&pt=102&s=lotto&code=zq_softinfo&mac=00-11-22&hash=HREG&e=a@b.cn"_s;
        Answer answer = get(reg);
        QCOMPARE(answer.status, 200);
        QCOMPARE(answer.body, QByteArray("ok"));

        const QList<QJsonObject> log = m_service.log();
        QCOMPARE(log.size(), qsizetype(1));
        QCOMPARE(log.at(0).value(u"query"_s).toString(), reg.mid(reg.indexOf(u'?') + 1));

        bool found = false;
        for (const QJsonValue &value : m_service.accounts()) {
            const QJsonObject account = value.toObject();
            if (account.value(u"account"_s).toString() == u"a&b=c#d 用户"_s) {
                found = true;
                QCOMPARE(account.value(u"password"_s).toString(), u"pw x"_s);
                QCOMPARE(account.value(u"pt"_s).toString(), u"102"_s);
            }
        }
        QVERIFY(found);

        // Registering the same name again fails, however the name is encoded.
        const QString utf8Account = QString::fromLatin1(QUrl::toPercentEncoding(u"a&b=c#d 用户"_s));
        answer = get(QString(reg).replace(GbkAccount, utf8Account));
        QVERIFY(!answer.body.contains("ok"));
        QVERIFY(answer.body.contains("[br]"));

        // And the new account can sign in, in either encoding.
        for (const QString &name : {GbkAccount, utf8Account}) {
            answer = get(u"spcenter/zqsso.php?a=login_2016&u="_s + name + u"&p=pw+x&hash=H&code=c&ver=v"_s);
            QVERIFY2(answer.body.startsWith("ok|"), answer.body.constData());
        }

        // A long run reads only what is new: from the third entry on, the two logins, stamped
        // with their arrival.
        const QList<QByteArray> lines = get(u"_test/log?from=2"_s).body.trimmed().split('\n');
        QCOMPARE(lines.size(), qsizetype(2));
        qint64 previousMs = startedMs;
        for (const QByteArray &line : lines) {
            const QJsonObject entry = QJsonDocument::fromJson(line).object();
            QVERIFY2(entry.value(u"query"_s).toString().startsWith(u"a=login_2016"_s), line.constData());
            const qint64 atMs = entry.value(u"at"_s).toInteger();
            QVERIFY2(atMs >= previousMs && atMs <= QDateTime::currentMSecsSinceEpoch(), line.constData());
            previousMs = atMs;
        }
        QCOMPARE(get(u"_test/log?from=4"_s).body, QByteArray());
    }

    void dateHeader_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::newRow("GET") << QByteArray("GET");
        QTest::newRow("HEAD") << QByteArray("HEAD");
    }

    void dateHeader()
    {
        QFETCH(QByteArray, method);
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        const Answer answer = fetch(method, QString());
        const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(1);
        QCOMPARE(answer.status, 200);
        QVERIFY(answer.hasDate);

        static const QRegularExpression rfc1123(
            u"^(Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d\\d (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \\d{4} "
            "\\d\\d:\\d\\d:\\d\\d GMT$"_s);
        const QString date = QString::fromLatin1(answer.date);
        QVERIFY2(rfc1123.match(date).hasMatch(), qPrintable(date));
        QDateTime parsed = QLocale::c().toDateTime(date, u"ddd, dd MMM yyyy HH:mm:ss 'GMT'"_s);
        parsed.setTimeZone(QTimeZone::utc());
        QVERIFY2(parsed.isValid() && parsed >= before.addSecs(-1) && parsed <= after, qPrintable(date));

        // The time source can also be made to send a date of the test's choosing, or none.
        QVERIFY(m_service.setFault(u"time"_s, u"date"_s, u"Tue, 08 Dec 2026 04:15:37 GMT"_s));
        QCOMPARE(fetch(method, QString()).date, QByteArray("Tue, 08 Dec 2026 04:15:37 GMT"));
        QVERIFY(m_service.setFault(u"time"_s, u"nodate"_s));
        QVERIFY(!fetch(method, QString()).hasDate);
    }

    void faults_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("expected"); // exact body; for "gbk" a piece of it

        const QString login = u"spcenter/zqsso.php?a=login_2016&u=demo&p=demo123&hash=H&code=c&ver=v"_s;
        const QString online = u"spcenter/zqsso.php?a=online&code=c&u=demo&con=H&mac=m&&ver=v&t=1"_s;
        const QString softInfo = u"/spcenter/caieventhandle.php"_s + SoftInfoQuery;
        const QString reg = u"spcenter/zqsso.php?a=reg&u=new&p=pw&pt=101&s=lotto&code=c&mac=m&hash=H&e=@"_s;

        QTest::newRow("404 on login") << u"login"_s << u"404"_s << QString() << login << 404 << QByteArray();
        QTest::newRow("500 on softinfo") << u"softinfo"_s << u"500"_s << QString() << softInfo << 500 << QByteArray();
        QTest::newRow("empty registration") << u"reg"_s << u"empty"_s << QString() << reg << 200 << QByteArray("");
        QTest::newRow("kick on online") << u"online"_s << u"kick"_s << QString() << online << 200 << QByteArray("kick");
        QTest::newRow("text on login") << u"login"_s << u"text"_s << u"ok"_s << login << 200 << QByteArray("ok");
        // An error page whose text reads like a good answer.
        QTest::newRow("text with a status") << u"login"_s << u"text"_s << u"ok|server error page"_s << login << 500
                                            << QByteArray("ok|server error page");
        QTest::newRow("text with reserved characters")
            << u"reg"_s << u"text"_s << u"a+b&c=d 注册"_s << reg << 200 << QByteArray("a+b&c=d 注册");
        QTest::newRow("badjson on softinfo")
            << u"softinfo"_s << u"badjson"_s << QString() << softInfo << 200 << QByteArray();
        // 天天彩 in code page 936: the answer keeps its Chinese as GBK bytes, not as \u escapes.
        QTest::newRow("gbk softinfo") << u"softinfo"_s << u"gbk"_s << QString() << softInfo << 200
                                      << QByteArray("\xcc\xec\xcc\xec\xb2\xca");
        // 账号 in code page 936, from the refusal of a wrong password.
        QTest::newRow("gbk login refusal")
            << u"login"_s << u"gbk"_s << QString() << QString(login).replace(u"p=demo123"_s, u"p=x"_s) << 200
            << QByteArray("\xd5\xcb\xba\xc5");
        QTest::newRow("huge plan page") << u"plan"_s << u"huge"_s << QString() << u"plan.php?u=demo&p=demo123"_s << 200
                                        << QByteArray();
        QTest::newRow("drop time source") << u"time"_s << u"drop"_s << QString() << QString() << 0 << QByteArray();
        QTest::newRow("drop login") << u"login"_s << u"drop"_s << QString() << login << 0 << QByteArray();
    }

    void faults()
    {
        QFETCH(QString, target);
        QFETCH(QString, mode);
        QFETCH(QString, body);
        QFETCH(QString, request);
        QFETCH(int, status);
        QFETCH(QByteArray, expected);

        // Mode "text" answers with the status of the row.
        QVERIFY(m_service.setFault(target, mode, body, 0, mode == u"text"_s ? status : 0));
        const Answer answer =
            fetch(request.contains(u"caieventhandle"_s) ? "POST" : "GET", request, SoftInfoQuery.toLatin1());
        QVERIFY(answer.finished);
        QCOMPARE(answer.status, status);

        if (mode == u"drop") {
            // No status line, no byte: the connection just ends.
            QCOMPARE(answer.error, QNetworkReply::RemoteHostClosedError);
            QVERIFY(answer.body.isEmpty());
        } else if (mode == u"404" || mode == u"500") {
            QVERIFY(!answer.body.isEmpty());
            QVERIFY(!answer.body.contains("ok"));
        } else if (mode == u"badjson") {
            QJsonParseError error{};
            QJsonDocument::fromJson(answer.body, &error);
            QVERIFY(error.error != QJsonParseError::NoError);
            QVERIFY(answer.body.startsWith("{\"shop_url\""));
        } else if (mode == u"gbk") {
            QVERIFY2(answer.contentType.toLower().contains("charset=gbk"), answer.contentType.constData());
            QVERIFY(answer.body.contains(expected));
        } else if (mode == u"huge") {
            QCOMPARE(answer.body.size(), qsizetype(5 * 1024 * 1024));
            QVERIFY(answer.body.contains("tzNums"));
        } else {
            QCOMPARE(answer.body, expected);
        }

        // Clearing restores the normal answer.
        QVERIFY(m_service.setFault(target, u"none"_s));
        const Answer normal =
            fetch(request.contains(u"caieventhandle"_s) ? "POST" : "GET", request, SoftInfoQuery.toLatin1());
        QCOMPARE(normal.status, 200);
        QVERIFY(!normal.body.isEmpty());
        QVERIFY(normal.body.size() < 100000);
    }

    void faultForLimitedTimes()
    {
        // An empty first answer and a good second one, as a retry test needs.
        const QString softInfo = u"/spcenter/caieventhandle.php"_s + SoftInfoQuery;
        QVERIFY(m_service.setFault(u"softinfo"_s, u"empty"_s, QString(), 1));
        QCOMPARE(fetch("POST", softInfo, SoftInfoQuery.toLatin1()).body, QByteArray());
        QVERIFY(fetch("POST", softInfo, SoftInfoQuery.toLatin1()).body.startsWith("{\"shop_url\""));

        // Unknown names are refused rather than silently ignored.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"Bad Request"_s));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"fault not set"_s));
        QVERIFY(!m_service.setFault(u"nowhere"_s, u"empty"_s));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"Bad Request"_s));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"fault not set"_s));
        QVERIFY(!m_service.setFault(u"login"_s, u"sometimes"_s));
        // A status goes with "text" only, and only as a web server would send it.
        for (const auto &[mode, status] :
             {std::pair{u"text"_s, 99}, std::pair{u"text"_s, 600}, std::pair{u"500"_s, 503}}) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"Bad Request"_s));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"fault not set"_s));
            QVERIFY(!m_service.setFault(u"login"_s, mode, u"x"_s, 0, status));
        }
    }

    void silentAnswerDoesNotBlockOthers()
    {
        QVERIFY(m_service.setFault(u"login"_s, u"silent"_s));
        QNetworkReply *held = send("GET", u"spcenter/zqsso.php?a=login_2016&u=demo&p=demo123&hash=H&code=c&ver=v"_s);
        QTRY_COMPARE(m_service.log().size(), qsizetype(1));

        // A burst of other requests is answered while the login answer is held back.
        QList<QNetworkReply *> others;
        for (int i = 0; i < 12; ++i)
            others.append(send("GET", u"spcenter/zqsso.php?a=online&code=c&u=demo&con=H&mac=m&&ver=v&t=%1"_s.arg(i)));
        for (QNetworkReply *reply : others) {
            if (!reply->isFinished())
                QVERIFY(QSignalSpy(reply, &QNetworkReply::finished).wait(10000));
            QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
            reply->deleteLater();
        }
        QVERIFY(!held->isFinished());
        held->abort();
        held->deleteLater();
    }

private:
    QNetworkReply *send(const QByteArray &method, const QString &pathAndQuery, const QByteArray &body = {});
    Answer fetch(const QByteArray &method, const QString &pathAndQuery, const QByteArray &body = {})
    {
        Answer answer;
        QNetworkReply *reply = send(method, pathAndQuery, body);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        answer.finished = reply->isFinished() || finished.wait(10000);
        answer.error = reply->error();
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.body = reply->readAll();
        answer.contentType = reply->rawHeader("Content-Type");
        answer.hasDate = reply->hasRawHeader("Date");
        answer.date = reply->rawHeader("Date");
        if (!answer.finished)
            reply->abort();
        reply->deleteLater();
        return answer;
    }

    Answer get(const QString &pathAndQuery) { return fetch("GET", pathAndQuery); }
    // A POST written by hand on a socket, so the request line goes out exactly as given.
    Answer rawPost(const QString &target, const QByteArray &body)
    {
        Answer answer;
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_service.port());
        if (!socket.waitForConnected(10000))
            return answer;
        socket.write("POST " + target.toLatin1() +
                     " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(m_service.port()) +
                     "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                     QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        QByteArray received;
        while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(10000))
            received += socket.readAll();
        received += socket.readAll();
        const qsizetype headerEnd = received.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return answer;
        answer.finished = true;
        const QList<QByteArray> statusLine = received.left(received.indexOf("\r\n")).split(' ');
        answer.status = statusLine.size() > 1 ? statusLine.at(1).toInt() : 0;
        answer.body = received.mid(headerEnd + 4);
        return answer;
    }

    DevService m_service;
    QNetworkAccessManager m_network;
};

QNetworkReply *TestDevService::send(const QByteArray &method, const QString &pathAndQuery, const QByteArray &body)
{
    // Joined as the client joins its base and paths, so "/spcenter" after the base gives "//spcenter".
    QNetworkRequest request(QUrl::fromEncoded((m_service.baseUrl() + pathAndQuery).toLatin1()));
    if (method == "POST") {
        request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/x-www-form-urlencoded"_s);
        return m_network.post(request, body);
    }

    if (method == "HEAD")
        return m_network.head(request);
    return m_network.get(request);
}

QTEST_GUILESS_MAIN(TestDevService)
#include "tst_devservice.moc"
