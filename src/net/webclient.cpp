#include "webclient.h"

#include "netlogging.h"
#include "text/ansi.h"
#include "text/webaddress.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QScopeGuard>
#include <QStringConverter>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <climits>
#include <exception>
#include <optional>
#include <zlib.h>

using namespace Qt::StringLiterals;

namespace zq {

namespace {

// Qt reports an HTTP status of 400 and above as an error too; those answers still
// arrived whole and their body is the answer. Everything else (refused, reset, timed
// out, cancelled, TLS, redirect trouble, a broken answer) means no answer.
bool isStatusError(QNetworkReply::NetworkError error)
{
    if (error == QNetworkReply::NoError || error == QNetworkReply::ProtocolInvalidOperationError)
        return true;
    if (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        return error != QNetworkReply::ContentReSendError;
    return error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError;
}

QByteArray charsetOf(const QByteArray &contentType)
{
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray part = parts.at(i).trimmed();
        const qsizetype equals = part.indexOf('=');
        if (equals < 0 || part.left(equals).trimmed().toLower() != "charset")
            continue;
        QByteArray value = part.mid(equals + 1).trimmed();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.mid(1, value.size() - 2).trimmed();
        return value.toLower();
    }
    return {};
}

QString decodeBody(const QByteArray &body, const QByteArray &contentType)
{
    const QByteArray charset = charsetOf(contentType);
    // Qt's own converters know no GBK; the code page layer does, and GB2312 is a subset of it.
    // GB18030's four-byte sequences are beyond code page 936 and come out as U+FFFD.
    if (charset == "gbk" || charset == "gb2312" || charset == "gb18030" || charset == "cp936" || charset == "x-gbk" ||
        charset == "windows-936")
        return fromAnsi(body);
    if (!charset.isEmpty()) {
        const std::optional<QStringConverter::Encoding> encoding =
            QStringConverter::encodingForName(charset.constData());
        // "System" would mean this machine's locale, which is not what the server named.
        if (encoding && *encoding != QStringConverter::System) {
            QStringDecoder decoder(*encoding);
            return decoder.decode(body);
        }
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    return utf8.decode(body);
}

const char *methodName(bool post)
{
    return post ? "POST" : "GET";
}

// The body of an answer compressed although the client asked for none (a proxy may do that),
// decoded as the service meant it; the size limit holds for the decoded body. Nothing for a
// coding other than gzip or deflate, a broken or cut-off stream, or a body that would grow
// beyond the limit.
std::optional<QByteArray> decodeContent(const QByteArray &body, const QByteArray &coding)
{
    int windowBits = 0;
    if (coding == "gzip" || coding == "x-gzip") {
        windowBits = 15 + 32; // gzip, or a zlib stream sent under that name
    } else if (coding == "deflate") {
        // Meant to be a zlib stream; some servers send the bare deflate data instead.
        const auto first = body.size() >= 2 ? static_cast<unsigned char>(body.at(0)) : 0u;
        const auto second = body.size() >= 2 ? static_cast<unsigned char>(body.at(1)) : 0u;
        const bool zlibHeader = (first & 0x0F) == 8 && ((first << 8) | second) % 31 == 0;
        windowBits = zlibHeader ? 15 : -15;
    } else {
        return std::nullopt;
    }

    z_stream stream{};
    if (inflateInit2(&stream, windowBits) != Z_OK)
        return std::nullopt;
    const auto release = qScopeGuard([&stream] { inflateEnd(&stream); });
    // The body is at most MaxBodyBytes long, so its size fits zlib's counter.
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(body.constData()));
    stream.avail_in = uInt(body.size());
    QByteArray out;
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef *>(chunk.data());
        stream.avail_out = uInt(chunk.size());
        const int status = inflate(&stream, Z_NO_FLUSH);
        // Z_BUF_ERROR here means the input ended before the stream did.
        if (status != Z_OK && status != Z_STREAM_END)
            return std::nullopt;
        const qsizetype produced = chunk.size() - qsizetype(stream.avail_out);
        if (out.size() + produced > WebClient::MaxBodyBytes)
            return std::nullopt;
        out.append(chunk.constData(), produced);
        if (status == Z_STREAM_END) {
            if (stream.avail_in == 0)
                return out;
            // gzip allows several members one after another; anything else after the end is
            // not part of the answer.
            if (windowBits != 15 + 32 || inflateReset(&stream) != Z_OK)
                return std::nullopt;
        }
    }
}

} // namespace

struct WebClient::Exchange
{
    enum class End
    {
        Answered,    // a whole HTTP answer, any status
        NoAnswer,    // refused, dropped, too large, or the deadline passed
        Interrupted, // the event loop was told to quit: the program is ending
        ClientGone,  // the WebClient itself was destroyed during the wait
    };

    End end = End::NoAnswer;
    int status = 0;
    QByteArray body;
    QByteArray contentType;
    QList<QNetworkReply::RawHeaderPair> headers;
};

struct WebClient::SentAhead
{
    QUrl url;
    QByteArray body;
    QPointer<QNetworkReply> reply;
    QElapsedTimer sent;
};

namespace {

QNetworkRequest requestFor(const QUrl &url, bool post, bool headersOnly)
{
    QNetworkRequest request(url);
    // Answers come uncompressed. Qt 6.4's brotli decoding was seen to stop at 4 MiB without
    // an error, which would pass a cut-off answer for a whole one; the service's answers are
    // short texts, so compression gains nothing worth that risk. Asking for it also keeps Qt
    // from decoding on its own; an answer that comes compressed anyway is decoded below.
    request.setRawHeader("Accept-Encoding", "identity");
    if (post) {
        request.setRawHeader("Content-Type", "application/x-www-form-urlencoded");
    } else if (headersOnly) {
        // Asks for a fresh answer from the server itself: its Date header sets the clock.
        request.setRawHeader("If-Modified-Since", "0");
        request.setRawHeader("Cache-Control", "no-cache");
        request.setRawHeader("Connection", "close");
    }
    return request;
}

} // namespace

WebClient::WebClient(QObject *parent) : QObject(parent), m_manager(new QNetworkAccessManager(this))
{
    // Qt keeps this switch for the whole process. The program has one WebClient and it is
    // made before the first request, so this is where the system's proxy settings are
    // taken up.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    // Qt 6's default, written out: redirects are followed, except from https to http.
    m_manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

WebClient::~WebClient() = default;

void WebClient::setNoticeSink(NoticeSink sink)
{
    m_noticeSink = std::move(sink);
}

void WebClient::setDeadline(std::chrono::milliseconds deadline)
{
    m_deadline = std::max(deadline, std::chrono::milliseconds::zero());
}

QString WebClient::slowNetworkText()
{
    return u"检测到你的网速有点慢，请尝试解决方法：\r\n"
           u"1、换一个更优质的网络环境使用本软件\r\n"
           u"2、尝试重启家里的路由器或重新拨号上网"_s;
}

QString WebClient::getWebContent(const QString &url)
{
    const QUrl target(url);
    if (!isWebUrl(target)) {
        qCDebug(lcNet) << "GET refused, not an http(s) address";
        return {};
    }
    const Exchange answer = exchange(Method::Get, target, {});
    if (answer.end == Exchange::End::ClientGone || answer.end == Exchange::End::Interrupted)
        return {};
    // Only a 200 answer is the service's: the body of any other is a server's or a proxy's
    // page, and one that happens to hold "ok|" or "kick" must not sign in or end the program.
    const bool complete = answer.end == Exchange::End::Answered && answer.status == 200;
    if (!complete)
        showTips(slowNetworkText());
    return complete ? decodeBody(answer.body, answer.contentType) : QString();
}

QString WebClient::postWebContent(const QString &url, const QString &body)
{
    const QUrl target(url);
    if (!isWebUrl(target)) {
        qCDebug(lcNet) << "POST refused, not an http(s) address";
        return {};
    }
    // The body is form-encoded, hence ASCII; UTF-8 keeps anything else a caller slips in readable.
    const Exchange answer = exchange(Method::Post, target, body.toUtf8());
    if (answer.end == Exchange::End::ClientGone || answer.end == Exchange::End::Interrupted)
        return {};
    const QString text =
        answer.end == Exchange::End::Answered ? decodeBody(answer.body, answer.contentType) : QString();
    // The notice goes by the text that came, whatever its status, as it always has; the text
    // is the caller's only from a 200 answer, as for a GET.
    if (text.isEmpty())
        showTips(slowNetworkText());
    return answer.status == 200 ? text : QString();
}

void WebClient::sendAhead(const QString &url, const QString &body)
{
    const QUrl target(url);
    if (m_stopped || !isWebUrl(target) || !QCoreApplication::instance())
        return;
    auto ahead = std::make_unique<SentAhead>();
    ahead->url = target;
    ahead->body = body.toUtf8();
    qCDebug(lcNet).noquote() << "POST" << loggableUrl(target) << "sent ahead";
    ahead->sent.start();
    ahead->reply = m_manager->post(requestFor(target, true, false), ahead->body);
    if (m_ahead && m_ahead->reply)
        m_ahead->reply->deleteLater();
    m_ahead = std::move(ahead);
    // Qt hands the request to its network thread from the event loop; once there, it
    // travels while this thread goes on with other work.
    QCoreApplication::processEvents();
}

QString WebClient::getResponseHeaders(const QString &url)
{
    const QUrl target(url);
    if (!isWebUrl(target)) {
        qCDebug(lcNet) << "GET (headers) refused, not an http(s) address";
        return {};
    }
    const Exchange answer = exchange(Method::Headers, target, {});
    if (answer.end != Exchange::End::Answered)
        return {};
    QStringList lines;
    lines.reserve(answer.headers.size());
    for (const QNetworkReply::RawHeaderPair &header : answer.headers)
        lines << QString::fromLatin1(header.first) + u": "_s + QString::fromLatin1(header.second);
    return lines.join(u"\r\n"_s);
}

void WebClient::showTips(const QString &text)
{
    // A copy, so a sink that replaces itself does not destroy the function it runs in.
    const NoticeSink sink = m_noticeSink;
    if (!sink)
        return;
    try {
        sink(text);
    } catch (const std::exception &e) {
        qCWarning(lcNet) << "notice failed:" << e.what();
    } catch (...) {
        qCWarning(lcNet) << "notice failed";
    }
}

WebClient::Exchange WebClient::exchange(Method method, const QUrl &url, const QByteArray &body)
{
    Exchange result;
    if (m_stopped) {
        result.end = Exchange::End::Interrupted;
        return result;
    }
    if (!QCoreApplication::instance()) {
        qCWarning(lcNet) << "no application object, request not sent";
        return result;
    }

    const bool post = method == Method::Post;
    // A request sent ahead serves this call only when it is the very same one; any other
    // call leaves it behind for good.
    std::unique_ptr<SentAhead> ahead = std::move(m_ahead);
    const bool takeAhead = ahead && ahead->reply && post && ahead->url == url && ahead->body == body;
    if (ahead && ahead->reply && !takeAhead) {
        ahead->reply->abort();
        ahead->reply->deleteLater();
    }

    // Handlers that run inside the wait may destroy this client (the window closing);
    // from then on nothing of it may be touched.
    const QPointer<WebClient> self(this);
    QEventLoop loop;
    QTimer deadlineTimer;
    deadlineTimer.setSingleShot(true);
    deadlineTimer.setTimerType(Qt::PreciseTimer);

    QElapsedTimer clock;
    clock.start();
    qint64 waitedAlready = 0;
    QPointer<QNetworkReply> reply;
    if (takeAhead) {
        waitedAlready = ahead->sent.elapsed();
        reply = ahead->reply;
        qCDebug(lcNet).noquote() << methodName(post) << loggableUrl(url) << "sent ahead" << waitedAlready << "ms ago";
    } else {
        qCDebug(lcNet).noquote() << methodName(post) << loggableUrl(url);
        const QNetworkRequest request = requestFor(url, post, method == Method::Headers);
        reply = post ? m_manager->post(request, body) : m_manager->get(request);
    }

    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connect(reply, &QObject::destroyed, &loop, &QEventLoop::quit);
    bool oversize = false;
    if (method == Method::Headers) {
        // Only the headers matter; the page is dropped as it arrives, so its size does not.
        connect(reply, &QNetworkReply::readyRead, &loop, [&reply] { reply->readAll(); });
    } else {
        const auto limit = [&reply, &oversize](qint64 bytes) {
            if (bytes > MaxBodyBytes && !oversize) {
                oversize = true;
                reply->abort();
            }
        };
        connect(reply, &QNetworkReply::metaDataChanged, &loop,
                [&reply, limit] { limit(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong()); });
        connect(reply, &QNetworkReply::readyRead, &loop, [&reply, limit] { limit(reply->bytesAvailable()); });
        connect(reply, &QNetworkReply::downloadProgress, &loop,
                [limit](qint64 received, qint64 total) { limit(std::max(received, total)); });
    }

    QCoreApplication::processEvents();
    if (!self) {
        result.end = Exchange::End::ClientGone;
        return result;
    }

    // The deadline runs on the monotonic clock from here on. The timer only wakes the loop;
    // whether the time is really up is the deadline's to say, so an early tick just re-arms it.
    const QDeadlineTimer deadline(std::max<qint64>(0, qint64(m_deadline.count()) - waitedAlready), Qt::PreciseTimer);
    bool expired = false;
    const auto arm = [&deadlineTimer, &deadline] {
        deadlineTimer.start(int(std::clamp<qint64>(deadline.remainingTime(), 0, INT_MAX)));
    };
    connect(&deadlineTimer, &QTimer::timeout, &loop, [&] {
        if (deadline.hasExpired()) {
            expired = true;
            loop.quit();
        } else {
            arm();
        }
    });

    bool interrupted = false;
    if (reply && !reply->isFinished()) {
        arm();
        loop.exec();
        if (!self) {
            result.end = Exchange::End::ClientGone;
            return result;
        }
        // Neither the answer nor the deadline ended the loop: the application is quitting.
        interrupted = !reply || (!reply->isFinished() && !expired);
    }
    deadlineTimer.stop();
    if (!reply) {
        result.end = Exchange::End::Interrupted;
        return result;
    }

    QObject::disconnect(reply, nullptr, &loop, nullptr);
    const bool finished = reply->isFinished();
    if (!finished)
        reply->abort();

    // In case the whole of a large answer arrived in one piece before any size signal ran.
    if (finished && method != Method::Headers && reply->bytesAvailable() > MaxBodyBytes)
        oversize = true;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    bool undecodable = false;
    if (finished && !oversize && status.isValid() && isStatusError(reply->error())) {
        result.end = Exchange::End::Answered;
        result.status = status.toInt();
        result.headers = reply->rawHeaderPairs();
        result.contentType = reply->rawHeader("Content-Type");
        if (method != Method::Headers) {
            result.body = reply->readAll();
            const QByteArray coding = reply->rawHeader("Content-Encoding").trimmed().toLower();
            if (!coding.isEmpty() && coding != "identity") {
                std::optional<QByteArray> decoded = decodeContent(result.body, coding);
                if (decoded) {
                    result.body = std::move(*decoded);
                } else {
                    undecodable = true;
                    result = Exchange{};
                }
            }
        }
    } else if (interrupted) {
        result.end = Exchange::End::Interrupted;
    }

    const char *outcome = "answered";
    if (result.end == Exchange::End::Interrupted)
        outcome = "interrupted";
    else if (undecodable)
        outcome = "unreadable content coding";
    else if (oversize)
        outcome = "too large";
    else if (!finished)
        outcome = "deadline passed";
    else if (result.end != Exchange::End::Answered)
        outcome = "no answer";
    // The error's code, not Qt's text of it: that quotes the whole address, password included.
    const QString error =
        finished && result.end != Exchange::End::Answered ? QDebug::toString(reply->error()) : QString();
    qCDebug(lcNet).noquote() << methodName(post) << loggableUrl(url) << outcome << "status" << result.status << "bytes"
                             << result.body.size() << "after" << clock.elapsed() << "ms" << error;
    delete reply.data();
    return result;
}

} // namespace zq
