#include "singleinstance.h"

#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

namespace zq {

QString SingleInstance::userKey()
{
    return QString::number(::getuid());
}

QString SingleInstance::serverNameFor(const QString &program)
{
    // The socket file lies in the user's runtime folder (XDG_RUNTIME_DIR, else Qt's own
    // /tmp/runtime-<user>), which only its owner can enter: no other user can reach the
    // running copy or put a file of the same name in its way.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QString name = baseNameFor(program);
    return folder.isEmpty() ? name : folder + u'/' + name;
}

QString SingleInstance::lockFileFor(const QString &serverName)
{
    if (QDir::isAbsolutePath(serverName))
        return serverName + QStringLiteral(".lock");
    return QDir::temp().filePath(serverName + QStringLiteral(".lock"));
}

void SingleInstance::allowForegroundHandOver()
{
    // The window system lets a program bring its own window forward.
}

} // namespace zq
