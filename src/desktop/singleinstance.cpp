#include "singleinstance.h"

#include "desktoplogging.h"

#include <QByteArrayView>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

namespace zq {

namespace {

// What a later start says, and what the running copy answers once it has acted on it.
constexpr char kRequest[] = "activate\n";
constexpr char kAnswer[] = "ok\n";
// Nothing longer than the request is read: whatever else connects is dropped.
constexpr qint64 kMaxRequestBytes = sizeof(kRequest) - 1;

constexpr int kConnectMs = 1000;
// The running copy answers from its event loop, which may be busy for a moment (start-up, a
// request in flight); it stays the running copy even when it answers late or not at all.
constexpr int kAnswerMs = 3000;
// Longer than a start holds the lock (connect and answer), so a start waits its turn.
constexpr int kLockWaitMs = kConnectMs + kAnswerMs + 1000;
// A peer that connects and says nothing is not kept forever.
constexpr int kPeerMs = 5000;

} // namespace

SingleInstance::SingleInstance(const QString &program, QObject *parent)
    : QObject(parent), m_serverName(serverNameFor(program)), m_lockPath(lockFileFor(m_serverName))
{}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::baseNameFor(const QString &program)
{
    const QByteArray digest =
        QCryptographicHash::hash((userKey() + u'\n' + program).toUtf8(), QCryptographicHash::Sha256).toHex();
    return program + u'-' + QString::fromLatin1(digest.left(16));
}

bool SingleInstance::claim()
{
    if (m_server)
        return true;
    // Two starts at one moment (a double-click too many) must not both find nobody and both
    // serve: the second waits here until the first serves, and then finds it.
    QLockFile lock(m_lockPath);
    if (!lock.tryLock(kLockWaitMs))
        qCWarning(lcDesktop) << "single-copy lock not taken, error" << int(lock.error());
    if (askRunningCopy())
        return false;
    serve();
    return true;
}

bool SingleInstance::askRunningCopy()
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(kConnectMs)) {
        // Nobody there, or the name of a copy that crashed: this start serves.
        qCDebug(lcDesktop) << "no running copy at" << m_serverName << socket.error();
        return false;
    }
    allowForegroundHandOver();
    socket.write(kRequest, kMaxRequestBytes);
    const QDeadlineTimer deadline(kAnswerMs);
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < 16 && socket.waitForReadyRead(int(deadline.remainingTime())))
        answer += socket.readAll();
    if (answer.startsWith(kAnswer))
        qCDebug(lcDesktop) << "the running copy came to the front";
    else
        qCWarning(lcDesktop) << "the running copy did not answer in time";
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::serve()
{
    // Left by a copy that ended without removing it; nothing answers there any more.
    QLocalServer::removeServer(m_serverName);
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_serverName)) {
        // The program runs all the same, only a later start will not find it.
        qCWarning(lcDesktop) << "cannot serve" << m_serverName << server->errorString();
        delete server;
        return;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
}

void SingleInstance::onConnection()
{
    while (QLocalSocket *peer = m_server->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] { onRequestBytes(peer); });
        QTimer::singleShot(kPeerMs, peer, [peer] { peer->deleteLater(); });
        if (peer->bytesAvailable() > 0)
            onRequestBytes(peer);
    }
}

void SingleInstance::onRequestBytes(QLocalSocket *peer)
{
    if (peer->bytesAvailable() < kMaxRequestBytes)
        return;
    const QByteArray request = peer->read(kMaxRequestBytes);
    if (request == QByteArrayView(kRequest, kMaxRequestBytes)) {
        qCDebug(lcDesktop) << "another start asked this copy to come to the front";
        Q_EMIT activationRequested();
        peer->write(kAnswer, sizeof(kAnswer) - 1);
    }
    // One request per connection; anything else ends it unanswered.
    peer->disconnectFromServer();
}

} // namespace zq
