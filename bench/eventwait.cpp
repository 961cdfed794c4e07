#include "eventwait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace EventWait {

bool until(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || elapsed.elapsed() >= timeoutMs)
            loop.quit();
    });
    poll.start(10);
    if (!done())
        loop.exec();
    return done();
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace EventWait
