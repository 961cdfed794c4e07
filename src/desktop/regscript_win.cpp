#include "regscriptplatform.h"

#include <QFileInfo>
#include <QProcess>
#include <qt_windows.h>

using namespace Qt::StringLiterals;

namespace zq {

QString startUpScriptName()
{
    return u"reg.bat"_s;
}

bool prepareScriptProcess(QProcess &process, const QString &script)
{
    // cmd.exe by its full path: a bare name would be looked up in the program's folder first.
    wchar_t systemDir[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(systemDir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    process.setProgram(QString::fromWCharArray(systemDir, int(length)) + u"\\cmd.exe"_s);
    // Named relative to the working folder, the script's own: cmd expands %...% in its
    // command line even inside quotes, so no folder name belongs there.
    process.setNativeArguments(u"/c .\\"_s + QFileInfo(script).fileName());
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *args) {
        args->flags &= ~static_cast<unsigned long>(CREATE_NEW_CONSOLE | DETACHED_PROCESS);
        args->flags |= CREATE_NO_WINDOW;
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_HIDE;
    });
    return true;
}

} // namespace zq
