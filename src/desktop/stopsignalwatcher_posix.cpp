#include "stopsignalwatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zq {

namespace {

// The only state a signal handler may touch: the write end of the pipe to the event loop.
// A process has one set of signal handlers, so this is per process by nature.
int g_signalWriteFd = -1;

void onSignal(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    if (g_signalWriteFd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(g_signalWriteFd, &byte, 1);
    }
}

} // namespace

StopSignalWatcher::StopSignalWatcher(std::initializer_list<int> signalNumbers, QObject *parent)
    : QObject(parent), m_signalNumbers(signalNumbers)
{
    int fds[2];
    // Close-on-exec: the processes the program starts (the component script, the default
    // browser) must not hold the program's end of the pipe.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return;
    // A handler must never block: with the pipe full a signal is one too many anyway.
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    g_signalWriteFd = fds[0];
    m_notifier = new QSocketNotifier(fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        if (::read(int(m_notifier->socket()), &byte, 1) == 1)
            Q_EMIT received(int(byte));
    });
    for (int signalNumber : signalNumbers) {
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signalNumber, &action, nullptr);
    }
}

StopSignalWatcher::~StopSignalWatcher()
{
    if (!m_notifier)
        return;
    // Once nobody watches, a stop signal stops the program as it would without the watcher,
    // instead of going to a handler whose pipe is closed.
    for (int signalNumber : m_signalNumbers) {
        struct sigaction action = {};
        action.sa_handler = SIG_DFL;
        sigemptyset(&action.sa_mask);
        ::sigaction(signalNumber, &action, nullptr);
    }
    const int readFd = int(m_notifier->socket());
    delete m_notifier;
    ::close(readFd);
    ::close(g_signalWriteFd);
    g_signalWriteFd = -1;
}

} // namespace zq
