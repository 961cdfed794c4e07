#include "fileowner.h"

#include <QByteArray>
#include <QDir>
#include <QScopeGuard>
#include <qt_windows.h>

#include <aclapi.h>

namespace zq {

bool ownedByCurrentUser(const QString &path)
{
    // The owner's SID against the user of the process's own token. A file made by an elevated
    // program belongs to the Administrators group, not to the user: it does not count.
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const QString native = QDir::toNativeSeparators(path);
    if (GetNamedSecurityInfoW(reinterpret_cast<const wchar_t *>(native.utf16()), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                              &descriptor) != ERROR_SUCCESS)
        return false;
    const auto freeDescriptor = qScopeGuard([descriptor] { LocalFree(descriptor); });

    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    const auto closeToken = qScopeGuard([token] { CloseHandle(token); });
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size == 0)
        return false;
    QByteArray user(qsizetype(size), Qt::Uninitialized);
    if (!GetTokenInformation(token, TokenUser, user.data(), size, &size))
        return false;
    return owner && IsValidSid(owner) && EqualSid(owner, reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid);
}

} // namespace zq
