#pragma once

#include <QString>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A loopback TCP peer for what an HTTP library will not do: keep silent, drop the
// connection, or show the request exactly as it came over the wire.
class RawPeer final
{
public:
    enum class Mode
    {
        Silent, // accepts nothing: the connection stands, no answer ever comes
        Drop,   // reads the request, then closes without a word
        Answer, // reads the request, records its head, sends the given answer, closes
    };

    explicit RawPeer(Mode mode, std::string answer = {});
    ~RawPeer();
    RawPeer(const RawPeer &) = delete;
    RawPeer &operator=(const RawPeer &) = delete;

    QString url(const QString &path) const;
    // The request heads received so far, each up to and without its blank line.
    std::vector<std::string> heads() const;

private:
    void serve();
    bool readHead(int socket, std::string &head) const;

    Mode m_mode;
    std::string m_answer;
    int m_listener = -1;
    int m_port = 0;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_heads;
};
