#include "regscript.h"

#include "desktoplogging.h"
#include "regscriptplatform.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace zq {

bool runRegBat(const QString &programDir)
{
    const QDir cfgDir(QDir(programDir).filePath(u"cfg"_s));
    const QString script = cfgDir.filePath(startUpScriptName());
    if (!QFileInfo(script).isFile())
        return false;

    QProcess process;
    process.setWorkingDirectory(cfgDir.absolutePath());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!prepareScriptProcess(process, script))
        return false;
    qint64 pid = 0;
    const bool started = process.startDetached(&pid);
    if (started)
        qCInfo(lcDesktop) << "started" << script << "as process" << pid;
    else
        qCWarning(lcDesktop) << "could not start" << script;
    return started;
}

} // namespace zq
