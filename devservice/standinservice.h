#pragma once

#include "accountbook.h"
#include "faultboard.h"
#include "requestlog.h"
#include "text.h"

#include <condition_variable>
#include <httplib.h>
#include <mutex>
#include <string>

namespace devservice {

// The stand-in for the client's web service, plan page and time source, plus the controls
// under /_test/ that let a test read what arrived and switch faults on.
class StandInService final
{
public:
    StandInService();
    StandInService(const StandInService &) = delete;
    StandInService &operator=(const StandInService &) = delete;

    // Binds 127.0.0.1:port (0: any free port). Returns the port bound, or -1.
    int bind(int port);

    // Serves until stop(); false when serving could not start.
    bool run();

    // Callable from any thread: stops accepting and cuts short the answers held back by "silent".
    void stop();

private:
    struct Reply
    {
        int status = 200;
        std::string body;
        std::string contentType;
        bool sendDate = true;
        std::string date; // empty: the current time
        bool drop = false;
    };

    void handle(const httplib::Request &request, httplib::Response &response);
    Reply controlReply(const std::string &path, const QueryItems &query);
    Reply serviceReply(const httplib::Request &request, const std::string &path, const QueryItems &query);
    Reply normalReply(const std::string &target, const httplib::Request &request, const std::string &path,
                      const QueryItems &query, bool gbkJson);
    std::string softInfo(const httplib::Request &request, const QueryItems &query, bool keepUnicode) const;

    // Waits for seconds or until stop(); true when the wait ran its full length.
    bool holdBack(int seconds);

    // Closes the request's connection under the server, so the client gets no answer at all.
    static void dropConnection(const httplib::Request &request);

    httplib::Server m_server;
    AccountBook m_accounts;
    FaultBoard m_faults;
    RequestLog m_log;
    int m_port = 0;

    std::mutex m_stopMutex;
    std::condition_variable m_stopped;
    bool m_stopping = false;
};

} // namespace devservice
