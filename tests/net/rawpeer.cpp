#include "rawpeer.h"

#include <arpa/inet.h>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

RawPeer::RawPeer(Mode mode, std::string answer) : m_mode(mode), m_answer(std::move(answer))
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::listen(m_listener, 16);
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length);
    m_port = ntohs(address.sin_port);
    if (m_mode == Mode::Silent)
        return; // the kernel completes the handshake and keeps whatever is sent
    if (::pipe2(m_wake, O_CLOEXEC) != 0)
        return;
    m_thread = std::thread([this] { serve(); });
}

RawPeer::~RawPeer()
{
    if (m_thread.joinable()) {
        const char stop = 'x';
        [[maybe_unused]] const ssize_t written = ::write(m_wake[1], &stop, 1);
        m_thread.join();
    }
    for (const int fd : {m_wake[0], m_wake[1], m_listener}) {
        if (fd >= 0)
            ::close(fd);
    }
}

QString RawPeer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

std::vector<std::string> RawPeer::heads() const
{
    const std::lock_guard lock(m_mutex);
    return m_heads;
}

void RawPeer::serve()
{
    for (;;) {
        pollfd waits[2] = {{m_listener, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0 || waits[1].revents != 0)
            return;
        const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        std::string head;
        if (readHead(socket, head)) {
            {
                const std::lock_guard lock(m_mutex);
                m_heads.push_back(head);
            }
            if (m_mode == Mode::Answer) {
                size_t sent = 0;
                while (sent < m_answer.size()) {
                    const ssize_t n = ::send(socket, m_answer.data() + sent, m_answer.size() - sent, MSG_NOSIGNAL);
                    if (n <= 0)
                        break;
                    sent += size_t(n);
                }
            }
        }
        ::close(socket);
    }
}

bool RawPeer::readHead(int socket, std::string &head) const
{
    char buffer[4096];
    for (;;) {
        const size_t end = head.find("\r\n\r\n");
        if (end != std::string::npos) {
            head.resize(end);
            return true;
        }
        pollfd waits[2] = {{socket, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0 || waits[1].revents != 0)
            return false;
        const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        head.append(buffer, size_t(n));
    }
}
