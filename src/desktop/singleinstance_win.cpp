#include "singleinstance.h"

#include <QDir>
#include <qt_windows.h>

#include <sddl.h>

namespace zq {

QString SingleInstance::userKey()
{
    // The account's security identifier: two accounts of the same name (a local one and a
    // domain one) are still two users. Pipe names are seen by every session of the machine.
    QString key;
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        QByteArray buffer(int(size), '\0');
        if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
            wchar_t *sid = nullptr;
            if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid, &sid)) {
                key = QString::fromWCharArray(sid);
                LocalFree(sid);
            }
        }
        CloseHandle(token);
    }
    return key.isEmpty() ? qEnvironmentVariable("USERDOMAIN") + u'\\' + qEnvironmentVariable("USERNAME") : key;
}

QString SingleInstance::serverNameFor(const QString &program)
{
    // A pipe \\.\pipe\<name>; the user is in the name, and the pipe admits only its owner.
    return baseNameFor(program);
}

QString SingleInstance::lockFileFor(const QString &serverName)
{
    // The user's own temporary folder.
    return QDir::temp().filePath(serverName + QStringLiteral(".lock"));
}

void SingleInstance::allowForegroundHandOver()
{
    // Windows gives the foreground only to the program the user just started (this one); the
    // running copy may take it over to come to the front.
    AllowSetForegroundWindow(ASFW_ANY);
}

} // namespace zq
