#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QNetworkAccessManager;
class QUrl;

namespace zq {

// The client's HTTP requests. Each call looks blocking to its caller, but waits in a
// nested event loop, so the window keeps handling its timers and clicks meanwhile; a
// request started by one of those handlers runs to its end before the outer call
// resumes. No call reports an error: a failure is empty text, and a slow or failed
// answer raises the slow-network notice through the sink the window installs.
//
// One instance serves the whole program and owns its only QNetworkAccessManager.
class WebClient final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebClient)

public:
    using NoticeSink = std::function<void(const QString &)>;

    // A call gives up just short of ten seconds after sending.
    static constexpr std::chrono::milliseconds DefaultDeadline{9999};
    // An answer larger than this is not read further and counts as no answer.
    static constexpr qint64 MaxBodyBytes = 4 * 1024 * 1024;

    explicit WebClient(QObject *parent = nullptr);
    ~WebClient() override;

    void setNoticeSink(NoticeSink sink);

    // How long one call waits for its answer, counted from the moment the request is sent.
    void setDeadline(std::chrono::milliseconds deadline);
    // The program is ending: from now on every call returns empty text at once and sends
    // nothing, also from handlers still finishing inside a wait.
    void stop() { m_stopped = true; }
    bool stopped() const { return m_stopped; }
    std::chrono::milliseconds deadline() const { return m_deadline; }

    // GET. Returns the body of a 200 answer, or empty text: for no whole answer and for an
    // answer of any other status alike. A status other than 200, or no answer, shows the
    // slow-network notice.
    QString getWebContent(const QString &url);

    // POST of a form-encoded body. Returns the body of a 200 answer, or empty text as for a
    // GET; the notice is shown when no answer came or its body was empty, whatever its status.
    QString postWebContent(const QString &url, const QString &body);

    // Sends that POST now, without waiting: the next postWebContent with the same address
    // and body takes this request's answer instead of sending again, and its deadline counts
    // from now. Any other call drops it. The program asks for its software information this
    // way before it builds its window, so that the answer travels meanwhile.
    void sendAhead(const QString &url, const QString &body);

    // GET for the clock: the answer's header lines ("Name: value", joined by CR LF, no
    // status line) once the answer is complete, whatever its status; empty text when it
    // did not complete within the deadline. Never shows a notice.
    QString getResponseHeaders(const QString &url);

    // Hands the text to the notice sink, if any. Whatever goes wrong there stays there.
    void showTips(const QString &text);

    // The three-line notice of a slow or failed request.
    static QString slowNetworkText();

private:
    enum class Method
    {
        Get,
        Post,
        Headers,
    };
    struct Exchange;
    struct SentAhead;

    Exchange exchange(Method method, const QUrl &url, const QByteArray &body);

    QNetworkAccessManager *m_manager = nullptr;
    std::unique_ptr<SentAhead> m_ahead;
    NoticeSink m_noticeSink;
    std::chrono::milliseconds m_deadline = DefaultDeadline;
    bool m_stopped = false;
};

} // namespace zq
