// The stop signals as the program watches them: on the event loop while the watcher lives,
// their default effect once it is gone, and nothing of it in the processes the program starts.
#include "desktop/stopsignalwatcher.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace zq;

namespace {

// The sockets a child process of this one holds open.
int socketsInAChild()
{
    QProcess child;
    child.start(u"/bin/sh"_s, {u"-c"_s, u"for f in /proc/$$/fd/*; do readlink \"$f\"; done"_s});
    if (!child.waitForFinished(10000))
        return -1;
    return int(child.readAllStandardOutput().count("socket:"));
}

bool handledByDefault(int signalNumber)
{
    struct sigaction current = {};
    return ::sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_DFL;
}

} // namespace

class TestStopSignalWatcher final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void signal_reachesTheEventLoop_andItsDefaultComesBackAfterwards()
    {
        {
            StopSignalWatcher watcher({SIGUSR1, SIGUSR2});
            QSignalSpy received(&watcher, &StopSignalWatcher::received);
            QVERIFY(!handledByDefault(SIGUSR1));
            ::raise(SIGUSR2);
            QVERIFY(received.wait(5000));
            QCOMPARE(received.at(0).at(0).toInt(), SIGUSR2);
        }
        // A signal after the watcher is gone must not go to a handler with a closed pipe.
        QVERIFY(handledByDefault(SIGUSR1));
        QVERIFY(handledByDefault(SIGUSR2));
    }

    void startedProcesses_doNotInheritItsSockets()
    {
        const int without = socketsInAChild();
        QVERIFY(without >= 0);
        StopSignalWatcher watcher({SIGUSR1});
        QCOMPARE(socketsInAChild(), without);
    }
};

QTEST_GUILESS_MAIN(TestStopSignalWatcher)
#include "tst_stopsignalwatcher.moc"
