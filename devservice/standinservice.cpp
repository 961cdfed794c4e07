#include "standinservice.h"

#include "pages.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

namespace devservice {

namespace {

const char *const TextType = "text/plain; charset=utf-8";
const char *const HtmlType = "text/html; charset=utf-8";
const int SilentSeconds = 15;
const size_t HugeSize = 5 * 1024 * 1024;

// Workers are cheap here and an answer held back by "silent" occupies one for 15 s;
// the library's default of eight would let a few such answers stall everything else.
const size_t WorkerThreads = 48;

// The software information. Names and codes of the platform links go in the same order.
const char *const Announcement = "欢迎使用栖木分分彩智能做号计划软件！这是本地演示服务，计划每3秒更新一次。";
const char *const Contact = "客服QQ:12345 ";
const char *const PlatformTable = "天天彩|101,好运 来|102,幸运星|103,金彩|104,大发|105,万家乐|106";
const char *const PlatformNames = "天天彩|好运来|幸运星|金彩|大发|万家乐";
const char *const PlatformCodes = "101|102|103|104|105|106";

const char *const UnknownAction = "未知的请求。[br]请升级软件后再试。";

std::string collapseSlashes(const std::string &path)
{
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out.push_back(c);
    }
    return out;
}

std::string targetFor(const std::string &path, const QueryItems &query)
{
    if (path == "/spcenter/caieventhandle.php")
        return "softinfo";
    if (path == "/spcenter/zqsso.php") {
        const std::string action = queryValue(query, "a");
        if (action == "login_2016")
            return "login";
        if (action == "online")
            return "online";
        if (action == "reg")
            return "reg";
        return {};
    }
    if (path == "/")
        return "time";
    if (path == "/plan.php")
        return "plan";
    return {};
}

// A query value as text: percent-decoded already, then read as UTF-8 or code page 936.
std::string textValue(const QueryItems &query, const std::string &key)
{
    return wireToUtf8(queryValue(query, key));
}

bool sameAddress(const sockaddr_storage &addr, const std::string &ip, int port)
{
    char buffer[INET6_ADDRSTRLEN] = {};
    if (addr.ss_family == AF_INET) {
        const auto *in = reinterpret_cast<const sockaddr_in *>(&addr);
        inet_ntop(AF_INET, &in->sin_addr, buffer, sizeof buffer);
        return ntohs(in->sin_port) == port && ip == buffer;
    }
    if (addr.ss_family == AF_INET6) {
        const auto *in6 = reinterpret_cast<const sockaddr_in6 *>(&addr);
        inet_ntop(AF_INET6, &in6->sin6_addr, buffer, sizeof buffer);
        return ntohs(in6->sin6_port) == port && ip == buffer;
    }
    return false;
}

} // namespace

StandInService::StandInService()
{
    m_server.new_task_queue = [] { return new httplib::ThreadPool(WorkerThreads); };
    m_server.set_payload_max_length(1024 * 1024);
    m_server.set_exception_handler([](const httplib::Request &, httplib::Response &response, std::exception_ptr) {
        response.status = 500;
        response.set_content("服务器内部错误", TextType);
    });
    const auto handler = [this](const httplib::Request &request, httplib::Response &response) {
        handle(request, response);
    };
    // One handler for everything: the client's softinfo path starts with "//", and the routing
    // below is easier to follow in one place than as a list of patterns. HEAD is served by the
    // GET handler, without the body.
    m_server.Get(".*", handler);
    m_server.Post(".*", handler);
    m_server.Put(".*", handler);
    m_server.Patch(".*", handler);
    m_server.Delete(".*", handler);
    m_server.Options(".*", handler);
}

int StandInService::bind(int port)
{
    // SO_REUSEADDR only: with cpp-httplib's default SO_REUSEPORT a second service could bind a
    // port that is already taken and quietly share its connections.
    m_server.set_socket_options([](auto sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const void *>(&yes), sizeof(yes));
    });
    // The head and the body go out in two writes; without this the body waits for the
    // client's delayed ACK, about 40 ms on every answer of a reused connection.
    m_server.set_tcp_nodelay(true);
    if (port == 0)
        m_port = m_server.bind_to_any_port("127.0.0.1");
    else
        m_port = m_server.bind_to_port("127.0.0.1", port) ? port : -1;
    return m_port;
}

bool StandInService::run()
{
    return m_server.listen_after_bind();
}

void StandInService::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopped.notify_all();
    m_server.stop();
}

bool StandInService::holdBack(int seconds)
{
    std::unique_lock<std::mutex> lock(m_stopMutex);
    return !m_stopped.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_stopping; });
}

void StandInService::handle(const httplib::Request &request, httplib::Response &response)
{
    const size_t mark = request.target.find('?');
    const std::string rawPath = request.target.substr(0, mark);
    const std::string rawQuery = mark == std::string::npos ? std::string() : request.target.substr(mark + 1);
    const std::string path = collapseSlashes(request.path);
    const bool control = path.rfind("/_test/", 0) == 0;

    if (!control || path == "/_test/called") {
        RequestLog::Entry entry{request.method, rawPath, rawQuery, request.body, {}};
        for (const auto &header : request.headers) {
            // The library files the peer's and its own address among the headers.
            if (header.first == "REMOTE_ADDR" || header.first == "REMOTE_PORT" || header.first == "LOCAL_ADDR" ||
                header.first == "LOCAL_PORT")
                continue;
            entry.headers.emplace_back(header.first, header.second);
        }
        m_log.add(std::move(entry));
    }

    const QueryItems query = parseQuery(rawQuery);
    const Reply reply = control ? controlReply(path, query) : serviceReply(request, path, query);
    if (reply.drop) {
        dropConnection(request);
        return;
    }
    response.status = reply.status;
    if (reply.body.empty()) {
        response.set_content(std::string(), reply.contentType.c_str());
    } else {
        // Served through a provider of known length, which the library sends as it is: a body set
        // directly would be gzipped for any client that accepts it, and then "huge" would no longer
        // be 5 MiB on the wire, nor any answer byte for byte what a plain PHP service sends.
        auto body = std::make_shared<const std::string>(reply.body);
        response.set_content_provider(
            body->size(), reply.contentType.c_str(), [body](size_t offset, size_t length, httplib::DataSink &sink) {
                if (offset < body->size())
                    sink.write(body->data() + offset, std::min(length, body->size() - offset));
                return true;
            });
    }
    response.set_header("Cache-Control", "no-store");
    if (reply.sendDate)
        response.set_header("Date", reply.date.empty() ? httpDate(std::time(nullptr)) : reply.date);
}

StandInService::Reply StandInService::controlReply(const std::string &path, const QueryItems &query)
{
    Reply reply;
    reply.contentType = TextType;
    if (path == "/_test/ping") {
        reply.body = "pong";
    } else if (path == "/_test/log") {
        // strtoull saturates where atoi would overflow; no number reads as 0.
        reply.body =
            m_log.toJsonLines(static_cast<size_t>(std::strtoull(queryValue(query, "from").c_str(), nullptr, 10)));
        reply.contentType = "application/x-ndjson; charset=utf-8";
    } else if (path == "/_test/clear") {
        m_log.clear();
        m_faults.clear();
        m_accounts.reset();
        reply.body = "cleared";
    } else if (path == "/_test/fault") {
        const std::string target = queryValue(query, "target");
        const std::string mode = queryValue(query, "mode");
        const std::string status = queryValue(query, "status");
        const int code = status.empty() ? 200 : std::atoi(status.c_str());
        if (!FaultBoard::isTarget(target) || !FaultBoard::isMode(mode)) {
            reply.status = 400;
            reply.body = "unknown target or mode: target=" + target + " mode=" + mode;
        } else if (!status.empty() && (mode != "text" || !FaultBoard::isStatus(code))) {
            reply.status = 400;
            reply.body = "a status goes with mode text only, 200 to 599: status=" + status;
        } else {
            const std::string times = queryValue(query, "times");
            m_faults.set(target, mode, queryValue(query, "body"), times.empty() ? 0 : std::atoi(times.c_str()), code);
            reply.body = "fault " + target + " " + mode;
        }
    } else if (path == "/_test/called") {
        reply.body = "called " + queryValue(query, "fn");
    } else if (path == "/_test/accounts") {
        reply.body = m_accounts.toJson();
        reply.contentType = "application/json; charset=utf-8";
    } else {
        reply.status = 404;
        reply.body = "unknown control " + path;
    }
    return reply;
}

StandInService::Reply StandInService::serviceReply(const httplib::Request &request, const std::string &path,
                                                   const QueryItems &query)
{
    const std::string target = targetFor(path, query);
    const FaultBoard::Fault fault = target.empty() ? FaultBoard::Fault{} : m_faults.take(target);
    const std::string &mode = fault.mode;
    const bool page = target == "plan" || target == "time";

    Reply reply;
    reply.contentType = page ? HtmlType : TextType;
    if (mode == "404") {
        reply.status = 404;
        reply.contentType = TextType;
        reply.body = "404 Not Found: 页面不存在";
        return reply;
    }
    if (mode == "500") {
        reply.status = 500;
        reply.contentType = TextType;
        reply.body = "500 Internal Server Error: 服务器内部错误";
        return reply;
    }
    if (mode == "drop") {
        reply.drop = true;
        return reply;
    }
    if (mode == "empty")
        return reply;
    if (mode == "badjson") {
        reply.contentType = TextType;
        reply.body = R"({"shop_url": "http:\/\/x)";
        return reply;
    }
    if (mode == "kick") {
        reply.contentType = TextType;
        reply.body = target == "online" ? "kick" : "kick: 您的账号已在其它地方登录";
        return reply;
    }
    if (mode == "text") {
        reply.status = fault.status;
        reply.body = fault.body;
        return reply;
    }
    if (mode == "silent" && !holdBack(SilentSeconds)) {
        // Shutting down: the client has long given up on this answer.
        reply.drop = true;
        return reply;
    }

    reply = normalReply(target, request, path, query, mode == "gbk");
    if (mode == "gbk") {
        const std::string utf8Meta = "charset=\"utf-8\"";
        const size_t meta = reply.body.find(utf8Meta);
        if (meta != std::string::npos)
            reply.body.replace(meta, utf8Meta.size(), "charset=\"GBK\"");
        reply.body = utf8ToGbk(reply.body);
        reply.contentType = page ? "text/html; charset=GBK" : "text/plain; charset=GBK";
    } else if (mode == "huge") {
        // The normal answer, padded with blanks: a client that read it all would take it for a good
        // answer, so only one that refuses the size behaves as a 5 MiB answer deserves.
        if (reply.body.size() < HugeSize)
            reply.body.append(HugeSize - reply.body.size(), ' ');
    } else if (mode == "date") {
        reply.sendDate = !fault.body.empty();
        reply.date = fault.body;
    } else if (mode == "nodate") {
        reply.sendDate = false;
    }
    return reply;
}

StandInService::Reply StandInService::normalReply(const std::string &target, const httplib::Request &request,
                                                  const std::string &path, const QueryItems &query, bool gbkJson)
{
    Reply reply;
    reply.contentType = TextType;
    if (target == "softinfo") {
        reply.body = softInfo(request, query, gbkJson);
    } else if (target == "login") {
        reply.body = m_accounts.login(textValue(query, "u"), textValue(query, "p"), textValue(query, "hash"));
    } else if (target == "online") {
        reply.body = m_accounts.online(textValue(query, "u"), textValue(query, "con"));
    } else if (target == "reg") {
        AccountBook::Registration data;
        data.account = trim(textValue(query, "u"));
        data.password = textValue(query, "p");
        data.platform = textValue(query, "pt");
        data.platformAccount = textValue(query, "s");
        data.email = textValue(query, "e");
        data.mac = textValue(query, "mac");
        data.hash = textValue(query, "hash");
        reply.body = m_accounts.registerAccount(data);
    } else if (target == "time") {
        reply.contentType = HtmlType;
        reply.body = pages::root();
    } else if (target == "plan") {
        reply.contentType = HtmlType;
        reply.body = pages::plan(textValue(query, "u"));
    } else if (path == "/spcenter/zqsso.php") {
        reply.body = UnknownAction;
    } else if (path == "/plan_empty.html") {
        reply.contentType = HtmlType;
        reply.body = pages::emptyPlan();
    } else if (path == "/reg.php") {
        reply.contentType = HtmlType;
        reply.body = pages::registration(textValue(query, "g"));
    } else if (path == "/a/awddownload.html") {
        reply.contentType = HtmlType;
        reply.body = pages::download();
    } else {
        reply.status = 404;
        reply.contentType = HtmlType;
        reply.body = pages::notFound();
    }
    return reply;
}

std::string StandInService::softInfo(const httplib::Request &request, const QueryItems &query, bool keepUnicode) const
{
    // The client sends the same query in the URL and as the form body; either will do.
    std::string action = queryValue(query, "act");
    if (action.empty())
        action = queryValue(parseQuery(request.body), "act");
    if (action != "tarel_zt_info")
        return "{\"error\":" + phpJsonString("未知的请求", keepUnicode) + "}";

    std::string host = request.get_header_value("Host");
    if (host.empty())
        host = "127.0.0.1:" + std::to_string(m_port);
    const std::string planUrl = "http://" + host + "/plan.php?u={ACC}&p={PASS}";

    const auto field = [keepUnicode](const char *key, const std::string &value) {
        return std::string("\"") + key + "\":" + phpJsonString(value, keepUnicode);
    };
    return "{" + field("shop_url", planUrl) + "," + field("new_ver_desc", PlatformTable) + "," +
           field("annouce", Announcement) + "," + field("contact", Contact) + "," + field("pltlist", PlatformNames) +
           "," + field("reg_url", PlatformCodes) + "}";
}

void StandInService::dropConnection(const httplib::Request &request)
{
    // cpp-httplib keeps the socket to itself. Find it by its two ends and shut it down; the
    // library then fails to write its answer and closes the descriptor as usual, so no
    // descriptor is ever closed under its feet.
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    const int highest =
        limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > 65536 ? 65536 : static_cast<int>(limit.rlim_cur);
    for (int fd = 0; fd < highest; ++fd) {
        sockaddr_storage local{};
        sockaddr_storage peer{};
        socklen_t localLength = sizeof local;
        socklen_t peerLength = sizeof peer;
        if (getsockname(fd, reinterpret_cast<sockaddr *>(&local), &localLength) != 0)
            continue;
        if (getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &peerLength) != 0)
            continue;
        if (sameAddress(local, request.local_addr, request.local_port) &&
            sameAddress(peer, request.remote_addr, request.remote_port)) {
            shutdown(fd, SHUT_RDWR);
            return;
        }
    }
    std::fprintf(stderr, "zq-devservice: connection to drop not found\n");
}

} // namespace devservice
