#pragma once

#include <QString>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

// A real HTTP peer on 127.0.0.1 for the request tests: answers each path as told and
// remembers what it was sent. It serves from its own threads, so the client under test
// has to keep its event loop going to get an answer, just as against the real service.
class LoopbackServer final
{
public:
    struct Answer
    {
        int status = 200;
        std::string contentType = "text/plain"; // empty: no Content-Type header at all
        std::string body;
        bool chunked = false;  // sent without Content-Length
        std::string holdUntil; // answer only after this path has been answered
        std::string location;  // sent as a Location header
        std::string contentEncoding; // sent as a Content-Encoding header
    };

    struct Received
    {
        std::string method;
        std::string path;
        std::string contentType;
        std::string body;
    };

    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer &) = delete;
    LoopbackServer &operator=(const LoopbackServer &) = delete;

    void setAnswer(const std::string &path, Answer answer);
    QString url(const QString &pathAndQuery) const;
    int port() const { return m_port; }

    std::vector<Received> received() const;
    std::vector<Received> receivedFor(const std::string &path) const;

private:
    void handle(const httplib::Request &request, httplib::Response &response);

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = -1;

    mutable std::mutex m_mutex;
    std::condition_variable m_answered;
    std::map<std::string, Answer> m_answers;
    std::set<std::string> m_answeredPaths;
    std::vector<Received> m_received;
};
