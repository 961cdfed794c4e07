#pragma once

#include <httplib.h>

#include <QtGlobal>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A loopback HTTP server inside the test process whose answers the test writes, for
// sequences the stand-in service has no switch for (an empty answer, then a good one).
class ScriptedServer final
{
public:
    struct Received
    {
        std::string method;
        std::string path;
        std::string target; // path and query exactly as sent
        std::string body;
        std::string contentType;
    };
    struct Answer
    {
        int status = 200;
        std::string body;
        std::string contentType = "text/plain; charset=utf-8";
        std::vector<std::pair<std::string, std::string>> headers;
    };
    using Handler = std::function<Answer(const Received &request, int callIndex)>;

    ScriptedServer()
    {
        auto handle = [this](const httplib::Request &req, httplib::Response &res) {
            Received got{req.method, req.path, req.target, req.body, req.get_header_value("Content-Type")};
            Handler handler;
            int index = 0;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_received.push_back(got);
                index = int(m_received.size()) - 1;
                handler = m_handler;
            }
            const Answer answer = handler ? handler(got, index) : Answer{};
            res.status = answer.status;
            for (const auto &header : answer.headers)
                res.set_header(header.first, header.second);
            res.set_content(answer.body, answer.contentType);
        };
        m_server.Get(".*", handle);
        m_server.Post(".*", handle);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::yield();
    }
    ~ScriptedServer()
    {
        m_server.stop();
        m_thread.join();
    }
    Q_DISABLE_COPY_MOVE(ScriptedServer)

    void setHandler(Handler handler)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_handler = std::move(handler);
    }
    std::vector<Received> received() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }
    int port() const { return m_port; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }

private:
    httplib::Server m_server;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<Received> m_received;
    Handler m_handler;
    int m_port = 0;
};
