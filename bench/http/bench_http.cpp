// bench_http: what the client's requests cost.
//
// 1. CPU time of the whole process during one full wait (9,999 ms) on a loopback server
//    that accepts the connection and never answers. Goal: under 50 ms. Measured with
//    getrusage over the one call, after a short warm-up call has loaded what the first
//    request of a process loads.
// 2. Round trip of getWebContent beside curl, on the same URL of a loopback HTTP server
//    (in this process, on its own threads, unless --url names another). Both keep one
//    connection open across requests: getWebContent through its QNetworkAccessManager,
//    curl by taking every URL in one process, which reuses its connection. Each side's
//    per-request time is its own: the wall time around one getWebContent call, and curl's
//    %{time_total} for one transfer. The first request of each side opens the connection
//    and is left out. Run twice against the built-in server: answering after 20 ms, about
//    what the service takes on a real network, with the goal: the median of getWebContent
//    within 1.05 times curl's; and answering at once, where Qt's fixed cost of a request
//    (about a quarter of a millisecond) is all there is to see, reported only. A round trip
//    against another server (--url) is reported only as well.
//
// Usage: bench_http [--requests N] [--url URL] [--skip-wait]

#include "net/webclient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <httplib.h>
#include <memory>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using namespace zq;
using zq::WebClient;

namespace {

// One request, waited for as a caller of the window waits: the event loop runs until the answer
// has been handed over.
QString fetch(WebClient &client, const QString &url)
{
    QEventLoop loop;
    QString answer;
    client.getWebContent(url, &loop, [&](const QString &text) {
        answer = text;
        loop.quit();
    });
    loop.exec();
    return answer;
}

double cpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

// A listener that never accepts: the kernel completes the handshake and keeps the request,
// and no answer ever comes.
class SilentListener final
{
public:
    SilentListener()
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::listen(m_socket, 8);
        socklen_t length = sizeof address;
        ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~SilentListener() { ::close(m_socket); }
    SilentListener(const SilentListener &) = delete;
    SilentListener &operator=(const SilentListener &) = delete;

    QString url() const { return u"http://127.0.0.1:%1/online"_s.arg(m_port); }

private:
    int m_socket = -1;
    int m_port = 0;
};

class AnswerServer final
{
public:
    explicit AnswerServer(std::chrono::milliseconds serviceTime)
    {
        // About the size of a login or online-report answer.
        const std::string body = "ok|" + std::string(60, '7') + "|2026-12-08 12:15:37|";
        m_server.Get("/online", [body, serviceTime](const httplib::Request &, httplib::Response &response) {
            if (serviceTime.count() > 0)
                std::this_thread::sleep_for(serviceTime);
            response.set_content(body, "text/plain; charset=utf-8");
        });
        m_server.set_keep_alive_max_count(100000);
        // httplib sends the head and the body in two writes; with Nagle's algorithm on, each
        // answer would wait for the client's delayed ACK (40 ms on Linux), for curl and us alike.
        m_server.set_tcp_nodelay(true);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~AnswerServer()
    {
        m_server.stop();
        m_thread.join();
    }
    AnswerServer(const AnswerServer &) = delete;
    AnswerServer &operator=(const AnswerServer &) = delete;

    QString url() const { return u"http://127.0.0.1:%1/online?a=online&u=bench"_s.arg(m_port); }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
};

void measureWait()
{
    SilentListener silent;
    WebClient client;
    int notices = 0;
    QObject::connect(&client, &WebClient::slowNetwork, &client, [&notices](const QString &) { ++notices; });

    client.setDeadline(300ms);
    fetch(client, silent.url());
    client.setDeadline(WebClient::DefaultDeadline);

    QElapsedTimer wall;
    const double before = cpuMilliseconds();
    wall.start();
    const QString text = fetch(client, silent.url());
    const qint64 waited = wall.elapsed();
    const double spent = cpuMilliseconds() - before;

    std::printf("CPU time during one wait on a silent server: %.1f ms (the wait lasted %lld ms, answer %s)\n", spent,
                waited, text.isEmpty() ? "empty as expected" : "NOT empty");
    std::printf("    goal: under 50 ms: %s\n", spent < 50.0 ? "met" : "MISSED");
}

std::vector<double> timeWebClient(const QString &url, int requests)
{
    WebClient client;
    int notices = 0;
    QObject::connect(&client, &WebClient::slowNetwork, &client, [&notices](const QString &) { ++notices; });
    std::vector<double> times;
    times.reserve(size_t(requests));
    int empty = 0;
    for (int i = 0; i <= requests; ++i) {
        QElapsedTimer timer;
        timer.start();
        const QString text = fetch(client, url);
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (i == 0)
            continue; // opened the connection
        times.push_back(ms);
        empty += text.isEmpty() ? 1 : 0;
    }
    if (empty != 0 || notices != 0)
        std::printf("    warning: %d empty answers, %d notices\n", empty, notices);
    return times;
}

// The same request on a bare QNetworkAccessManager and QEventLoop: what Qt itself costs, to
// tell it apart from what WebClient adds.
std::vector<double> timeBareQt(const QString &url, int requests)
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    request.setRawHeader("Accept-Encoding", "identity");
    std::vector<double> times;
    for (int i = 0; i <= requests; ++i) {
        QElapsedTimer timer;
        timer.start();
        QNetworkReply *reply = manager.get(request);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        reply->readAll();
        delete reply;
        if (i > 0)
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return times;
}

std::vector<double> timeCurl(const QString &url, int requests)
{
    const QString curl = QStandardPaths::findExecutable(u"curl"_s);
    if (curl.isEmpty())
        return {};
    QStringList arguments{u"-s"_s, u"-w"_s, u"\n@@%{time_total}\n"_s};
    for (int i = 0; i <= requests; ++i)
        arguments << url;
    QProcess process;
    process.start(curl, arguments);
    if (!process.waitForFinished(120000))
        return {};
    std::vector<double> times;
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    bool first = true;
    for (const QByteArray &line : lines) {
        if (!line.startsWith("@@"))
            continue;
        if (first) {
            first = false; // opened the connection
            continue;
        }
        times.push_back(line.mid(2).toDouble() * 1000.0);
    }
    return times;
}

// The goal applies where the server takes the time a real service takes; at zero service
// time the ratio measures Qt's fixed cost per request, not the client's.
constexpr double kGoalRatio = 1.05;
constexpr std::chrono::milliseconds kGoalServiceTime{20};

void measureRoundTrip(const QString &givenUrl, int requests, std::chrono::milliseconds serviceTime)
{
    std::unique_ptr<AnswerServer> server;
    QString url = givenUrl;
    if (url.isEmpty()) {
        server = std::make_unique<AnswerServer>(serviceTime);
        url = server->url();
        std::printf("Round trip, loopback server answering after %lld ms:\n", qint64(serviceTime.count()));
    } else {
        std::printf("Round trip, %s:\n", qPrintable(url));
    }

    const std::vector<double> ours = timeWebClient(url, requests);
    const std::vector<double> bare = timeBareQt(url, requests);
    const std::vector<double> theirs = timeCurl(url, requests);
    const double oursMedian = percentile(ours, 0.5);
    std::printf("    getWebContent:                median %.3f ms, p90 %.3f ms over %zu requests\n", oursMedian,
                percentile(ours, 0.9), ours.size());
    std::printf("    bare QNetworkAccessManager:   median %.3f ms, p90 %.3f ms (for reference)\n",
                percentile(bare, 0.5), percentile(bare, 0.9));
    if (theirs.empty()) {
        std::printf("    curl: not found or failed; no comparison\n");
        return;
    }
    const double theirsMedian = percentile(theirs, 0.5);
    std::printf("    curl, same URL, one process:  median %.3f ms, p90 %.3f ms over %zu requests\n", theirsMedian,
                percentile(theirs, 0.9), theirs.size());
    const double ratio = theirsMedian > 0.0 ? oursMedian / theirsMedian : 0.0;
    std::printf("    ratio of the medians: %.3f\n", ratio);
    if (givenUrl.isEmpty() && serviceTime == kGoalServiceTime)
        std::printf("    goal: within %.2f times curl: %s\n", kGoalRatio,
                    ratio > 0.0 && ratio <= kGoalRatio ? "met" : "MISSED");
    else
        std::printf("    reported only: at this service time the ratio is mostly Qt's fixed cost per request\n");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int requests = 200;
    QString url;
    bool skipWait = false;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == u"--requests"_s && i + 1 < arguments.size())
            requests = std::max(1, arguments.at(++i).toInt());
        else if (arguments.at(i) == u"--url"_s && i + 1 < arguments.size())
            url = arguments.at(++i);
        else if (arguments.at(i) == u"--skip-wait"_s)
            skipWait = true;
    }

    std::printf("bench_http: requests of the client (WebClient)\n");
    if (!skipWait)
        measureWait();
    measureRoundTrip(url, requests, 0ms);
    if (url.isEmpty())
        measureRoundTrip(url, requests, 20ms);
    return 0;
}
