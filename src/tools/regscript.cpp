#include "regscript.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

using namespace Qt::StringLiterals;

namespace {
Q_LOGGING_CATEGORY(lcRegScript, "zq.regscript")
} // namespace

namespace tarel_tools {

bool runRegBat(const QString &programDir)
{
    const QDir cfgDir(QDir(programDir).filePath(u"cfg"_s));
#ifdef Q_OS_WIN
    const QString script = cfgDir.filePath(u"reg.bat"_s);
#else
    const QString script = cfgDir.filePath(u"reg.sh"_s);
#endif
    if (!QFileInfo(script).isFile())
        return false;

    QProcess process;
    process.setWorkingDirectory(cfgDir.absolutePath());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
#ifdef Q_OS_WIN
    // cmd.exe by its full path: a bare name would be looked up in the program's folder first.
    wchar_t systemDir[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(systemDir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    process.setProgram(QString::fromWCharArray(systemDir, int(length)) + u"\\cmd.exe"_s);
    // The doubled quotes survive cmd's own quote stripping for any folder name.
    process.setNativeArguments(u"/c \"\""_s + QDir::toNativeSeparators(script) + u"\"\""_s);
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *args) {
        args->flags &= ~static_cast<unsigned long>(CREATE_NEW_CONSOLE | DETACHED_PROCESS);
        args->flags |= CREATE_NO_WINDOW;
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_HIDE;
    });
#else
    process.setProgram(u"/bin/sh"_s);
    process.setArguments({script});
#endif
    qint64 pid = 0;
    const bool started = process.startDetached(&pid);
    if (started)
        qCInfo(lcRegScript) << "started" << script << "as process" << pid;
    else
        qCWarning(lcRegScript) << "could not start" << script;
    return started;
}

} // namespace tarel_tools
