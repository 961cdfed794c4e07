#pragma once

#include <QObject>

#include <initializer_list>
#include <vector>

class QSocketNotifier;

namespace zq {

// Turns the system's requests to stop (SIGTERM, SIGINT) into a Qt signal on the event
// loop, where the window can close itself properly (the tray icon removed, exit code 0).
// Windows asks a program to stop through its window and the session instead, so there it
// watches nothing. While it exists the signals are its own; once it is gone they have their
// default effect again, so it should live until the window has been torn down.
class StopSignalWatcher final : public QObject
{
    Q_OBJECT
public:
    explicit StopSignalWatcher(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~StopSignalWatcher() override;
    Q_DISABLE_COPY_MOVE(StopSignalWatcher)

Q_SIGNALS:
    void received(int signalNumber);

private:
    std::vector<int> m_signalNumbers;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace zq
