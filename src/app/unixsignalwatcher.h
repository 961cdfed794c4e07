#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a Qt signal on the event loop, where the window can
// close itself properly (the tray icon removed, exit code 0). Does nothing on Windows.
class UnixSignalWatcher final : public QObject
{
    Q_OBJECT
public:
    explicit UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~UnixSignalWatcher() override;
    Q_DISABLE_COPY_MOVE(UnixSignalWatcher)

Q_SIGNALS:
    void received(int signalNumber);

private:
    QSocketNotifier *m_notifier = nullptr;
};
