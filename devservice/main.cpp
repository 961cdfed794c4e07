// zq-devservice: the stand-in web service that the zq client runs against on this machine.

#include "accountbook.h"
#include "standinservice.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

const int DefaultPort = 8731;

void printUsage(std::FILE *to)
{
    std::fprintf(to,
                 "用法 / usage: zq-devservice [port]\n"
                 "  在 127.0.0.1 上提供 zq 客户端的本地演示服务；port 默认 %d，0 表示任选一个空闲端口。\n"
                 "  Serves the zq client's stand-in service on 127.0.0.1; port defaults to %d, 0 picks a free one.\n"
                 "  演示账号 / demo account: %s  密码 / password: %s\n",
                 DefaultPort, DefaultPort, devservice::AccountBook::DemoAccount, devservice::AccountBook::DemoPassword);
}

// Shared between the serving thread and the one that waits for the stop signal.
struct Shutdown
{
    std::mutex mutex;
    std::condition_variable changed;
    bool signalled = false;
    bool served = false;
};

// Where the signal handler reports a stop request; set once before the handler is installed.
// A handler can reach nothing but globals.
int stopPipeWriteEnd = -1;

void onStopSignal(int)
{
    const int savedErrno = errno;
    const char byte = 's';
    [[maybe_unused]] const ssize_t written = write(stopPipeWriteEnd, &byte, 1);
    errno = savedErrno;
}

} // namespace

int main(int argc, char *argv[])
{
    int port = DefaultPort;
    if (argc > 2) {
        printUsage(stderr);
        return 2;
    }
    if (argc == 2) {
        if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
            printUsage(stdout);
            return 0;
        }
        char *end = nullptr;
        const long value = std::strtol(argv[1], &end, 10);
        if (end == argv[1] || *end != '\0' || value < 0 || value > 65535) {
            printUsage(stderr);
            return 2;
        }
        port = static_cast<int>(value);
    }

    // A client that hangs up mid-answer must not end the service.
    std::signal(SIGPIPE, SIG_IGN);

    devservice::StandInService service;
    const int bound = service.bind(port);
    if (bound <= 0) {
        std::fprintf(stderr, "zq-devservice: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }

    // The handler only writes a byte to a pipe; the stop thread does the work. A signal mask
    // would not do: threads started before main (a sanitizer's, for one) would still take the
    // signal with its default action.
    int stopPipe[2];
    if (pipe(stopPipe) != 0) {
        std::perror("zq-devservice: pipe");
        return 1;
    }
    stopPipeWriteEnd = stopPipe[1];
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    auto *shutdown = new Shutdown;
    std::thread stopper([shutdown, &service, readEnd = stopPipe[0]] {
        char byte = 0;
        while (read(readEnd, &byte, 1) < 0 && errno == EINTR) {
        }
        {
            std::lock_guard<std::mutex> lock(shutdown->mutex);
            shutdown->signalled = true;
        }
        service.stop();
        // Idle keep-alive connections hold their worker for a few seconds after the stop; do not
        // make whoever sent the signal wait for them.
        std::unique_lock<std::mutex> lock(shutdown->mutex);
        if (!shutdown->changed.wait_for(lock, std::chrono::milliseconds(500),
                                        [shutdown] { return shutdown->served; })) {
            std::fflush(stdout);
            std::fflush(stderr);
            _exit(0);
        }
    });

    std::printf("listening on %d\n", bound);
    std::fflush(stdout);

    const bool ok = service.run();
    {
        std::lock_guard<std::mutex> lock(shutdown->mutex);
        shutdown->served = true;
    }
    shutdown->changed.notify_all();

    bool signalled = false;
    {
        std::lock_guard<std::mutex> lock(shutdown->mutex);
        signalled = shutdown->signalled;
    }
    if (!signalled) {
        // The stop thread still waits for a signal and holds on to the service: leave without unwinding.
        std::fprintf(stderr, "zq-devservice: serving stopped unexpectedly\n");
        std::fflush(stdout);
        _exit(1);
    }
    stopper.join();
    delete shutdown;
    return ok ? 0 : 1;
}
