// zq-devservice: the stand-in web service that the zq client runs against on this machine.

#include "accountbook.h"
#include "standinservice.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <pthread.h>
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

    // The stop signals are taken by one thread with sigwait, so they are blocked before any other
    // thread exists and every thread inherits the mask. A client that hangs up mid-answer must not
    // end the service.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    devservice::StandInService service;
    const int bound = service.bind(port);
    if (bound <= 0) {
        std::fprintf(stderr, "zq-devservice: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }

    auto *shutdown = new Shutdown;
    std::thread stopper([shutdown, &service, stopSignals] {
        int signalNumber = 0;
        sigwait(&stopSignals, &signalNumber);
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
