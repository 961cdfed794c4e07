#include "loopbackserver.h"
#include "net/webclient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <memory>
#include <zlib.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using namespace zq;
using zq::WebClient;

namespace {

constexpr qint64 MiB = 1024 * 1024;
// Long enough that a test which ran into it has plainly failed: the answer, not the
// deadline, must end these waits.
constexpr auto LongDeadline = 60s;

QString slowNetworkNotice()
{
    return u"检测到你的网速有点慢，请尝试解决方法：\r\n1、换一个更优质的网络环境使用本软件\r\n"
           u"2、尝试重启家里的路由器或重新拨号上网"_s;
}

void collectInto(WebClient &client, QStringList &notices)
{
    QObject::connect(&client, &WebClient::slowNetwork, &client, [&notices](const QString &text) { notices << text; });
}

// One call as a caller makes it: the request goes out, and the answer comes to the
// continuation later, never from inside the call.
struct Call
{
    bool answered = false;
    bool answeredInside = false; // the continuation ran before the call returned
    QString text;
};

void start(WebClient &client, const QString &method, const QString &url, const QString &body, QObject *context,
           Call &call)
{
    const auto done = [&call](const QString &text) {
        call.answered = true;
        call.text = text;
    };
    if (method == u"POST"_s)
        client.postWebContent(url, body, context, done);
    else if (method == u"HEADERS"_s)
        client.getResponseHeaders(url, context, done);
    else
        client.getWebContent(url, context, done);
    call.answeredInside = call.answered;
}

// The call's answer once it has come; empty text (and a warning) when none came within 70 s.
QString request(WebClient &client, const QString &method, const QString &url, const QString &body = {},
                Call *record = nullptr)
{
    QObject context;
    Call call;
    start(client, method, url, body, &context, call);
    if (!QTest::qWaitFor([&call] { return call.answered; }, 70000))
        qWarning("no answer came");
    if (record)
        *record = call;
    return call.text;
}

QStringList expectedNotices(bool shown)
{
    return shown ? QStringList{slowNetworkNotice()} : QStringList{};
}

// `data` compressed as a gzip (windowBits 31), zlib (15) or bare deflate (-15) stream.
QByteArray compressed(const QByteArray &data, int windowBits)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return status == Z_STREAM_END ? out : QByteArray();
}

QStringList *capturedLog = nullptr;

void captureLog(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    if (capturedLog && qstrcmp(context.category, "zq.net") == 0)
        *capturedLog << message;
}

// A client under test: its notices collected, and a deadline long enough that only a failed
// test waits it out.
struct ClientUnderTest
{
    QStringList notices;
    WebClient web;
    QElapsedTimer started;

    ClientUnderTest()
    {
        collectInto(web, notices);
        web.setDeadline(LongDeadline);
        started.start();
    }
    Q_DISABLE_COPY_MOVE(ClientUnderTest)

    // The call ended on its answer, not on the deadline.
    bool endedBeforeDeadline() const { return started.elapsed() < std::chrono::milliseconds(LongDeadline).count(); }
};

} // namespace

class TestWebClient final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The client honours the system proxy; loopback must never be sent through one.
        qputenv("no_proxy", "127.0.0.1,localhost");
        qputenv("NO_PROXY", "127.0.0.1,localhost");
        m_server = std::make_unique<LoopbackServer>();
        QVERIFY(m_server->port() > 0);
    }

    void cleanupTestCase() { m_server.reset(); }

    void get_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("notice");

        QTest::newRow("200 answer") << 200 << "text/plain"_ba
                                    << "ok|12345"_ba << u"ok|12345"_s << false;
        QTest::newRow("200 empty") << 200 << "text/plain"_ba
                                   << ""_ba << QString() << false;
        // Only a 200 answer is the service's: any other body is a server's page, never its text.
        QTest::newRow("404 with body") << 404 << "text/html"_ba
                                       << "<h1>gone</h1>"_ba << QString() << true;
        QTest::newRow("400 with body") << 400 << "text/plain"_ba
                                       << "bad"_ba << QString() << true;
        QTest::newRow("401 with body") << 401 << "text/plain"_ba
                                       << "who"_ba << QString() << true;
        QTest::newRow("500 empty") << 500 << "text/plain"_ba
                                   << ""_ba << QString() << true;
        QTest::newRow("503 with body") << 503 << "text/plain"_ba
                                       << "busy"_ba << QString() << true;
        QTest::newRow("500 that reads as a login") << 500 << "text/plain"_ba
                                                   << "ok|server error page"_ba << QString() << true;
        QTest::newRow("201 with body") << 201 << "text/plain"_ba
                                       << "ok|created"_ba << QString() << true;

        QTest::newRow("no charset is UTF-8") << 200 << "text/plain"_ba
                                             << "ok 你好"_ba << u"ok 你好"_s << false;
        QTest::newRow("no content type is UTF-8") << 200 << ""_ba
                                                  << "中文"_ba << u"中文"_s << false;
        QTest::newRow("UTF-8 byte order mark dropped") << 200 << "text/plain; charset=utf-8"_ba
                                                       << "\xEF\xBB\xBFok"_ba << u"ok"_s << false;
        QTest::newRow("GBK") << 200 << "text/plain; charset=GBK"_ba
                             << "\xC4\xE3\xBA\xC3|ok"_ba << u"你好|ok"_s << false;
        QTest::newRow("gb2312, no blank") << 200 << "text/html;charset=gb2312"_ba
                                          << "\xD6\xD0\xCE\xC4"_ba << u"中文"_s << false;
        QTest::newRow("GB18030 quoted") << 200 << "text/plain; charset=\"GB18030\""_ba
                                        << "\xD6\xD0\xCE\xC4"_ba << u"中文"_s << false;
        QTest::newRow("unknown charset is UTF-8") << 200 << "text/plain; charset=x-nonesuch"_ba
                                                  << "中文"_ba << u"中文"_s << false;
        QTest::newRow("ISO-8859-1") << 200 << "text/plain; charset=ISO-8859-1"_ba
                                    << "caf\xE9"_ba << u"café"_s << false;
        QTest::newRow("exactly 4 MiB") << 200 << "text/plain"_ba << QByteArray(4 * MiB, 'a') << QString(4 * MiB, u'a')
                                       << false;
    }

    void get()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QFETCH(bool, notice);

        const QByteArray path = uniquePath("get");
        m_server->setAnswer(path, {status, contentType, body});
        ClientUnderTest c;

        const QString text = request(c.web, u"GET"_s, m_server->url(QString::fromLatin1(path) + u"?a=1&b=2"_s));
        QVERIFY2(c.endedBeforeDeadline(), "waited out the deadline");

        QCOMPARE(text, expected);
        QCOMPARE(c.notices, expectedNotices(notice));
        const auto received = m_server->receivedFor(path);
        QCOMPARE(received.size(), qsizetype(1));
        QCOMPARE(received.front().method, "GET"_ba);
        QCOMPARE(received.front().contentType, QByteArray());
    }

    void post_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("notice");

        QTest::newRow("200 with body") << 200 << "{\"annouce\":\"x\"}"_ba << u"{\"annouce\":\"x\"}"_s << false;
        QTest::newRow("200 empty") << 200 << ""_ba << QString() << true;
        // The notice comes for an empty body, as ever; the text is empty for any status but 200.
        QTest::newRow("500 with body") << 500 << "server error"_ba << QString() << false;
        QTest::newRow("503 with the service's JSON") << 503 << "{\"annouce\":\"x\"}"_ba << QString() << false;
        QTest::newRow("404 empty") << 404 << ""_ba << QString() << true;
    }

    void post()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(QString, expected);
        QFETCH(bool, notice);

        const QByteArray path = uniquePath("post");
        m_server->setAnswer(path, {status, "text/html; charset=utf-8", answer});
        ClientUnderTest c;

        const QString form = u"?act=tarel_zt_info&pt=default&code=%C0%B8+x%26y"_s;
        const QString text = request(c.web, u"POST"_s, m_server->url(QString::fromLatin1(path) + form), form);
        QVERIFY2(c.endedBeforeDeadline(), "waited out the deadline");

        QCOMPARE(text, expected);
        QCOMPARE(c.notices, expectedNotices(notice));
        const auto received = m_server->receivedFor(path);
        QCOMPARE(received.size(), qsizetype(1));
        QCOMPARE(received.front().method, "POST"_ba);
        QCOMPARE(received.front().contentType, "application/x-www-form-urlencoded"_ba);
        QCOMPARE(received.front().body, form.toLatin1());
    }

    void redirect_isFollowed()
    {
        const QByteArray target = uniquePath("target");
        const QByteArray moved = uniquePath("moved");
        m_server->setAnswer(target, {200, "text/plain", "arrived"});
        m_server->setAnswer(moved, {302, "text/plain", "see elsewhere", false, {}, target});
        ClientUnderTest c;

        QCOMPARE(request(c.web, u"GET"_s, m_server->url(QString::fromLatin1(moved))), u"arrived"_s);
        QCOMPARE(c.notices, QStringList());
    }

    void compressedAnswer_data()
    {
        QTest::addColumn<QByteArray>("coding");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected"); // empty: no answer
        QTest::addColumn<bool>("notice");

        const QByteArray text = "ok|12345 你好";
        const QByteArray gzip = compressed(text, 31);
        QTest::newRow("gzip") << "gzip"_ba << gzip << QString::fromUtf8(text) << false;
        QTest::newRow("gzip, two members")
            << "gzip"_ba << compressed("ok|", 31) + compressed("12345 你好", 31) << QString::fromUtf8(text) << false;
        QTest::newRow("deflate as a zlib stream")
            << "deflate"_ba << compressed(text, 15) << QString::fromUtf8(text) << false;
        QTest::newRow("deflate bare") << "deflate"_ba << compressed(text, -15) << QString::fromUtf8(text) << false;
        QTest::newRow("decoded exactly 4 MiB")
            << "gzip"_ba << compressed(QByteArray(4 * MiB, 'a'), 31) << QString(4 * MiB, u'a') << false;
        QTest::newRow("decoded one byte over 4 MiB")
            << "gzip"_ba << compressed(QByteArray(4 * MiB + 1, 'a'), 31) << QString() << true;
        QTest::newRow("cut short") << "gzip"_ba << gzip.left(gzip.size() - 6) << QString() << true;
        QTest::newRow("a coding not understood") << "br"_ba << text << QString() << true;
        QTest::newRow("two codings") << "gzip, gzip"_ba << compressed(gzip, 31) << QString() << true;
    }

    void compressedAnswer()
    {
        QFETCH(QByteArray, coding);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QFETCH(bool, notice);

        const QByteArray path = uniquePath("coded");
        LoopbackServer::Answer answer{200, "text/plain; charset=utf-8", body};
        answer.contentEncoding = coding;
        m_server->setAnswer(path, answer);
        QStringList notices;
        WebClient client;
        collectInto(client, notices);
        client.setDeadline(LongDeadline);

        QCOMPARE(request(client, u"GET"_s, m_server->url(QString::fromLatin1(path))), expected);
        QCOMPARE(notices, expectedNotices(notice));
    }

    void invalidUrl_data()
    {
        QTest::addColumn<QString>("url");

        QTest::newRow("empty") << QString();
        QTest::newRow("words") << u"not a url"_s;
        QTest::newRow("scheme only") << u"http://"_s;
        QTest::newRow("no host") << u"http:///plain"_s;
        QTest::newRow("no scheme") << u"127.0.0.1:{port}/plain"_s;
        QTest::newRow("ftp") << u"ftp://127.0.0.1:{port}/plain"_s;
        QTest::newRow("local file") << u"file:///etc/hostname"_s;
        QTest::newRow("data url") << u"data:text/plain,hello"_s;
    }

    void invalidUrl()
    {
        QFETCH(QString, url);
        url.replace(u"{port}"_s, QString::number(m_server->port()));
        m_server->setAnswer("/plain", {200, "text/plain", "should not be asked"});
        const qsizetype before = m_server->received().size();
        ClientUnderTest c;

        for (const QString &method : {u"GET"_s, u"POST"_s, u"HEADERS"_s}) {
            Call call;
            QCOMPARE(request(c.web, method, url, u"a=1"_s, &call), QString());
            // Refused at once, and answered all the same: later, from the event loop.
            QVERIFY2(call.answered && !call.answeredInside, qPrintable(method));
            QVERIFY2(c.endedBeforeDeadline(), qPrintable(method));
        }
        QCOMPARE(c.notices, QStringList());
        QCOMPARE(m_server->received().size(), before);
    }

    void oversizeBody_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<bool>("chunked");
        QTest::addColumn<qint64>("size");

        QTest::newRow("GET 5 MiB with length") << u"GET"_s << false << 5 * MiB;
        QTest::newRow("GET 5 MiB chunked") << u"GET"_s << true << 5 * MiB;
        QTest::newRow("GET one byte over 4 MiB, chunked") << u"GET"_s << true << 4 * MiB + 1;
        QTest::newRow("POST 5 MiB with length") << u"POST"_s << false << 5 * MiB;
        QTest::newRow("POST 5 MiB chunked") << u"POST"_s << true << 5 * MiB;
    }

    void oversizeBody()
    {
        QFETCH(QString, method);
        QFETCH(bool, chunked);
        QFETCH(qint64, size);

        const QByteArray path = uniquePath("big");
        m_server->setAnswer(path, {200, "text/plain", QByteArray(size, 'b'), chunked});
        ClientUnderTest c;

        QCOMPARE(request(c.web, method, m_server->url(QString::fromLatin1(path)), u"a=1"_s), QString());
        QVERIFY2(c.endedBeforeDeadline(), "waited out the deadline");
        // No answer for GET, an empty result for POST: the notice either way.
        QCOMPARE(c.notices, expectedNotices(true));
    }

    void droppedConnection_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<bool>("notice");

        QTest::newRow("GET") << u"GET"_s << true;
        QTest::newRow("POST") << u"POST"_s << true;
        QTest::newRow("response headers") << u"HEADERS"_s << false;
    }

    void droppedConnection()
    {
        QFETCH(QString, method);
        QFETCH(bool, notice);

        LoopbackServer peer(LoopbackServer::Mode::Drop);
        ClientUnderTest c;

        QCOMPARE(request(c.web, method, peer.url(u"/dropped"_s), u"a=1"_s), QString());
        QVERIFY2(c.endedBeforeDeadline(), "waited out the deadline");
        QCOMPARE(c.notices, expectedNotices(notice));
        QVERIFY(!peer.received().isEmpty());
    }

    void silentServer_realDeadline()
    {
        LoopbackServer peer(LoopbackServer::Mode::Silent);
        QStringList notices;
        WebClient client;
        collectInto(client, notices);
        QCOMPARE(client.deadline(), 9999ms);

        QElapsedTimer elapsed;
        elapsed.start();
        const QString text = request(client, u"GET"_s, peer.url(u"/silent"_s));
        const qint64 waited = elapsed.elapsed();
        qInfo("silent server: the wait ended after %lld ms", waited);

        QVERIFY2(waited >= 9999, qPrintable(QString::number(waited)));
        // The deadline ends the wait, not something later such as the system's connection time-out.
        QVERIFY2(waited < 12000, qPrintable(QString::number(waited)));
        QCOMPARE(text, QString());
        QCOMPARE(notices, expectedNotices(true));
    }

    void silentServer_shortDeadline_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<bool>("notice");

        QTest::newRow("POST") << u"POST"_s << true;
        QTest::newRow("response headers") << u"HEADERS"_s << false;
    }

    void silentServer_shortDeadline()
    {
        QFETCH(QString, method);
        QFETCH(bool, notice);

        LoopbackServer peer(LoopbackServer::Mode::Silent);
        QStringList notices;
        WebClient client;
        collectInto(client, notices);
        client.setDeadline(300ms);

        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(request(client, method, peer.url(u"/silent"_s), u"a=1"_s), QString());
        QVERIFY2(elapsed.elapsed() >= 300, "ended before its deadline");
        QCOMPARE(notices, expectedNotices(notice));
    }

    void responseHeaders_data()
    {
        QTest::addColumn<QByteArray>("statusLine");

        QTest::newRow("200") << "HTTP/1.1 200 OK"_ba;
        QTest::newRow("404: any complete answer counts") << "HTTP/1.1 404 Not Found"_ba;
    }

    void responseHeaders()
    {
        QFETCH(QByteArray, statusLine);

        LoopbackServer peer(LoopbackServer::Mode::Raw,
                            statusLine + "\r\nDate: Tue, 08 Dec 2026 04:15:37 GMT\r\n"
                                         "X-Probe: one\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello");
        ClientUnderTest c;

        const QString headers = request(c.web, u"HEADERS"_s, peer.url(u"/clock"_s));
        const QStringList lines = headers.split(u"\r\n"_s);
        QVERIFY2(lines.contains(u"Date: Tue, 08 Dec 2026 04:15:37 GMT"_s), qPrintable(headers));
        QVERIFY2(lines.contains(u"X-Probe: one"_s), qPrintable(headers));
        QVERIFY2(!headers.contains(u"HTTP/1.1"_s), "the status line belongs to no header");
        QVERIFY2(!headers.contains(u"hello"_s), "the body belongs to no header");
        QCOMPARE(c.notices, QStringList());

        const QList<LoopbackServer::Received> heads = peer.received();
        QCOMPARE(heads.size(), qsizetype(1));
        const QList<QByteArray> sent = heads.front().head.split('\n');
        QCOMPARE(sent.front().trimmed(), "GET /clock HTTP/1.1"_ba);
        const auto lineAt = [&sent](const QByteArray &line) {
            for (qsizetype i = 0; i < sent.size(); ++i) {
                if (sent.at(i).trimmed() == line)
                    return i;
            }
            return qsizetype(-1);
        };
        const qsizetype modified = lineAt("If-Modified-Since: 0");
        const qsizetype cache = lineAt("Cache-Control: no-cache");
        const qsizetype connection = lineAt("Connection: close");
        QVERIFY2(modified > 0 && cache > modified && connection > cache, heads.front().head.constData());
        const auto connectionLines = std::count_if(sent.cbegin(), sent.cend(), [](const QByteArray &line) {
            return line.toLower().startsWith("connection:");
        });
        QCOMPARE(connectionLines, 1);
    }

    void twoRequestsInFlight_data()
    {
        QTest::addColumn<bool>("outerAnsweredLast");

        QTest::newRow("outer answered after the inner one") << true;
        QTest::newRow("outer answered during the inner wait") << false;
    }

    void twoRequestsInFlight()
    {
        QFETCH(bool, outerAnsweredLast);

        const QByteArray outerPath = uniquePath("outer");
        const QByteArray innerPath = uniquePath("inner");
        // The later answer is held until the client has taken the first: its continuation asks for
        // this path. Held only until the other was sent, the two could still arrive in either order.
        const QByteArray releasePath = uniquePath("release");
        m_server->setAnswer(outerPath,
                            {200, "text/plain", "outer answer", false, outerAnsweredLast ? releasePath : ""});
        m_server->setAnswer(innerPath,
                            {200, "text/plain", "inner answer", false, outerAnsweredLast ? "" : releasePath});
        m_server->setAnswer(releasePath, {200, "text/plain", "released"});
        ClientUnderTest c;
        QObject releaseContext;
        const auto release = [&] {
            c.web.getWebContent(m_server->url(QString::fromLatin1(releasePath)), &releaseContext,
                                [](const QString &) {});
        };

        // Stands for the window's one-second tick, which may start a request of its own while
        // another waits for its answer.
        QStringList events;
        QString inner;
        QString outer;
        QObject context;
        QTimer tick;
        tick.setSingleShot(true);
        tick.setInterval(0);
        connect(&tick, &QTimer::timeout, this, [&] {
            c.web.getWebContent(m_server->url(QString::fromLatin1(innerPath)), &context, [&](const QString &text) {
                inner = text;
                events << u"inner answered"_s;
                if (outerAnsweredLast)
                    release();
            });
        });
        tick.start();
        c.web.getWebContent(m_server->url(QString::fromLatin1(outerPath)), &context, [&](const QString &text) {
            outer = text;
            events << u"outer answered"_s;
            if (!outerAnsweredLast)
                release();
        });
        QTRY_COMPARE(events.size(), 2);

        // Each gets its own answer, as it comes.
        QCOMPARE(outer, u"outer answer"_s);
        QCOMPARE(inner, u"inner answer"_s);
        QCOMPARE(events, outerAnsweredLast ? (QStringList{u"inner answered"_s, u"outer answered"_s})
                                           : (QStringList{u"outer answered"_s, u"inner answered"_s}));
        QCOMPARE(c.notices, QStringList());
    }

    void droppedRequest_runsNothing_data()
    {
        QTest::addColumn<QString>("end");

        // The window going away takes the client with it, or the piece that asked.
        QTest::newRow("the client destroyed") << u"client"_s;
        QTest::newRow("the context destroyed") << u"context"_s;
        // The program ending.
        QTest::newRow("the client stopped") << u"stop"_s;
    }

    void droppedRequest_runsNothing()
    {
        QFETCH(QString, end);

        LoopbackServer peer(LoopbackServer::Mode::Silent);
        QStringList notices;
        QPointer<WebClient> client = new WebClient;
        collectInto(*client, notices);
        // Short: the deadline would have answered long before the test looks.
        client->setDeadline(300ms);
        auto context = std::make_unique<QObject>();
        Call call;
        start(*client, u"GET"_s, peer.url(u"/silent"_s), {}, context.get(), call);
        QTimer::singleShot(0, this, [&] {
            if (end == u"client"_s)
                delete client.data();
            else if (end == u"context"_s)
                context.reset();
            else
                client->stop();
        });

        // Neither the answer nor the notice comes, not even past the deadline.
        QVERIFY(!QTest::qWaitFor([&] { return call.answered || !notices.isEmpty(); }, 1000));
        QCOMPARE(client.isNull(), end == u"client"_s);
        if (end == u"stop"_s) {
            // Stopped for good: nothing is sent any more, and nothing answers.
            const QByteArray path = uniquePath("after-stop");
            m_server->setAnswer(path, {200, "text/plain", "too late"});
            Call later;
            start(*client, u"GET"_s, m_server->url(QString::fromLatin1(path)), {}, context.get(), later);
            QVERIFY(!QTest::qWaitFor([&later] { return later.answered; }, 500));
            QVERIFY(m_server->receivedFor(path).isEmpty());
            QVERIFY(client->stopped());
        }
        delete client.data();
    }

    void sentAhead_data()
    {
        QTest::addColumn<QString>("body"); // of the POST that follows the one sent ahead
        QTest::addColumn<bool>("taken");   // it takes the answer of the one sent ahead
        QTest::newRow("the same POST takes its answer") << u"a=1"_s << true;
        QTest::newRow("a POST of another body sends its own") << u"a=2"_s << false;
    }

    void sentAhead()
    {
        QFETCH(QString, body);
        QFETCH(bool, taken);

        LoopbackServer echo;
        echo.setHandler([](const LoopbackServer::Received &received, int) {
            return LoopbackServer::Answer{200, "text/plain", "answer to " + received.body};
        });
        ClientUnderTest c;
        const QString url = echo.url(QString::fromLatin1(uniquePath("ahead")));

        c.web.sendAhead(url, u"a=1"_s);
        QCOMPARE(request(c.web, u"POST"_s, url, body), u"answer to "_s + body);
        QVERIFY(c.endedBeforeDeadline());
        QCOMPARE(c.notices, QStringList());
        const QList<LoopbackServer::Received> received = echo.received();
        if (taken) {
            // Sent once, ahead.
            QCOMPARE(received.size(), qsizetype(1));
        } else {
            // Sent itself; the one sent ahead was left behind, on the wire or not yet.
            QVERIFY(!received.isEmpty() && received.size() <= 2);
            QCOMPARE(received.constLast().body, body.toLatin1());
        }
    }

    void log_leavesQueryOut_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("coding");
        QTest::addColumn<QString>("expected");
        QTest::newRow("answered") << 200 << QByteArray() << u"ok|1"_s;
        // Qt's own error text quotes the whole address.
        QTest::newRow("an error page whose content coding cannot be decoded") << 500 << "gzip"_ba << QString();
    }

    void log_leavesQueryOut()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, coding);
        QFETCH(QString, expected);
        const QByteArray path = uniquePath("login");
        LoopbackServer::Answer answer{status, "text/plain", "ok|1"};
        answer.contentEncoding = coding;
        m_server->setAnswer(path, answer);
        WebClient client;
        client.setDeadline(LongDeadline);

        QStringList log;
        capturedLog = &log;
        QLoggingCategory::setFilterRules(u"zq.net.debug=true"_s);
        const QtMessageHandler previous = qInstallMessageHandler(captureLog);
        const QString text =
            request(client, u"GET"_s, m_server->url(QString::fromLatin1(path) + u"?u=someone&p=hunter2secret"_s));
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
        capturedLog = nullptr;

        QCOMPARE(text, expected);
        QVERIFY2(log.join(u'\n').contains(QString::fromLatin1(path)), qPrintable(log.join(u'\n')));
        QVERIFY2(!log.join(u'\n').contains(u"hunter2secret"_s), qPrintable(log.join(u'\n')));
    }

private:
    QByteArray uniquePath(const char *stem) { return '/' + QByteArray(stem) + '/' + QByteArray::number(++m_paths); }

    std::unique_ptr<LoopbackServer> m_server;
    int m_paths = 0;
};

QTEST_GUILESS_MAIN(TestWebClient)
#include "tst_webclient.moc"
