#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QProcess;
class QUrl;

// Runs the stand-in service (zq-devservice) on a free loopback port for one test, and talks
// to its controls under /_test/: the log of requests received, the fault switches, the accounts.
// The controls are read synchronously (a local event loop, 5 s at most), so a test can call
// them between its own steps.
//
// Where the environment variable ZQ_TEST_SERVICE names a service already running
// ("http://127.0.0.1:<port>/"), that one is used instead and left running: the tests of a
// Windows build run under Wine against the Linux service (scripts/test-windows.sh), one test
// at a time, each starting from clear().
class DevService final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DevService)

public:
    explicit DevService(QObject *parent = nullptr);
    ~DevService() override;

    // Starts the service on a free port; false when it did not report its port within 10 s.
    // With ZQ_TEST_SERVICE set: false when no service answers there.
    bool start();

    quint16 port() const;

    // "http://127.0.0.1:<port>/"
    QString baseUrl() const;

    // Every request received so far, oldest first, except the controls themselves: objects with
    // "method", "path" (as sent, "//..." kept), "query" (raw, without "?"), "body" (raw) and "headers".
    QList<QJsonObject> log() const;

    // Empties the log, clears every fault and resets the accounts to the demo account.
    bool clear();

    // Switches a fault on for target (softinfo, login, online, reg, time, plan); mode "none"
    // switches it off. body is the answer of mode "text" and the Date header of mode "date".
    // times > 0 limits the fault to that many requests; 0 keeps it until cleared. status > 0
    // is the status of mode "text" (200 to 599; 200 when not given).
    bool setFault(const QString &target, const QString &mode, const QString &body = {}, int times = 0, int status = 0);

    // The service's accounts: objects with "account", "password", "pt", "s", "email", "mac",
    // "regHash" and "hash" (the machine of the last good login).
    QJsonArray accounts() const;

    static constexpr char RunningServiceVariable[] = "ZQ_TEST_SERVICE";

private:
    bool useRunning(const QUrl &url);

    // GET of a control path such as "_test/log"; empty on any failure, with a warning.
    QByteArray control(const QString &pathAndQuery) const;

    QProcess *m_process = nullptr;
    QNetworkAccessManager *m_network = nullptr;
    quint16 m_port = 0;
};
