#include "loopbackserver.h"

#include <QHash>
#include <QHostAddress>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <utility>

namespace {

// Bounded, so that a client that never sends the awaited request fails its test instead of
// hanging it.
constexpr int HoldLimitMs = 15000;
constexpr qsizetype ChunkBytes = 64 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

// One request read off a connection: its head parsed, its body whole.
struct Parsed
{
    LoopbackServer::Received request;
    bool closeAfter = false;
};

// Takes one complete request off the front of `buffer`; false while it is not all there yet.
bool takeRequest(QByteArray &buffer, Parsed &parsed)
{
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return false;
    const QByteArray head = buffer.left(headEnd);
    const QList<QByteArray> lines = head.split('\n');
    qsizetype bodyLength = 0;
    LoopbackServer::Received request;
    request.head = head;
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    const qsizetype query = request.target.indexOf('?');
    request.path = query < 0 ? request.target : request.target.left(query);
    bool closeAfter = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-length")
            bodyLength = value.toLongLong();
        else if (name == "content-type")
            request.contentType = value;
        else if (name == "connection")
            closeAfter = value.toLower() == "close";
    }
    const qsizetype total = headEnd + 4 + bodyLength;
    if (buffer.size() < total)
        return false;
    request.body = buffer.mid(headEnd + 4, bodyLength);
    buffer.remove(0, total);
    parsed.request = std::move(request);
    parsed.closeAfter = closeAfter;
    return true;
}

QByteArray responseBytes(const LoopbackServer::Answer &answer, bool closeAfter)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reasonPhrase(answer.status) + "\r\n";
    if (!answer.contentType.isEmpty())
        out += "Content-Type: " + answer.contentType + "\r\n";
    if (!answer.location.isEmpty())
        out += "Location: " + answer.location + "\r\n";
    if (!answer.contentEncoding.isEmpty())
        out += "Content-Encoding: " + answer.contentEncoding + "\r\n";
    for (const auto &header : answer.headers)
        out += header.first + ": " + header.second + "\r\n";
    if (closeAfter)
        out += "Connection: close\r\n";
    if (!answer.chunked) {
        out += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n\r\n" + answer.body;
        return out;
    }
    out += "Transfer-Encoding: chunked\r\n\r\n";
    for (qsizetype offset = 0; offset < answer.body.size(); offset += ChunkBytes) {
        const QByteArray chunk = answer.body.mid(offset, ChunkBytes);
        out += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
    }
    out += "0\r\n\r\n";
    return out;
}

} // namespace

// What the test's thread and the server's thread share.
class LoopbackServer::Shared
{
public:
    QMutex mutex;
    QHash<QByteArray, Answer> answers;
    Handler handler;
    QList<Received> received;
    QSet<QByteArray> answeredPaths;

    QThread thread;
    QObject *worker = nullptr; // lives on `thread`
};

namespace {

// The server's side, on its own thread: every object below lives there.
class Worker final : public QObject
{
public:
    Worker(LoopbackServer::Shared &shared, LoopbackServer::Mode mode, QByteArray rawAnswer)
        : m_shared(shared), m_mode(mode), m_rawAnswer(std::move(rawAnswer)), m_server(new QTcpServer(this))
    {
        connect(m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server->nextPendingConnection())
                take(socket);
        });
    }

    quint16 listen() { return m_server->listen(QHostAddress::LocalHost, 0) ? m_server->serverPort() : 0; }

private:
    struct Held
    {
        int id = 0;
        QPointer<QTcpSocket> socket;
        LoopbackServer::Answer answer;
        QByteArray path;
        bool closeAfter = false;
    };

    void take(QTcpSocket *socket)
    {
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
    }

    void readFrom(QTcpSocket *socket)
    {
        if (m_mode == LoopbackServer::Mode::Silent) {
            socket->readAll();
            return;
        }
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        // One request at a time per connection: the next waits while an answer is held.
        while (!isHolding(socket)) {
            Parsed parsed;
            if (!takeRequest(buffer, parsed))
                return;
            if (!serve(socket, parsed))
                return;
        }
    }

    bool isHolding(const QTcpSocket *socket) const
    {
        for (const Held &held : m_held) {
            if (held.socket == socket)
                return true;
        }
        return false;
    }

    // False when the connection is done with.
    bool serve(QTcpSocket *socket, const Parsed &parsed)
    {
        const LoopbackServer::Received &request = parsed.request;
        LoopbackServer::Handler handler;
        LoopbackServer::Answer answer;
        bool found = false;
        int index = 0;
        {
            const QMutexLocker lock(&m_shared.mutex);
            m_shared.received.append(request);
            index = int(m_shared.received.size()) - 1;
            const auto it = m_shared.answers.constFind(request.path);
            found = it != m_shared.answers.constEnd();
            if (found)
                answer = *it;
            handler = m_shared.handler;
        }
        switch (m_mode) {
        case LoopbackServer::Mode::Silent:
            return true;
        case LoopbackServer::Mode::Drop:
            m_buffers.remove(socket);
            socket->close();
            return false;
        case LoopbackServer::Mode::Raw:
            m_buffers.remove(socket);
            socket->write(m_rawAnswer);
            socket->disconnectFromHost();
            return false;
        case LoopbackServer::Mode::Http:
            break;
        }
        if (!found) {
            if (handler)
                answer = handler(request, index);
            else
                answer = {404, "text/plain", "no such path"};
        }
        if (!answer.holdUntil.isEmpty() && !answered(answer.holdUntil)) {
            const int id = ++m_lastHeld;
            m_held.append({id, socket, answer, request.path, parsed.closeAfter});
            QTimer::singleShot(HoldLimitMs, this, [this, id] { release(id); });
            return true;
        }
        return send(socket, answer, request.path, parsed.closeAfter);
    }

    bool answered(const QByteArray &path) const
    {
        const QMutexLocker lock(&m_shared.mutex);
        return m_shared.answeredPaths.contains(path);
    }

    bool send(QTcpSocket *socket, const LoopbackServer::Answer &answer, const QByteArray &path, bool closeAfter)
    {
        socket->write(responseBytes(answer, closeAfter));
        {
            const QMutexLocker lock(&m_shared.mutex);
            m_shared.answeredPaths.insert(path);
        }
        if (closeAfter) {
            m_buffers.remove(socket);
            socket->disconnectFromHost();
        }
        // Answers that waited for this one go now, from the event loop: not inside this call.
        QTimer::singleShot(0, this, [this] { releaseAnswered(); });
        return !closeAfter;
    }

    void releaseAnswered()
    {
        for (qsizetype i = 0; i < m_held.size(); ++i) {
            if (answered(m_held.at(i).answer.holdUntil)) {
                release(m_held.at(i).id);
                return; // release() went on from a fresh list
            }
        }
    }

    // Sends the held answer now, whether its path was answered or not, and reads on.
    void release(int id)
    {
        for (qsizetype i = 0; i < m_held.size(); ++i) {
            if (m_held.at(i).id != id)
                continue;
            const Held held = m_held.takeAt(i);
            if (held.socket && held.socket->state() == QAbstractSocket::ConnectedState &&
                send(held.socket, held.answer, held.path, held.closeAfter))
                readFrom(held.socket);
            releaseAnswered();
            return;
        }
    }

    LoopbackServer::Shared &m_shared;
    const LoopbackServer::Mode m_mode;
    const QByteArray m_rawAnswer;
    QTcpServer *m_server;
    QHash<const QTcpSocket *, QByteArray> m_buffers;
    QList<Held> m_held;
    int m_lastHeld = 0;
};

} // namespace

LoopbackServer::LoopbackServer(Mode mode, QByteArray rawAnswer) : m_shared(std::make_shared<Shared>())
{
    auto *worker = new Worker(*m_shared, mode, std::move(rawAnswer));
    m_shared->worker = worker;
    worker->moveToThread(&m_shared->thread);
    m_shared->thread.setObjectName(QStringLiteral("loopback server"));
    m_shared->thread.start();
    // Bound before the first request can be sent, so that none is refused.
    QMetaObject::invokeMethod(
        worker, [this, worker] { m_port = worker->listen(); }, Qt::BlockingQueuedConnection);
}

LoopbackServer::~LoopbackServer()
{
    // Every connection closes with the worker, held answers and all.
    QObject *worker = m_shared->worker;
    QMetaObject::invokeMethod(
        worker, [worker] { delete worker; }, Qt::BlockingQueuedConnection);
    m_shared->thread.quit();
    m_shared->thread.wait();
}

void LoopbackServer::setAnswer(const QByteArray &path, Answer answer)
{
    const QMutexLocker lock(&m_shared->mutex);
    m_shared->answers.insert(path, std::move(answer));
}

void LoopbackServer::setHandler(Handler handler)
{
    const QMutexLocker lock(&m_shared->mutex);
    m_shared->handler = std::move(handler);
}

quint16 LoopbackServer::port() const
{
    return m_port;
}

QString LoopbackServer::base() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(m_port);
}

QString LoopbackServer::url(const QString &pathAndQuery) const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port) + pathAndQuery;
}

QList<LoopbackServer::Received> LoopbackServer::received() const
{
    const QMutexLocker lock(&m_shared->mutex);
    return m_shared->received;
}

QList<LoopbackServer::Received> LoopbackServer::receivedFor(const QByteArray &path) const
{
    QList<Received> all = received();
    all.removeIf([&path](const Received &request) { return request.path != path; });
    return all;
}
