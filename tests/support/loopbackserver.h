#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>
#include <utility>

// A real HTTP peer on 127.0.0.1 inside the test process, on Qt's own sockets (so it builds
// wherever Qt does), for what the stand-in service has no switch for: answers the test
// writes for a path or for each request, an answer held back until another has gone, a
// peer that never answers, a connection dropped, bytes sent exactly as given. It serves
// from a thread of its own: the client under test must keep its event loop going to get an
// answer, as against the real service, and a handler may wait for the test's thread.
class LoopbackServer final
{
public:
    enum class Mode
    {
        Http,   // answers each request as the test set it
        Silent, // takes the connection and whatever is sent; no answer ever comes
        Drop,   // reads the request head, then closes without a word
        Raw,    // reads the request head, sends the raw answer as given, then closes
    };

    struct Received
    {
        QByteArray method;
        QByteArray path;   // as sent, without the query
        QByteArray target; // path and query exactly as sent
        QByteArray contentType;
        QByteArray body;
        QByteArray head; // request line and headers as they came over the wire, without the blank line
    };

    struct Answer
    {
        // Positional, as a test writes its answers ({404, "text/plain", "gone"}): what it leaves
        // out is the default.
        Answer(int code = 200, QByteArray type = "text/plain", QByteArray content = {}, bool inChunks = false,
               QByteArray afterPath = {}, QByteArray redirect = {}, QByteArray coding = {},
               QList<QPair<QByteArray, QByteArray>> extraHeaders = {})
            : status(code), contentType(std::move(type)), body(std::move(content)), chunked(inChunks),
              holdUntil(std::move(afterPath)), location(std::move(redirect)), contentEncoding(std::move(coding)),
              headers(std::move(extraHeaders))
        {}

        int status = 200;
        QByteArray contentType = "text/plain"; // empty: no Content-Type header at all
        QByteArray body;
        bool chunked = false;       // sent in chunks, without Content-Length
        QByteArray holdUntil;       // sent only once this path has been answered (15 s at most)
        QByteArray location;        // sent as a Location header
        QByteArray contentEncoding; // sent as a Content-Encoding header
        QList<QPair<QByteArray, QByteArray>> headers;
    };

    // Answers a request that no path given to setAnswer matches; `index` counts every request
    // received, from 0. Runs on the server's thread.
    using Handler = std::function<Answer(const Received &request, int index)>;

    explicit LoopbackServer(Mode mode = Mode::Http, QByteArray rawAnswer = {});
    ~LoopbackServer();
    Q_DISABLE_COPY_MOVE(LoopbackServer)

    void setAnswer(const QByteArray &path, Answer answer);
    // Without a handler, a path not set is answered 404.
    void setHandler(Handler handler);

    quint16 port() const;
    // "http://127.0.0.1:<port>/"
    QString base() const;
    // "http://127.0.0.1:<port>" followed by `pathAndQuery`
    QString url(const QString &pathAndQuery) const;

    // Every request so far, oldest first.
    QList<Received> received() const;
    QList<Received> receivedFor(const QByteArray &path) const;

    class Shared;

private:
    std::shared_ptr<Shared> m_shared;
    quint16 m_port = 0;
};
