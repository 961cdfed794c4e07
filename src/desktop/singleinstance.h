#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace zq {

// One running copy of a program per user. The first start serves a local socket whose name
// is made from the user and the program; a later start finds it, asks the running copy to
// come to the front and ends. A name left behind by a copy that crashed does not count: the
// next start cannot connect to it, removes it and serves in its place.
class SingleInstance final : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &program, QObject *parent = nullptr);
    ~SingleInstance() override;
    Q_DISABLE_COPY_MOVE(SingleInstance)

    // True when this process is now the running copy (or the name cannot be served at all, so
    // that the program still starts). False when another copy runs and has been asked to come
    // to the front: the caller ends, having done nothing else.
    bool claim();

    // The socket's name: on Linux the socket file's full path in the user's runtime folder,
    // on Windows the name of the pipe under \\.\pipe\.
    QString serverName() const { return m_serverName; }

    // program and a digest of the user and the program, e.g. "zq-3f9c0a1b2d4e5f60".
    static QString baseNameFor(const QString &program);
    static QString serverNameFor(const QString &program);

Q_SIGNALS:
    // Another start of the program asked this copy to come to the front.
    void activationRequested();

private:
    // What differs between the systems, one file each.
    static QString userKey();
    static QString lockFileFor(const QString &serverName);
    static void allowForegroundHandOver();

    bool askRunningCopy();
    void serve();
    void onConnection();
    void onRequestBytes(QLocalSocket *peer);

    QString m_serverName;
    QString m_lockPath;
    QLocalServer *m_server = nullptr;
};

} // namespace zq
