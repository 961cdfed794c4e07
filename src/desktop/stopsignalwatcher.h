#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// Turns the system's requests to stop (SIGTERM, SIGINT) into a Qt signal on the event
// loop, where the window can close itself properly (the tray icon removed, exit code 0).
// Windows asks a program to stop through its window and the session instead, so there it
// watches nothing.
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
    QSocketNotifier *m_notifier = nullptr;
};
