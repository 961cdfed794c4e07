#include "webclient.h"

#include "netlogging.h"
#include "text/ansi.h"
#include "text/webaddress.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
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
#include <optional>
#include <utility>
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
    QByteArray chunk(qsizetype(64) * 1024, Qt::Uninitialized);
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

// One request in flight: its reply, its deadline, its size limit, and who gets its answer. It
// lives from the call until its continuation has been handed the text, or until it is
// dropped; the text is always handed over from the event loop, so a continuation never runs
// inside Qt's own signals of the reply nor inside the call that made the request.
class WebClient::Request final : public QObject
{
public:
    Request(WebClient &client, Method method, QUrl url, QByteArray body)
        : QObject(&client), m_client(client), m_method(method), m_url(std::move(url)), m_body(std::move(body))
    {
        m_deadlineTimer.setSingleShot(true);
        m_deadlineTimer.setTimerType(Qt::PreciseTimer);
        // The timer only wakes the request; whether the time is really up is the deadline's to
        // say, so an early tick just arms it again.
        connect(&m_deadlineTimer, &QTimer::timeout, this, [this] {
            if (m_deadline.hasExpired())
                expire();
            else
                arm();
        });
    }

    ~Request() override { releaseReply(); }
    Q_DISABLE_COPY_MOVE(Request)

    void send(QNetworkAccessManager &manager, std::chrono::milliseconds deadline)
    {
        const bool post = m_method == Method::Post;
        m_sent.start();
        m_reply = post ? manager.post(requestFor(m_url, true, false), m_body)
                       : manager.get(requestFor(m_url, false, m_method == Method::Headers));
        m_reply->setParent(this);
        connect(m_reply, &QNetworkReply::finished, this, [this] { end(false); });
        if (m_method == Method::Headers) {
            // Only the headers matter; the page is dropped as it arrives, so its size does not.
            connect(m_reply, &QNetworkReply::readyRead, this, [this] { m_reply->readAll(); });
        } else {
            connect(m_reply, &QNetworkReply::metaDataChanged, this,
                    [this] { limit(m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong()); });
            connect(m_reply, &QNetworkReply::readyRead, this, [this] { limit(m_reply->bytesAvailable()); });
            connect(m_reply, &QNetworkReply::downloadProgress, this,
                    [this](qint64 received, qint64 total) { limit(std::max(received, total)); });
        }
        // The deadline runs on the monotonic clock from the moment of sending.
        m_deadline = QDeadlineTimer(qint64(deadline.count()), Qt::PreciseTimer);
        arm();
    }

    // An address the client does not request: empty text, and no notice, from the event loop.
    void refuse()
    {
        m_refused = true;
        QMetaObject::invokeMethod(
            this, [this] { end(false); }, Qt::QueuedConnection);
    }

    bool isSame(Method method, const QUrl &url, const QByteArray &body) const
    {
        return m_method == method && m_url == url && m_body == body;
    }

    qint64 sentAgoMs() const { return m_sent.isValid() ? m_sent.elapsed() : 0; }

    // Who gets the answer. An answer that came before (the request sent ahead) is handed over
    // from the event loop all the same.
    void bind(QObject *context, Answer done)
    {
        m_context = context;
        m_done = std::move(done);
        m_bound = true;
        // Nobody to hand the answer to any more: the request goes at once.
        connect(context, &QObject::destroyed, this, [this] { drop("no one waits for it"); });
        if (m_state == State::Ended)
            handOverLater();
    }

    // Nothing of the request runs any more; the client forgets it at once.
    void drop(const char *why)
    {
        if (m_state == State::HandedOver || m_state == State::Dropped)
            return;
        if (m_state == State::InFlight)
            qCDebug(lcNet).noquote() << methodName() << loggableUrl(m_url) << why << "after" << m_sent.elapsed()
                                     << "ms";
        m_state = State::Dropped;
        m_deadlineTimer.stop();
        releaseReply();
        m_client.forget(this);
        deleteLater();
    }

private:
    enum class State
    {
        InFlight,   // sent (or refused) and not ended yet
        Ended,      // the text is known; handed over once someone is bound
        HandedOver, // the continuation has run or is running
        Dropped,
    };

    const char *methodName() const { return m_method == Method::Post ? "POST" : "GET"; }

    void arm() { m_deadlineTimer.start(int(std::clamp<qint64>(m_deadline.remainingTime(), 0, INT_MAX))); }

    void limit(qint64 bytes)
    {
        if (bytes <= MaxBodyBytes || m_oversize || m_state != State::InFlight)
            return;
        m_oversize = true;
        // Aborting finishes the reply; that ends the request in the same way as any other end.
        m_reply->abort();
    }

    void expire()
    {
        if (m_state != State::InFlight || !m_reply)
            return;
        // Not waited for any longer: the reply's own end of the abort is not this request's.
        disconnect(m_reply, nullptr, this, nullptr);
        m_reply->abort();
        end(true);
    }

    void releaseReply()
    {
        if (!m_reply)
            return;
        disconnect(m_reply, nullptr, this, nullptr);
        if (!m_reply->isFinished())
            m_reply->abort();
        // Never deleted from inside one of its own signals.
        m_reply->deleteLater();
        m_reply = nullptr;
    }

    // The answer as the caller's text, the notice it calls for, and the log line.
    void end(bool expired)
    {
        if (m_state != State::InFlight)
            return;
        m_state = State::Ended;
        m_deadlineTimer.stop();

        int status = 0;
        bool answered = false;
        bool undecodable = false;
        QByteArray body;
        QByteArray contentType;
        QList<QNetworkReply::RawHeaderPair> headers;
        const bool finished = m_reply && !expired && m_reply->isFinished();
        // In case the whole of a large answer arrived in one piece before any size signal ran.
        if (finished && m_method != Method::Headers && m_reply->bytesAvailable() > MaxBodyBytes)
            m_oversize = true;
        if (finished && !m_oversize) {
            const QVariant code = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (code.isValid() && isStatusError(m_reply->error())) {
                answered = true;
                status = code.toInt();
                headers = m_reply->rawHeaderPairs();
                contentType = m_reply->rawHeader("Content-Type");
                if (m_method != Method::Headers) {
                    body = m_reply->readAll();
                    const QByteArray coding = m_reply->rawHeader("Content-Encoding").trimmed().toLower();
                    if (!coding.isEmpty() && coding != "identity") {
                        std::optional<QByteArray> decoded = decodeContent(body, coding);
                        if (decoded) {
                            body = std::move(*decoded);
                        } else {
                            undecodable = true;
                            answered = false;
                            status = 0;
                            body.clear();
                        }
                    }
                }
            }
        }

        switch (m_method) {
        case Method::Get: {
            // Only a 200 answer is the service's: the body of any other is a server's or a
            // proxy's page, and one that happens to hold "ok|" or "kick" must not sign in or
            // end the program.
            const bool complete = answered && status == 200;
            m_notice = !complete && !m_refused;
            m_text = complete ? decodeBody(body, contentType) : QString();
            break;
        }
        case Method::Post: {
            const QString text = answered ? decodeBody(body, contentType) : QString();
            // The notice goes by the text that came, whatever its status, as it always has; the
            // text is the caller's only from a 200 answer, as for a GET.
            m_notice = text.isEmpty() && !m_refused;
            m_text = status == 200 ? text : QString();
            break;
        }
        case Method::Headers: {
            QStringList lines;
            lines.reserve(headers.size());
            for (const QNetworkReply::RawHeaderPair &header : std::as_const(headers))
                lines << QString::fromLatin1(header.first) + u": "_s + QString::fromLatin1(header.second);
            m_text = answered ? lines.join(u"\r\n"_s) : QString();
            break;
        }
        }

        if (!m_refused) {
            const char *outcome = "answered";
            if (undecodable)
                outcome = "unreadable content coding";
            else if (m_oversize)
                outcome = "too large";
            else if (!finished)
                outcome = "deadline passed";
            else if (!answered)
                outcome = "no answer";
            // The error's code, not Qt's text of it: that quotes the whole address, password included.
            const QString error = finished && !answered && m_reply ? QDebug::toString(m_reply->error()) : QString();
            qCDebug(lcNet).noquote() << methodName() << loggableUrl(m_url) << outcome << "status" << status << "bytes"
                                     << body.size() << "after" << m_sent.elapsed() << "ms" << error;
        }
        releaseReply();
        if (m_bound)
            handOverLater();
    }

    void handOverLater()
    {
        QMetaObject::invokeMethod(
            this, [this] { handOver(); }, Qt::QueuedConnection);
    }

    void handOver()
    {
        if (m_state != State::Ended || !m_bound)
            return;
        m_state = State::HandedOver;
        // Forgotten before anything else runs: a continuation that stops the client, or shows a
        // box during which other answers come, no longer finds this request among the living.
        m_client.forget(this);
        deleteLater();
        const QPointer<QObject> context = m_context;
        const Answer done = std::move(m_done);
        if (m_notice)
            Q_EMIT m_client.slowNetwork(slowNetworkText());
        if (context && done)
            done(m_text);
    }

    WebClient &m_client;
    const Method m_method;
    const QUrl m_url;
    const QByteArray m_body;
    QNetworkReply *m_reply = nullptr;
    QTimer m_deadlineTimer;
    QDeadlineTimer m_deadline;
    QElapsedTimer m_sent;
    QPointer<QObject> m_context;
    Answer m_done;
    QString m_text;
    State m_state = State::InFlight;
    bool m_bound = false;
    bool m_refused = false;
    bool m_oversize = false;
    bool m_notice = false;
};

WebClient::WebClient(QObject *parent) : QObject(parent), m_manager(new QNetworkAccessManager(this))
{
    // Qt keeps this switch for the whole process. The program has one WebClient and it is
    // made before the first request, so this is where the system's proxy settings are
    // taken up.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    // Qt 6's default, written out: redirects are followed, except from https to http.
    m_manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

WebClient::~WebClient()
{
    // Every request, also one handed over and only waiting to be deleted, takes its reply
    // with it before the manager goes.
    const QObjectList children = this->children();
    for (QObject *child : children) {
        if (child != m_manager)
            delete child;
    }
}

void WebClient::setDeadline(std::chrono::milliseconds deadline)
{
    m_deadline = std::max(deadline, std::chrono::milliseconds::zero());
}

void WebClient::stop()
{
    m_stopped = true;
    const QList<Request *> requests = m_requests;
    for (Request *request : requests)
        request->drop("stopped");
}

QString WebClient::slowNetworkText()
{
    return u"检测到你的网速有点慢，请尝试解决方法：\r\n"
           u"1、换一个更优质的网络环境使用本软件\r\n"
           u"2、尝试重启家里的路由器或重新拨号上网"_s;
}

void WebClient::getWebContent(const QString &url, QObject *context, Answer done)
{
    start(Method::Get, url, {}, context, std::move(done));
}

void WebClient::postWebContent(const QString &url, const QString &body, QObject *context, Answer done)
{
    // The body is form-encoded, hence ASCII; UTF-8 keeps anything else a caller slips in readable.
    start(Method::Post, url, body.toUtf8(), context, std::move(done));
}

void WebClient::getResponseHeaders(const QString &url, QObject *context, Answer done)
{
    start(Method::Headers, url, {}, context, std::move(done));
}

void WebClient::sendAhead(const QString &url, const QString &body)
{
    const QUrl target(url);
    if (m_stopped || !isWebUrl(target) || !QCoreApplication::instance())
        return;
    if (m_ahead)
        m_ahead->drop("left behind");
    // Qt puts it on the wire once the event loop runs, while nobody waits for it yet.
    qCDebug(lcNet).noquote() << "POST" << loggableUrl(target) << "sent ahead";
    m_ahead = new Request(*this, Method::Post, target, body.toUtf8());
    m_requests.append(m_ahead);
    m_ahead->send(*m_manager, m_deadline);
}

void WebClient::start(Method method, const QString &url, const QByteArray &body, QObject *context, Answer done)
{
    if (m_stopped)
        return;
    if (!QCoreApplication::instance()) {
        qCWarning(lcNet) << "no application object, request not sent";
        return;
    }
    QObject *receiver = context ? context : this;
    const QUrl target(url);
    if (!isWebUrl(target)) {
        qCDebug(lcNet) << (method == Method::Post      ? "POST refused, not an http(s) address"
                           : method == Method::Headers ? "GET (headers) refused, not an http(s) address"
                                                       : "GET refused, not an http(s) address");
        auto *refused = new Request(*this, method, target, body);
        m_requests.append(refused);
        refused->bind(receiver, std::move(done));
        refused->refuse();
        return;
    }
    if (Request *ahead = takeAhead(method, target, body)) {
        qCDebug(lcNet).noquote() << "POST" << loggableUrl(target) << "sent ahead" << ahead->sentAgoMs() << "ms ago";
        ahead->bind(receiver, std::move(done));
        return;
    }
    qCDebug(lcNet).noquote() << (method == Method::Post ? "POST" : "GET") << loggableUrl(target);
    auto *request = new Request(*this, method, target, body);
    m_requests.append(request);
    request->bind(receiver, std::move(done));
    request->send(*m_manager, m_deadline);
}

WebClient::Request *WebClient::takeAhead(Method method, const QUrl &url, const QByteArray &body)
{
    // A request sent ahead serves a call only when it is the very same one; any other call
    // leaves it behind for good.
    Request *ahead = std::exchange(m_ahead, nullptr);
    if (!ahead)
        return nullptr;
    if (ahead->isSame(method, url, body))
        return ahead;
    ahead->drop("left behind");
    return nullptr;
}

void WebClient::forget(Request *request)
{
    m_requests.removeOne(request);
    if (m_ahead == request)
        m_ahead = nullptr;
}

} // namespace zq
