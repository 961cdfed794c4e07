#include "loopbackserver.h"

#include <algorithm>
#include <chrono>
#include <httplib.h>

using namespace std::chrono_literals;

LoopbackServer::LoopbackServer() : m_server(std::make_unique<httplib::Server>())
{
    const auto handler = [this](const httplib::Request &request, httplib::Response &response) {
        handle(request, response);
    };
    m_server->Get(R"(/.*)", handler);
    m_server->Post(R"(/.*)", handler);
    m_server->set_keep_alive_timeout(1);
    // Bound before the thread starts, so a request sent right away waits in the backlog.
    m_port = m_server->bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
}

LoopbackServer::~LoopbackServer()
{
    {
        // Lets a held answer go, so no handler keeps the server from stopping.
        const std::lock_guard lock(m_mutex);
        m_answers.clear();
    }
    m_answered.notify_all();
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

void LoopbackServer::setAnswer(const std::string &path, Answer answer)
{
    const std::lock_guard lock(m_mutex);
    m_answers[path] = std::move(answer);
}

QString LoopbackServer::url(const QString &pathAndQuery) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(pathAndQuery);
}

std::vector<LoopbackServer::Received> LoopbackServer::received() const
{
    const std::lock_guard lock(m_mutex);
    return m_received;
}

std::vector<LoopbackServer::Received> LoopbackServer::receivedFor(const std::string &path) const
{
    std::vector<Received> all = received();
    all.erase(std::remove_if(all.begin(), all.end(), [&path](const Received &r) { return r.path != path; }), all.end());
    return all;
}

void LoopbackServer::handle(const httplib::Request &request, httplib::Response &response)
{
    std::unique_lock lock(m_mutex);
    m_received.push_back({request.method, request.path, request.get_header_value("Content-Type"), request.body});
    const auto found = m_answers.find(request.path);
    if (found == m_answers.end()) {
        response.status = 404;
        response.set_content("no such path", "text/plain");
        return;
    }
    const Answer answer = found->second;
    if (!answer.holdUntil.empty()) {
        // Bounded, so a client that never sends the awaited request fails its test instead of hanging it.
        m_answered.wait_for(lock, 15s,
                            [&] { return m_answeredPaths.count(answer.holdUntil) > 0 || m_answers.empty(); });
    }
    m_answeredPaths.insert(request.path);
    lock.unlock();
    m_answered.notify_all();

    response.status = answer.status;
    if (!answer.location.empty())
        response.set_header("Location", answer.location);
    if (!answer.contentEncoding.empty())
        response.set_header("Content-Encoding", answer.contentEncoding);
    if (answer.chunked) {
        auto body = std::make_shared<std::string>(answer.body);
        response.set_chunked_content_provider(answer.contentType, [body](size_t offset, httplib::DataSink &sink) {
            if (offset >= body->size()) {
                sink.done();
                return true;
            }
            const size_t length = std::min<size_t>(64 * 1024, body->size() - offset);
            return sink.write(body->data() + offset, length);
        });
    } else if (answer.contentType.empty()) {
        response.body = answer.body;
    } else {
        response.set_content(answer.body, answer.contentType);
    }
}
