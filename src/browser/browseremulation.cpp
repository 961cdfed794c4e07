#include "browseremulation.h"

#include "browserlogging.h"
#include "desktop/comsupport_win.h"

#include <QFileInfo>

#include <windows.h>

namespace zq {

namespace BrowserEmulation {

namespace {

const wchar_t emulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

} // namespace

unsigned long current(const QString &fileName)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    const std::wstring name = fileName.toStdWString();
    if (RegGetValueW(HKEY_CURRENT_USER, emulationKey, name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return 0;
    return value;
}

bool set(const QString &fileName, unsigned long mode)
{
    if (fileName.isEmpty())
        return false;
    if (current(fileName) == mode)
        return true;
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, emulationKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        const std::wstring name = fileName.toStdWString();
        const DWORD value = mode;
        status = RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) {
        qCWarning(lcBrowser).noquote() << "browser control: the document mode could not be set:"
                                       << hresultText(HRESULT_FROM_WIN32(status));
        return false;
    }
    return true;
}

QString programFileName()
{
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    if (length == 0 || length >= std::size(path))
        return {};
    return QFileInfo(QString::fromWCharArray(path, int(length))).fileName();
}

} // namespace BrowserEmulation

} // namespace zq
