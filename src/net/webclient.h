#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

class QNetworkAccessManager;
class QUrl;

namespace zq {

// The client's HTTP requests. Each call returns at once; the answer's text comes later to a
// continuation bound to a context object, from the event loop, never from inside the call
// (also for an address that is refused at once). Once the context is gone, or the client is
// stopped or destroyed, the request is dropped and nothing of it runs any more. No call
// reports an error: a failure is empty text, and a slow or failed answer emits slowNetwork()
// just before its continuation runs.
//
// One instance serves the whole program and owns its only QNetworkAccessManager.
class WebClient final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebClient)

public:
    // Receives the answer's text, or empty text.
    using Answer = std::function<void(const QString &text)>;

    // A request gives up just short of ten seconds after it was sent.
    static constexpr std::chrono::milliseconds DefaultDeadline{9999};
    // An answer larger than this is not read further and counts as no answer.
    static constexpr qint64 MaxBodyBytes = qint64(4) * 1024 * 1024;

    explicit WebClient(QObject *parent = nullptr);
    ~WebClient() override;

    // How long a request waits for its answer, counted from the moment it is sent.
    void setDeadline(std::chrono::milliseconds deadline);
    std::chrono::milliseconds deadline() const { return m_deadline; }

    // The program is ending: every request in flight is dropped and no continuation runs any
    // more; later calls send nothing and answer nothing.
    void stop();
    bool stopped() const { return m_stopped; }

    // GET. `done` gets the body of a 200 answer, or empty text: for no whole answer and for an
    // answer of any other status alike. A status other than 200, or no answer, emits
    // slowNetwork(). A null context binds the answer to the client itself.
    void getWebContent(const QString &url, QObject *context, Answer done);

    // POST of a form-encoded body. `done` gets the body of a 200 answer, or empty text as for
    // a GET; slowNetwork() comes when no answer came or its body was empty, whatever its status.
    void postWebContent(const QString &url, const QString &body, QObject *context, Answer done);

    // Makes that POST now, with no one waiting for it yet: the next postWebContent with the
    // same address and body takes this request's answer instead of sending again, and its
    // deadline counts from now. Any other call drops it. The program asks for its software
    // information this way before it builds its window.
    void sendAhead(const QString &url, const QString &body);

    // GET for the clock: `done` gets the answer's header lines ("Name: value", joined by CR
    // LF, no status line) once the answer is complete, whatever its status; empty text when it
    // did not complete within the deadline. Never emits slowNetwork().
    void getResponseHeaders(const QString &url, QObject *context, Answer done);

    // The three-line notice of a slow or failed request.
    static QString slowNetworkText();

Q_SIGNALS:
    // A request was slow or failed: the window shows `text` as a notice.
    void slowNetwork(const QString &text);

private:
    class Request;
    friend class Request;

    enum class Method
    {
        Get,
        Post,
        Headers,
    };

    void start(Method method, const QString &url, const QByteArray &body, QObject *context, Answer done);
    // The request sent ahead, when it is this one; otherwise it is dropped.
    Request *takeAhead(Method method, const QUrl &url, const QByteArray &body);
    void forget(Request *request);

    QNetworkAccessManager *m_manager = nullptr;
    QList<Request *> m_requests; // every request still in flight or waiting to be handed over
    Request *m_ahead = nullptr;  // one of them: the POST sent ahead, until a call takes or drops it
    std::chrono::milliseconds m_deadline = DefaultDeadline;
    bool m_stopped = false;
};

} // namespace zq
